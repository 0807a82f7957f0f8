// Everything one fast noise-reduction pass needs, gathered once so that the
// kernels of every instruction set take the same plain record.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hushpix::fast {

struct FastJob {
    const void* source;
    std::ptrdiff_t sourceRowBytes;
    void* destination;
    std::ptrdiff_t destinationRowBytes;
    const std::uint8_t* mask;  // null: every pixel is selected
    std::int32_t maskRowBytes;
    std::int32_t width;
    std::int32_t height;
    bool sixteenBit;
    std::int32_t lastSkippedColumn;
    std::int32_t lastSkippedRow;

    // The engine's working buffers, each width x height pixels.
    void* luminance;       // one sample per pixel
    std::uint8_t* labels;  // the region map
    float* sums;           // three floats per pixel, laid out as the kernels like

    const float* weights;       // 2 * radius + 1 taps
    const double* wideWeights;  // the same as doubles
    std::int32_t radius;
};

// The horizontal sums of row y, channel c: the fast path keeps each row as
// three planes of `width` floats, which suits loads across neighbouring
// pixels. The buffer holds the same number of floats as the interleaved
// layout.
inline float* sumsPlane(const FastJob& job, std::int32_t y, int channel) {
    return job.sums + (std::ptrdiff_t(y) * 3 + channel) * job.width;
}

}  // namespace hushpix::fast
