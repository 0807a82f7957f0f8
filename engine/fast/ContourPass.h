// The fast path's luminance plane and region map: the same integers as
// engine/Contours.cpp, computed a band of rows (or a span of one row) at a
// time so that the work can be shared between threads.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/Settings.h"
#include "engine/fast/FastJob.h"

namespace hushpix::fast {

// How the contour response of each channel is judged: a pixel is marked
// 255 where the 5x5 response exceeds `bound` and 128 where it is below
// -bound; with threshold zero nothing is marked.
struct ContourRule {
    bool enabled;
    std::int64_t bound;  // floor((t - 1) * Z / S): the exact integer form of acc * S > (t - 1) * Z
    bool boxKernel;      // the usual kernel: 24 at the centre, -1 elsewhere
    const std::int32_t* kernel;
    std::int64_t multiplier;  // S and Z, for any other kernel
    std::int64_t scaledBound;  // (t - 1) * Z
};

ContourRule contourRule(std::int32_t contourThreshold, bool sixteenBit,
                        const std::int32_t (&contourKernel)[kContourKernelSize]);

// Writes the luminance of rows [firstRow, endRow).
void computeLuminanceRows(const FastJob& job, std::int32_t firstRow, std::int32_t endRow);

// Scratch memory for markContourRows: running column sums and a verdict
// per sample, 15 bytes per pixel.
constexpr std::size_t contourScratchBytes(std::int32_t width) {
    return std::size_t(width) * 3 * (sizeof(std::int32_t) + 1);
}

// Writes the region map of rows [firstRow, endRow): zero, or a contour
// mark. `scratch` holds contourScratchBytes(width), aligned for int32.
void markContourRows(const FastJob& job, const ContourRule& rule, std::int32_t firstRow,
                     std::int32_t endRow, void* scratch);

// The in-place despeckle of pixels [firstColumn, endColumn) of row y
// (1 <= y <= height - 2, 1 <= firstColumn, endColumn <= width - 1), after
// the rows above it and the columns before firstColumn.
void despeckleSpan(std::uint8_t* plane, std::int32_t width, std::int32_t y,
                   std::int32_t firstColumn, std::int32_t endColumn);
void despeckleSpan(std::uint16_t* plane, std::int32_t width, std::int32_t y,
                   std::int32_t firstColumn, std::int32_t endColumn);

}  // namespace hushpix::fast
