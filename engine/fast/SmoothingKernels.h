// The two smoothing passes of the fast path, written once over an
// instruction-set record `Isa` (scalar, SSE2, AVX+FMA, ...) and compiled
// once per instruction set, each in its own file with its own flags (and
// with them the contour passes of ContourKernels.h).
//
// Vectors run across neighbouring pixels of one row, so every pixel still
// adds its taps one at a time in the reference order: nothing is
// reassociated. The label rule (a tap that would cross a change of label
// reads the centre) becomes a per-pixel limit: tap k on one side reads its
// neighbour when k <= limit, the centre otherwise.
//
// Isa provides, for kLanes pixels at a time: F (floats) and Wide (the same
// lanes as doubles), and load/store/splat/select/atLeast, an exactly
// rounded single-precision fma, widen/narrow, addW/subW/mulW/splatW,
// addProductW(sum, a, b) = sum + a * b for an a * b that is exact in double
// (a float times a float, or a float times a small integer, always is: so
// one rounding, and a double fma gives the same),
// minF/maxF, maxLane (the largest lane), truncate (floats to int32,
// stored to memory) and loadCounts (kLanes bytes as floats).
//
// Label changes are frequent in noisy photographs, so walks are short: past
// the longest walk of a block's pixels every pixel reads its centre, and
// those taps skip the neighbour loads (the arithmetic stays the same).
//
// Everything here has internal linkage: each instruction-set file gets its
// own copy, so no copy compiled for a wider instruction set can stand in
// for another at link time. For the same reason these headers use no
// standard-library templates, whose copies would be shared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/fast/ContourKernels.h"
#include "engine/fast/FastJob.h"
#include "engine/fast/PathKernels.h"
#include "engine/fast/RowAccess.h"

namespace hushpix::fast {
namespace {

struct ScratchLayout {
    std::int32_t padded;  // a padded row: radius on the left, radius + spare lanes on the right
    std::int32_t row;     // a row with spare lanes

    ScratchLayout(std::int32_t width, std::int32_t radius)
        : padded(width + 2 * radius + kMaxLanes), row(width + kMaxLanes) {}
};

// Pointers into one worker's scratch memory (smoothingScratchBytes).
struct RowScratch {
    float* planes[3];  // padded source channels
    float* luminance;  // the row's luminance as floats
    std::uint8_t* paddedLabels;
    std::uint8_t* beforeLimit;  // per pixel: taps to the left or above that read their neighbour
    std::uint8_t* afterLimit;   // the same to the right or below

