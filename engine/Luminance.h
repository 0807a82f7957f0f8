// Putting the source brightness back into a smoothed colour, and rounding
// the result to the image's sample range.
#pragma once

#include <cstdint>

namespace hushpix {

// Round half up and clamp: s + 0.5 is rounded to single precision before it
// is truncated, so the float just below one half (0.49999997) gives 1.
std::uint8_t roundClamp8(float s);
std::uint16_t roundClamp16(float s);

// Shifts the smoothed colour (sR, sG, sB) by the same amount in every
// channel so that its brightness 0.30 R + 0.59 G + 0.11 B becomes v, and
// writes the rounded samples to out[0..2].
void restoreLuminance8(float sR, float sG, float sB, std::uint32_t v, std::uint8_t* out);
void restoreLuminance16(float sR, float sG, float sB, std::uint32_t v, std::uint16_t* out);

}  // namespace hushpix
