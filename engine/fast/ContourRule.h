// How the fast path judges contour responses: the threshold and scale of
// engine/Contours.cpp in exact integer form.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/Settings.h"

namespace hushpix::fast {

// How the contour response of each channel is judged: a pixel is marked
// 255 where the 5x5 response exceeds `bound` and 128 where it is below
// -bound; with threshold zero nothing is marked.
struct ContourRule {
    bool enabled;
    std::int64_t bound;  // floor((t - 1) * Z / S): the exact integer form of acc * S > (t - 1) * Z
    bool boxKernel;      // the usual kernel: 24 at the centre, -1 elsewhere
    const std::int32_t* kernel;
    std::int64_t multiplier;   // S and Z, for any other kernel
    std::int64_t scaledBound;  // (t - 1) * Z
};

ContourRule contourRule(std::int32_t contourThreshold, bool sixteenBit,
                        const std::int32_t (&contourKernel)[kContourKernelSize]);

// Scratch memory for marking contours: running column sums and a verdict
// per sample, 15 bytes per pixel.
constexpr std::size_t contourScratchBytes(std::int32_t width) {
    return std::size_t(width) * 3 * (sizeof(std::int32_t) + 1);
}

}  // namespace hushpix::fast
