#include "engine/Luminance.h"

namespace hushpix {

namespace {

template <typename Sample, int kMax>
Sample roundClamp(float s) {
    const double shifted = double(s) + 0.5;
    if (shifted > double(kMax)) return Sample(kMax);
    const float y = float(shifted);
    if (y < 0.0f) return 0;
    return Sample(y);
}

// The brightness weights are applied in double, but the 1/100 is the
// single-precision constant, as the filter has always computed it.
double luminanceShift(float sR, float sG, float sB, std::uint32_t v) {
    const double percent = double(0.01f);
    return double(v) - (30.0 * double(sR) + 59.0 * double(sG) + 11.0 * double(sB)) * percent;
}

template <typename Sample, Sample (*round)(float)>
void restore(float sR, float sG, float sB, std::uint32_t v, Sample* out) {
    const double delta = luminanceShift(sR, sG, sB, v);
    out[0] = round(float(double(sR) + delta));
    out[1] = round(float(double(sG) + delta));
    out[2] = round(float(double(sB) + delta));
}

}  // namespace

std::uint8_t roundClamp8(float s) { return roundClamp<std::uint8_t, 255>(s); }
std::uint16_t roundClamp16(float s) { return roundClamp<std::uint16_t, 65535>(s); }

void restoreLuminance8(float sR, float sG, float sB, std::uint32_t v, std::uint8_t* out) {
    restore<std::uint8_t, roundClamp8>(sR, sG, sB, v, out);
}

void restoreLuminance16(float sR, float sG, float sB, std::uint32_t v, std::uint16_t* out) {
    restore<std::uint16_t, roundClamp16>(sR, sG, sB, v, out);
}

}  // namespace hushpix