    RowScratch(void* memory, const ScratchLayout& layout) {
        float* floats = static_cast<float*>(memory);
        for (float*& plane : planes) {
            plane = floats;
            floats += layout.padded;
        }
        luminance = floats;
        paddedLabels = reinterpret_cast<std::uint8_t*>(luminance + layout.row);
        beforeLimit = paddedLabels + layout.padded;
        afterLimit = beforeLimit + layout.row;
    }
};

// Sixteen labels or counts: GCC's generic vectors, which every target has.
typedef std::uint8_t Bytes16 __attribute__((vector_size(16)));

inline Bytes16 loadBytes16(const std::uint8_t* p) {
    Bytes16 bytes;
    std::memcpy(&bytes, p, sizeof bytes);
    return bytes;
}

// For each pixel x < n: how many of taps 1..taps read their neighbour
// (neighbour(k)[x]) rather than the centre. On the side walked first (left,
// up) the tap that meets another label still reads it; on the other side it
// already reads the centre.
template <bool kCrossingTapReads, typename Neighbour>
void tapLimits(const std::uint8_t* centre, Neighbour neighbour, std::int32_t taps, std::int32_t n,
               std::uint8_t* limit) {
    constexpr std::int32_t kChunk = sizeof(Bytes16);
    std::int32_t x = 0;
    for (; x + kChunk <= n; x += kChunk) {
        const Bytes16 middle = loadBytes16(centre + x);
        Bytes16 alive = Bytes16{} - 1;  // every byte 0xff: true
        Bytes16 count = Bytes16{};
        for (std::int32_t k = 1; k <= taps; ++k) {
            const Bytes16 same = loadBytes16(neighbour(k) + x) == middle;
            if (kCrossingTapReads) count -= alive;
            alive &= same;
            if (!kCrossingTapReads) count -= alive;
        }
        std::memcpy(limit + x, &count, sizeof count);
    }
    for (; x < n; ++x) {
        bool alive = true;
        std::int32_t count = 0;
        for (std::int32_t k = 1; k <= taps; ++k) {
            const bool same = neighbour(k)[x] == centre[x];
            if (kCrossingTapReads) count += alive;
            alive = alive && same;
            if (!kCrossingTapReads) count += alive;
        }
        limit[x] = std::uint8_t(count);
    }
    std::memset(limit + n, 0, kMaxLanes);
}

// Tap numbers as floats, to compare with the limits: a broadcast from
// memory costs one instruction, a conversion and broadcast several.
constexpr float kTapNumbers[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23};

// Splits a source row into three float planes and copies its labels, each
// padded by repeating the edge pixels: reading the padding is the same as
// clamping the column to the row.
template <typename Sample>
void padRow(const FastJob& job, std::int32_t y, RowScratch& scratch) {
    const std::int32_t width = job.width, radius = job.radius;
    const std::int32_t rightPadding = radius + kMaxLanes;
    const Sample* __restrict row = sourceRow<Sample>(job, y);
    float* __restrict red = scratch.planes[0] + radius;
    float* __restrict green = scratch.planes[1] + radius;
    float* __restrict blue = scratch.planes[2] + radius;
    float* const planes[3] = {red, green, blue};
    for (std::int32_t x = 0; x < width; ++x) {
        red[x] = float(row[3 * x]);
        green[x] = float(row[3 * x + 1]);
        blue[x] = float(row[3 * x + 2]);
    }
    for (float* plane : planes) {
        for (std::int32_t i = 1; i <= radius; ++i) plane[-i] = plane[0];
        for (std::int32_t i = 0; i < rightPadding; ++i) plane[width + i] = plane[width - 1];
    }
    const std::uint8_t* labels = job.labels + std::ptrdiff_t(y) * width;
    std::uint8_t* padded = scratch.paddedLabels + radius;
    std::memcpy(padded, labels, std::size_t(width));
    std::memset(padded - radius, labels[0], std::size_t(radius));
    std::memset(padded + width, labels[width - 1], std::size_t(rightPadding));
}

template <class Isa, typename Sample>
void smoothRowsOf(const FastJob& job, std::int32_t firstRow, std::int32_t endRow, void* memory) {
    using F = typename Isa::F;
    constexpr std::int32_t kLanes = Isa::kLanes;
    const std::int32_t width = job.width, radius = job.radius;
    const float* weights = job.weights + radius;  // weights[d] for -radius <= d <= radius
    RowScratch scratch(memory, ScratchLayout(width, radius));
    const std::uint8_t* labels = scratch.paddedLabels + radius;

    for (std::int32_t y = firstRow; y < endRow; ++y) {
        padRow<Sample>(job, y, scratch);
        tapLimits<true>(
            labels, [&](std::int32_t k) { return labels - k; }, radius, width, scratch.beforeLimit);
        tapLimits<false>(
            labels, [&](std::int32_t k) { return labels + k; }, radius, width, scratch.afterLimit);

        for (std::int32_t x = 0; x < width; x += kLanes) {
            const float* planes[3] = {scratch.planes[0] + radius + x,
                                      scratch.planes[1] + radius + x,
                                      scratch.planes[2] + radius + x};
            F centre[3], sum[3];
            for (int c = 0; c < 3; ++c) {
                centre[c] = Isa::load(planes[c]);
                sum[c] = Isa::fma(centre[c], Isa::splat(weights[0]), Isa::splat(0.0f));
            }
            const F before = Isa::loadCounts(scratch.beforeLimit + x);
            const std::int32_t reachBefore = std::int32_t(Isa::maxLane(before));
            for (std::int32_t k = 1; k <= reachBefore; ++k) {
                const auto reads = Isa::atLeast(before, Isa::splat(kTapNumbers[k]));
                const F weight = Isa::splat(weights[-k]);
                for (int c = 0; c < 3; ++c) {
                    const F tap = Isa::select(reads, Isa::load(planes[c] - k), centre[c]);
                    sum[c] = Isa::fma(tap, weight, sum[c]);
                }
            }
            for (std::int32_t k = reachBefore + 1; k <= radius; ++k) {
                const F weight = Isa::splat(weights[-k]);
                for (int c = 0; c < 3; ++c) sum[c] = Isa::fma(centre[c], weight, sum[c]);
            }
            const F after = Isa::loadCounts(scratch.afterLimit + x);
            const std::int32_t reachAfter = std::int32_t(Isa::maxLane(after));
            for (std::int32_t k = 1; k <= reachAfter; ++k) {
                const auto reads = Isa::atLeast(after, Isa::splat(kTapNumbers[k]));
                const F weight = Isa::splat(weights[k]);
                for (int c = 0; c < 3; ++c) {
                    const F tap = Isa::select(reads, Isa::load(planes[c] + k), centre[c]);
                    sum[c] = Isa::fma(tap, weight, sum[c]);
                }
            }
            for (std::int32_t k = reachAfter + 1; k <= radius; ++k) {
                const F weight = Isa::splat(weights[k]);
                for (int c = 0; c < 3; ++c) sum[c] = Isa::fma(centre[c], weight, sum[c]);
            }
            const std::int32_t lanes = width - x < kLanes ? width - x : kLanes;
            for (int c = 0; c < 3; ++c) {
                float* out = sumsPlane(job, y, c) + x;
                if (lanes == kLanes) {
                    Isa::store(out, sum[c]);
                } else {
                    float all[kLanes];
                    Isa::store(all, sum[c]);
                    std::memcpy(out, all, sizeof(float) * std::size_t(lanes));
                }
            }
        }
    }
}

template <class Isa>
typename Isa::F loadLanes(const float* p, std::int32_t lanes) {
    if (lanes == Isa::kLanes) return Isa::load(p);
    float all[Isa::kLanes] = {};
    std::memcpy(all, p, sizeof(float) * std::size_t(lanes));
    return Isa::load(all);
}

// Puts the source brightness back into kLanes smoothed colours and rounds
// them (engine/Luminance.cpp, lane by lane).
template <class Isa, int kMax>
void restoreLanes(const typename Isa::Wide (&sum)[3], typename Isa::F luminance,
                  std::int32_t (&out)[3][Isa::kLanes]) {
    using Wide = typename Isa::Wide;
    Wide smoothed[3];
    for (int c = 0; c < 3; ++c) smoothed[c] = Isa::widen(Isa::narrow(sum[c]));
    const Wide weighted = Isa::addProductW(
        Isa::addProductW(Isa::mulW(Isa::splatW(30.0), smoothed[0]), Isa::splatW(59.0), smoothed[1]),
        Isa::splatW(11.0), smoothed[2]);
    const Wide brightness = Isa::mulW(weighted, Isa::splatW(double(0.01f)));
    const Wide delta = Isa::subW(Isa::widen(luminance), brightness);
    for (int c = 0; c < 3; ++c) {
        const typename Isa::F shifted = Isa::narrow(Isa::addW(smoothed[c], delta));
        // float(s + 0.5), clamped: the same as testing s + 0.5 against the
        // maximum in double first, since rounding to float keeps order and
        // the maximum is a float.
        const typename Isa::F rounded =
            Isa::narrow(Isa::addW(Isa::widen(shifted), Isa::splatW(0.5)));
        Isa::truncate(Isa::minF(Isa::maxF(rounded, Isa::splat(0.0f)), Isa::splat(float(kMax))),
                      out[c]);
    }
}

// Columns per strip of the vertical pass: the 2 * radius + 1 rows of sums
// that a strip reads stay in the core's own cache as it walks down.
constexpr std::int32_t kStripColumns = 256;

// The vertical sums, restoration and writes of `lanes` pixels from column x
// of a strip; kFull says lanes == kLanes, so plain vector loads stay in
// bounds.
template <class Isa, typename Sample, bool kFull>
void smoothBlock(const FastJob& job, const float* const (&rows)[3], std::int32_t x,
                 std::int32_t lanes, std::int32_t rowsBelow, const RowScratch& scratch,
                 const std::uint8_t* mask, Sample* out) {
    using F = typename Isa::F;
    using Wide = typename Isa::Wide;
    constexpr std::int32_t kLanes = Isa::kLanes;
    constexpr int kMax = sizeof(Sample) == 1 ? 255 : 65535;
    const std::int32_t radius = job.radius;
    const double* weights = job.wideWeights + radius;
    const std::ptrdiff_t rowFloats = 3 * std::ptrdiff_t(job.width);
    auto load = [lanes](const float* p) { return kFull ? Isa::load(p) : loadLanes<Isa>(p, lanes); };

    F centre[3];
    Wide wideCentre[3], sum[3];
    for (int c = 0; c < 3; ++c) {
        centre[c] = load(rows[c] + x);
        wideCentre[c] = Isa::widen(centre[c]);
        sum[c] = Isa::addProductW(Isa::splatW(0.0), Isa::splatW(weights[0]), wideCentre[c]);
    }
    auto addCentre = [&](std::int32_t k) {
        const Wide weight = Isa::splatW(weights[k]);
        for (int c = 0; c < 3; ++c) sum[c] = Isa::addProductW(sum[c], weight, wideCentre[c]);
    };
    auto addTap = [&](std::int32_t k, typename Isa::F limit, std::ptrdiff_t offset) {
        const Wide weight = Isa::splatW(weights[k]);
        const auto reads = Isa::atLeast(limit, Isa::splat(kTapNumbers[k < 0 ? -k : k]));
        for (int c = 0; c < 3; ++c) {
            const F tap = Isa::select(reads, load(rows[c] + offset), centre[c]);
            sum[c] = Isa::addProductW(sum[c], weight, Isa::widen(tap));
        }
    };
    const F before = Isa::loadCounts(scratch.beforeLimit + x);
    const std::int32_t reachBefore = std::int32_t(Isa::maxLane(before));
    for (std::int32_t k = 1; k <= reachBefore; ++k) addTap(-k, before, x - k * rowFloats);
    for (std::int32_t k = reachBefore + 1; k <= radius; ++k) addCentre(-k);
    const F after = Isa::loadCounts(scratch.afterLimit + x);
    const std::int32_t reachAfter = std::int32_t(Isa::maxLane(after));
    for (std::int32_t k = 1; k <= reachAfter; ++k) {
        addTap(k, after, x + (k < rowsBelow ? k : rowsBelow) * rowFloats);
    }
    for (std::int32_t k = reachAfter + 1; k <= radius; ++k) addCentre(k);

    std::int32_t restored[3][kLanes];
    restoreLanes<Isa, kMax>(sum, load(scratch.luminance + x), restored);
    for (std::int32_t i = 0; i < lanes; ++i) {
        if (mask && mask[x + i] == 0) continue;
        Sample* pixel = out + 3 * std::ptrdiff_t(x + i);
        for (int c = 0; c < 3; ++c) pixel[c] = Sample(restored[c][i]);
    }
}

template <class Isa, typename Sample>
void smoothStrip(const FastJob& job, std::int32_t y, std::int32_t firstColumn,
                 std::int32_t endColumn, RowScratch& scratch) {
    constexpr std::int32_t kLanes = Isa::kLanes;
    const std::int32_t width = job.width, height = job.height, radius = job.radius;
    const std::int32_t columns = endColumn - firstColumn;
    const std::uint8_t* mask =
        job.mask ? job.mask + std::ptrdiff_t(y) * job.maskRowBytes + firstColumn : nullptr;
    const std::uint8_t* labels = job.labels + std::ptrdiff_t(y) * width + firstColumn;
    // Above the image a tap reads the centre: only y taps can read a row.
    // Below it a tap reads the last row.
    const std::int32_t tapsAbove = y < radius ? y : radius;
    const std::int32_t rowsBelow = height - 1 - y;
    tapLimits<true>(
        labels, [&](std::int32_t k) { return labels - std::ptrdiff_t(k) * width; }, tapsAbove,
        columns, scratch.beforeLimit);
    tapLimits<false>(
        labels,
        [&](std::int32_t k) {
            return labels + std::ptrdiff_t(k < rowsBelow ? k : rowsBelow) * width;
        },
        radius, columns, scratch.afterLimit);
    const Sample* luminance =
        static_cast<const Sample*>(job.luminance) + std::ptrdiff_t(y) * width + firstColumn;
    for (std::int32_t i = 0; i < columns; ++i) scratch.luminance[i] = float(luminance[i]);
    Sample* out = destinationRow<Sample>(job, y) + 3 * std::ptrdiff_t(firstColumn);
    const float* const rows[3] = {sumsPlane(job, y, 0) + firstColumn,
                                  sumsPlane(job, y, 1) + firstColumn,
                                  sumsPlane(job, y, 2) + firstColumn};

    for (std::int32_t x = 0; x < columns; x += kLanes) {
        const std::int32_t lanes = columns - x < kLanes ? columns - x : kLanes;
        if (mask) {
            bool any = false;
            for (std::int32_t i = 0; i < lanes; ++i) any = any || mask[x + i] != 0;
            if (!any) continue;
        }
        if (lanes == kLanes) {
            smoothBlock<Isa, Sample, true>(job, rows, x, lanes, rowsBelow, scratch, mask, out);
        } else {
            smoothBlock<Isa, Sample, false>(job, rows, x, lanes, rowsBelow, scratch, mask, out);
        }
    }
}

template <class Isa, typename Sample>
void smoothColumnsOf(const FastJob& job, std::int32_t firstRow, std::int32_t endRow, void* memory) {
    RowScratch scratch(memory, ScratchLayout(job.width, job.radius));
    const std::int32_t firstColumn = job.lastSkippedColumn < 0 ? 0 : job.lastSkippedColumn + 1;
    if (job.lastSkippedRow >= firstRow) firstRow = job.lastSkippedRow + 1;
    for (std::int32_t strip = firstColumn; strip < job.width; strip += kStripColumns) {
        const std::int32_t end =
            job.width - strip < kStripColumns ? job.width : strip + kStripColumns;
        for (std::int32_t y = firstRow; y < endRow; ++y) {
            smoothStrip<Isa, Sample>(job, y, strip, end, scratch);
        }
    }
}

template <class Isa>
void smoothRowsWith(const FastJob& job, std::int32_t firstRow, std::int32_t endRow, void* scratch) {
    if (job.sixteenBit) {
        smoothRowsOf<Isa, std::uint16_t>(job, firstRow, endRow, scratch);
    } else {
        smoothRowsOf<Isa, std::uint8_t>(job, firstRow, endRow, scratch);
    }
}

template <class Isa>
void smoothColumnsWith(const FastJob& job, std::int32_t firstRow, std::int32_t endRow,
                       void* scratch) {
    if (job.sixteenBit) {
        smoothColumnsOf<Isa, std::uint16_t>(job, firstRow, endRow, scratch);
    } else {
        smoothColumnsOf<Isa, std::uint8_t>(job, firstRow, endRow, scratch);
    }
}

// Everything of one path, for the table that the pipeline calls through.
template <class Isa>
constexpr PathKernels kernelsFor() {
    return PathKernels{&computeLuminanceRows, &markContourRows,     &despeckleLabels,
                       &despeckleLuminance,   &smoothRowsWith<Isa>, &smoothColumnsWith<Isa>};
}

}  // namespace
}  // namespace hushpix::fast
