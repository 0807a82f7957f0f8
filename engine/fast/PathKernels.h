// The fast path's passes, compiled once for each instruction set.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/Settings.h"
#include "engine/fast/ContourRule.h"
#include "engine/fast/FastJob.h"

namespace hushpix::fast {

// The widest vector, in floats, of any instruction set; scratch rows keep
// this many spare elements so that a vector load never leaves them.
constexpr std::int32_t kMaxLanes = 16;

struct PathKernels {
    // The luminance of rows [firstRow, endRow).
    void (*luminanceRows)(const FastJob& job, std::int32_t firstRow, std::int32_t endRow);
    // The region map of rows [firstRow, endRow): zero, or a contour mark;
    // scratch holds contourScratchBytes(width).
    void (*markContours)(const FastJob& job, const ContourRule& rule, std::int32_t firstRow,
                         std::int32_t endRow, void* scratch);
    // The in-place despeckle passes over rows [firstRow, endRow) of each
    // plane; each plane's rows go in order, a range after the one before.
    void (*despeckleLabelRows)(const FastJob& job, std::int32_t firstRow, std::int32_t endRow);
    void (*despeckleLuminanceRows)(const FastJob& job, std::int32_t firstRow,
                                   std::int32_t endRow);
    // The horizontal sums of the rows in [firstRow, endRow) that the
    // vertical pass takes from the buffer (sumsInBuffer), from source and
    // labels.
    void (*smoothRows)(const FastJob& job, std::int32_t firstRow, std::int32_t endRow,
                       void* scratch);
    // The vertical sums, luminance restoration and writes of rows
    // [firstRow, endRow), one piece of rows (FastJob::rowsPerPiece), in one
    // strip of columns (stripCount); the horizontal sums in the buffer must
    // be in place and the planes final.
    void (*smoothColumns)(const FastJob& job, std::int32_t firstRow, std::int32_t endRow,
                          std::int32_t strip, void* scratch);
    // Whether any of kMaxLanes sums is nearFloatMidpoint, tested as the
    // vertical pass tests its sums; for its test.
    bool (*anyNearFloatMidpoint)(const double* sums);
};

constexpr std::int32_t kMaxRadius = kMaxKernelLength / 2;

// Columns per strip of the vertical pass: the rows of sums that a strip's
// taps reach, as doubles, stay in the core's own cache as it walks down.
constexpr std::int32_t kStripColumns = 128;
constexpr std::int32_t kRingStride = kStripColumns + kMaxLanes;  // doubles per channel row

// The strips start at the first column written and are kStripColumns
// wide, the last one narrower.
inline std::int32_t firstWrittenColumn(const FastJob& job) {
    return job.lastSkippedColumn < 0 ? 0 : job.lastSkippedColumn + 1;
}
inline std::int32_t stripCount(const FastJob& job) {
    const std::int32_t columns = job.width - firstWrittenColumn(job);
    return columns > 0 ? (columns + kStripColumns - 1) / kStripColumns : 0;
}

// A double rounds to float by the low 29 bits of its fraction, and a point
// halfway between two floats has 1 and then 28 zeros there. Within 2^13
// units in the last place of such a point, bits 13 to 28 of a double (from
// a float's exponent range) are one of these two patterns: the vertical
// pass's nearFloatMidpointW.
constexpr std::uint64_t kRoundingBits = 0x1fffe000;
constexpr std::uint64_t kMidpointFromAbove = 0x10000000;
constexpr std::uint64_t kMidpointFromBelow = 0x0fffe000;

inline bool nearFloatMidpoint(std::uint64_t bits) {
    bits &= kRoundingBits;
    return bits == kMidpointFromAbove || bits == kMidpointFromBelow;
}

// The two patterns as 64-bit lanes, for vector paths that compare the bits
// kept as floats (the low float of each lane). Both patterns are normal
// floats, so equal values have equal bits whatever the host's denormal
// modes; over the high float the lanes hold a NaN, which equals nothing.
constexpr std::uint64_t kMidpointFromAboveLane = 0xffffffff00000000 | kMidpointFromAbove;
constexpr std::uint64_t kMidpointFromBelowLane = 0xffffffff00000000 | kMidpointFromBelow;

// Rows of a strip whose tap limits below are worked out together.
constexpr std::int32_t kLimitRows = 32;

// Scratch memory for one worker in the horizontal pass: three padded float
// rows, a padded byte row and two more byte rows, about 15 * width bytes.
constexpr std::size_t rowScratchBytes(std::int32_t width, std::int32_t radius) {
    const std::size_t padded = std::size_t(width) + 2 * std::size_t(radius) + kMaxLanes;
    const std::size_t row = std::size_t(width) + kMaxLanes;
    return 3 * padded * sizeof(float) + padded + 2 * row;
}

// And in the vertical pass, whatever the width: a ring of 2 * radius + 1
// rows of a strip's sums as doubles (78 KiB at radius 11), a float row,
// 1 + kLimitRows byte rows and the horizontal pass's memory for a strip.
constexpr std::size_t columnScratchBytes(std::int32_t radius) {
    const std::size_t slots = 2 * std::size_t(radius) + 1;
    return (slots * 3 * sizeof(double) + sizeof(float) + 1 + kLimitRows) * kRingStride +
           rowScratchBytes(kStripColumns, radius);
}

const PathKernels& scalarKernels();
#if defined(HUSHPIX_X86)
const PathKernels& sse2Kernels();
const PathKernels& avxFmaKernels();
const PathKernels& avx2FmaKernels();

// The SSE2 kernels' exactly rounded a * b + c, four lanes at once; for its
// test, which can aim at the rare sums that rounding twice would get wrong.
void fusedMultiplyAddSse2(const float (&a)[4], const float (&b)[4], const float (&c)[4],
                          float (&out)[4]);
#endif

}  // namespace hushpix::fast
