// Contour detection: the luminance plane and the region labels that bound
// the smoothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/Settings.h"

namespace hushpix {

// Overwrites *target with the mean of the most similar pair of opposite
// neighbours when the centre p[4] is strictly above or below all eight
// neighbours; leaves it alone otherwise.
void despecklePixel(const std::uint8_t p[9], std::uint8_t* target);
void despecklePixel(const std::uint16_t p[9], std::uint16_t* target);

// Fills the luminance plane (same sample type as the image, `width`
// elements per row) for every pixel and, when the threshold is above zero,
// labels contour pixels in the region map (one byte per pixel, all zero on
// entry). The source is addressed with `sourceRowBytes` bytes per row.
void detectContours(const void* source, void* luminance, std::uint8_t* regionMap,
                    std::int32_t width, std::int32_t height, std::int32_t contourThreshold,
                    bool perPixel, std::int32_t depth,
                    const std::int32_t (&contourKernel)[kContourKernelSize],
                    std::ptrdiff_t sourceRowBytes);

}  // namespace hushpix
