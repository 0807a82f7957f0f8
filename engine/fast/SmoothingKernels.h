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
// lanes as doubles), and load/store/splat/add/sub/select, negative (a mask
// of the lanes below zero, for select), an exactly rounded single-precision
// fma, widen/narrow, the same loads, stores, masks and selection on Wide
// (loadW, storeW, negativeW, selectW, splatW), addW/subW/mulW,
// addProductW(sum, a, b) = sum + a * b for an a * b that is exact in double
// (a float times a float, or a float times a small integer, always is: so
// one rounding, and a double fma gives the same), nearFloatMidpointW
// (whether any lane is nearFloatMidpoint), minF/maxF, truncate (floats to
// int32, stored to memory), loadCounts/loadCountsW (kLanes bytes as floats
// or doubles), laneRange and laneMax (the smallest and largest of kLanes
// bytes), and, where kWritesPixels is true, writePixels (a block of whole
// R, G and B values stored as interleaved samples).
//
// Each side of a block of pixels splits its taps in three: up to the
// shortest walk of the block's pixels every lane reads its neighbour, past
// the longest every lane reads its centre, and only in between does each
// lane choose (the arithmetic stays the same). In flat areas, most of a
// photograph, the first kind is all there is.
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

// Pointers into one worker's scratch memory for the horizontal pass
// (rowScratchBytes): rows padded by radius on the left and radius plus
// spare lanes on the right, and rows with spare lanes.
struct RowScratch {
    float* planes[3];  // padded source channels
    std::uint8_t* paddedLabels;
    std::uint8_t* beforeLimit;  // per pixel: taps to the left that read their neighbour
    std::uint8_t* afterLimit;   // the same to the right

    RowScratch(void* memory, std::int32_t width, std::int32_t radius) {
        const std::int32_t padded = width + 2 * radius + kMaxLanes;
        float* floats = static_cast<float*>(memory);
        for (float*& plane : planes) {
            plane = floats;
            floats += padded;
        }
        paddedLabels = reinterpret_cast<std::uint8_t*>(floats);
        beforeLimit = paddedLabels + padded;
        afterLimit = beforeLimit + width + kMaxLanes;
    }
};

// tapLimits for the chunks of `Bytes` that fit in [x, n) from x on;
// returns the column after them.
template <typename Bytes, bool kCrossingTapReads, typename Neighbour>
std::int32_t tapLimitChunks(const std::uint8_t* centre, Neighbour neighbour, std::int32_t taps,
                            std::int32_t x, std::int32_t n, std::uint8_t* limit) {
    constexpr std::int32_t kChunk = sizeof(Bytes);
    for (; x + kChunk <= n; x += kChunk) {
        const Bytes middle = loadChunk<Bytes>(centre + x);
        Bytes alive = Bytes{} - 1;  // every byte 0xff: true
        Bytes count = Bytes{};
        for (std::int32_t k = 1; k <= taps; ++k) {
            const Bytes same = loadChunk<Bytes>(neighbour(k) + x) == middle;
            if (kCrossingTapReads) count -= alive;
            alive &= same;
            if (!kCrossingTapReads) count -= alive;
        }
        std::memcpy(limit + x, &count, sizeof count);
    }
    return x;
}

// For each pixel x < n: how many of taps 1..taps read their neighbour
// (neighbour(k)[x]) rather than the centre. On the side walked first (left,
// up) the tap that meets another label still reads it; on the other side it
// already reads the centre. In chunks as wide as the instruction set's
// integer vectors, then of sixteen, then one by one.
template <bool kCrossingTapReads, typename Neighbour>
void tapLimits(const std::uint8_t* centre, Neighbour neighbour, std::int32_t taps, std::int32_t n,
               std::uint8_t* limit) {
    std::int32_t x = tapLimitChunks<Chunk8, kCrossingTapReads>(centre, neighbour, taps, 0, n, limit);
    x = tapLimitChunks<Bytes16, kCrossingTapReads>(centre, neighbour, taps, x, n, limit);
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

// Splits the columns [first - radius, first + count + radius + kMaxLanes)
// of a source row into three float planes and copies their labels; a
// column outside the row reads the nearest edge pixel, as the taps clamp
// to the row.
template <typename Sample>
void padSegment(const FastJob& job, std::int32_t y, std::int32_t first, std::int32_t count,
                const RowScratch& scratch) {
    const std::int32_t width = job.width, radius = job.radius;
    const std::int32_t begin = first - radius, end = first + count + radius + kMaxLanes;
    const std::int32_t inside = begin < 0 ? 0 : begin, insideEnd = end < width ? end : width;
    const Sample* __restrict row = sourceRow<Sample>(job, y);
    // Indexed by column.
    float* __restrict red = scratch.planes[0] + radius - first;
    float* __restrict green = scratch.planes[1] + radius - first;
    float* __restrict blue = scratch.planes[2] + radius - first;
    for (std::int32_t x = inside; x < insideEnd; ++x) {
        red[x] = float(row[3 * x]);
        green[x] = float(row[3 * x + 1]);
        blue[x] = float(row[3 * x + 2]);
    }
    float* const planes[3] = {red, green, blue};
    for (int c = 0; c < 3; ++c) {
        for (std::int32_t x = begin; x < inside; ++x) planes[c][x] = float(row[c]);
        for (std::int32_t x = insideEnd; x < end; ++x) planes[c][x] = float(row[3 * (width - 1) + c]);
    }
    const std::uint8_t* labels = job.labels + std::ptrdiff_t(y) * width;
    std::uint8_t* padded = scratch.paddedLabels + radius - first;
    std::memcpy(padded + inside, labels + inside, std::size_t(insideEnd - inside));
    std::memset(padded + begin, labels[0], std::size_t(inside - begin));
    std::memset(padded + insideEnd, labels[width - 1], std::size_t(end - insideEnd));
}

// The horizontal sums of kBlocks blocks of kLanes pixels from x on, whose
// tap limits and padded planes are in `scratch`: the blocks' additions
// interleave, so that one block's chain of dependent fused multiply-adds
// runs while another's waits. They share the split of each side's taps,
// by the shortest and longest walk of all their pixels.
template <class Isa, int kBlocks, typename Put>
void smoothBlocksOfRow(const FastJob& job, std::int32_t x, const RowScratch& scratch, Put& put) {
    using F = typename Isa::F;
    constexpr std::int32_t kLanes = Isa::kLanes;
    const std::int32_t radius = job.radius;
    const float* weights = job.weights + radius;  // weights[d] for -radius <= d <= radius
    const float* planes[3] = {scratch.planes[0] + radius + x, scratch.planes[1] + radius + x,
                              scratch.planes[2] + radius + x};
    auto load = [&](int c, int b, std::int32_t offset) {
        return Isa::load(planes[c] + b * kLanes + offset);
    };
    F centre[kBlocks][3], sum[kBlocks][3];
    for (int b = 0; b < kBlocks; ++b) {
        for (int c = 0; c < 3; ++c) {
            centre[b][c] = load(c, b, 0);
            sum[b][c] = Isa::fma(centre[b][c], Isa::splat(weights[0]), Isa::splat(0.0f));
        }
    }
    auto addSide = [&](const std::uint8_t* limits, std::int32_t side) {
        std::int32_t all = radius, any = 0;
        for (int b = 0; b < kBlocks; ++b) {
            std::int32_t shortest, longest;
            Isa::laneRange(limits + x + b * kLanes, shortest, longest);
            all = shortest < all ? shortest : all;
            any = longest > any ? longest : any;
        }
        std::int32_t k = 1;
        for (; k <= all; ++k) {
            const F weight = Isa::splat(weights[side * k]);
            for (int b = 0; b < kBlocks; ++b) {
                for (int c = 0; c < 3; ++c) {
                    sum[b][c] = Isa::fma(load(c, b, side * k), weight, sum[b][c]);
                }
            }
        }
        if (k <= any) {
            // Per lane, k - 1/2 - limit: negative while tap k reads its
            // neighbour. Counting it up costs one addition per tap, where
            // comparing each tap's number with the limits cost a
            // comparison and the number's broadcast.
            F pastLimit[kBlocks];
            for (int b = 0; b < kBlocks; ++b) {
                pastLimit[b] = Isa::sub(Isa::splat(float(k) - 0.5f),
                                        Isa::loadCounts(limits + x + b * kLanes));
            }
            for (; k <= any; ++k) {
                const F weight = Isa::splat(weights[side * k]);
                for (int b = 0; b < kBlocks; ++b) {
                    const auto reads = Isa::negative(pastLimit[b]);
                    for (int c = 0; c < 3; ++c) {
                        const F tap = Isa::select(reads, load(c, b, side * k), centre[b][c]);
                        sum[b][c] = Isa::fma(tap, weight, sum[b][c]);
                    }
                    pastLimit[b] = Isa::add(pastLimit[b], Isa::splat(1.0f));
                }
            }
        }
        for (; k <= radius; ++k) {
            const F weight = Isa::splat(weights[side * k]);
            for (int b = 0; b < kBlocks; ++b) {
                for (int c = 0; c < 3; ++c) sum[b][c] = Isa::fma(centre[b][c], weight, sum[b][c]);
            }
        }
    };
    addSide(scratch.beforeLimit, -1);
    addSide(scratch.afterLimit, +1);
    for (int b = 0; b < kBlocks; ++b) put(x + b * kLanes, sum[b]);
}

// The horizontal sums of columns [first, first + count) of row y, kLanes
// pixels at a time: put(x, sums) takes those of columns first + x onwards
// (lanes past the segment hold sums of the padding).
template <class Isa, typename Sample, typename Put>
void smoothSegment(const FastJob& job, std::int32_t y, std::int32_t first, std::int32_t count,
                   const RowScratch& scratch, Put put) {
    constexpr std::int32_t kLanes = Isa::kLanes;
    const std::int32_t radius = job.radius;
    const std::uint8_t* labels = scratch.paddedLabels + radius;

    padSegment<Sample>(job, y, first, count, scratch);
    tapLimits<true>(
        labels, [&](std::int32_t k) { return labels - k; }, radius, count, scratch.beforeLimit);
    tapLimits<false>(
        labels, [&](std::int32_t k) { return labels + k; }, radius, count, scratch.afterLimit);

    std::int32_t x = 0;
    for (; x + 2 * kLanes <= count; x += 2 * kLanes) smoothBlocksOfRow<Isa, 2>(job, x, scratch, put);
    for (; x < count; x += kLanes) smoothBlocksOfRow<Isa, 1>(job, x, scratch, put);
}

// The horizontal sums of the rows in [firstRow, endRow) that the vertical
// pass takes from the working buffer (sumsInBuffer).
template <class Isa, typename Sample>
void smoothRowsOf(const FastJob& job, std::int32_t firstRow, std::int32_t endRow, void* memory) {
    using F = typename Isa::F;
    constexpr std::int32_t kLanes = Isa::kLanes;
    const std::int32_t width = job.width;
    const RowScratch scratch(memory, width, job.radius);
    for (std::int32_t y = firstRow; y < endRow; ++y) {
        if (!sumsInBuffer(job, y)) continue;
        smoothSegment<Isa, Sample>(job, y, 0, width, scratch, [&](std::int32_t x, const F (&sum)[3]) {
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
        });
    }
}

// Puts the source brightness back into kLanes smoothed colours and rounds
// them (engine/Luminance.cpp, lane by lane), leaving whole numbers within
// the sample range, as floats.
template <class Isa, int kMax>
void restoreLanes(const typename Isa::Wide (&sum)[3], typename Isa::F luminance,
                  typename Isa::F (&out)[3]) {
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
        // float(s + 0.5) as the plain path forms it, in double and then
        // rounded, equals s + 0.5f in float: that sum is exact in double
        // whenever |s| >= 2^-30, and below that both give 0.5. Clamped: the
        // same as testing s + 0.5 against the maximum first, since rounding
        // to float keeps order and the maximum is a float.
        const typename Isa::F rounded = Isa::add(shifted, Isa::splat(0.5f));
        out[c] = Isa::minF(Isa::maxF(rounded, Isa::splat(0.0f)), Isa::splat(float(kMax)));
    }
}

// Writes the restored pixels of a block: all of them at once where the
// instruction set can interleave the channels itself, else one by one,
// leaving out those that the mask leaves out.
template <class Isa, typename Sample>
void writePixels(const typename Isa::F (&rgb)[3], std::int32_t lanes, const std::uint8_t* mask,
                 Sample* out) {
    constexpr std::int32_t kLanes = Isa::kLanes;
    if constexpr (Isa::kWritesPixels) {
        bool all = lanes == kLanes;
        for (std::int32_t i = 0; all && mask && i < kLanes; ++i) all = mask[i] != 0;
        if (all) return Isa::writePixels(rgb, out);
    }
    std::int32_t values[3][kLanes];
    for (int c = 0; c < 3; ++c) Isa::truncate(rgb[c], values[c]);
    for (std::int32_t i = 0; i < lanes; ++i) {
        if (mask && mask[i] == 0) continue;
        for (int c = 0; c < 3; ++c) out[3 * i + c] = Sample(values[c][i]);
    }
}

// One worker's memory for the vertical pass (columnScratchBytes): a ring of
// 2 * radius + 1 rows of horizontal sums of a strip, as doubles, each
// converted or worked out once when the walk down the strip first reaches
// it rather than once per tap; the strip's luminance and tap limits above
// for the row being written, and its tap limits below for a run of rows;
// and room to work out a row's horizontal sums.
struct ColumnScratch {
    double* ring;  // slot, channel, column
    std::int32_t slots;
    float* luminance;
    std::uint8_t* beforeLimit;
    std::uint8_t* afterLimits;  // kLimitRows rows
    RowScratch rows;

    ColumnScratch(void* memory, std::int32_t radius)
        : slots(2 * radius + 1),
          rows(static_cast<unsigned char*>(memory) + columnScratchBytes(radius) -
                   rowScratchBytes(kStripColumns, radius),
               kStripColumns, radius) {
        ring = static_cast<double*>(memory);
        luminance = reinterpret_cast<float*>(ring + std::ptrdiff_t(slots) * 3 * kRingStride);
        beforeLimit = reinterpret_cast<std::uint8_t*>(luminance + kRingStride);
        afterLimits = beforeLimit + kRingStride;
    }

    double* rowOf(std::int32_t y) const {
        return ring + std::ptrdiff_t(y % slots) * 3 * kRingStride;
    }
    std::uint8_t* afterLimit(std::int32_t run) const {
        return afterLimits + std::ptrdiff_t(run) * kRingStride;
    }
};

// The horizontal sums of row y, columns [firstColumn, firstColumn + columns),
// into the ring as doubles; the spare lanes after them are zero.
inline void convertRow(const FastJob& job, std::int32_t y, std::int32_t firstColumn,
                       std::int32_t columns, const ColumnScratch& scratch) {
    double* __restrict row = scratch.rowOf(y);
    for (int c = 0; c < 3; ++c) {
        const float* __restrict sums = sumsPlane(job, y, c) + firstColumn;
        double* __restrict out = row + c * kRingStride;
        for (std::int32_t i = 0; i < columns; ++i) out[i] = double(sums[i]);
        for (std::int32_t i = columns; i < kRingStride; ++i) out[i] = 0.0;
    }
}

// extendLimits for the chunks of `Bytes` that fit in [x, columns) from x
// on; returns the column after them.
template <typename Bytes>
std::int32_t extendLimitChunks(const std::uint8_t* labels, const std::uint8_t* neighbourLabels,
                               const std::uint8_t* neighbourLimit, std::int32_t radius,
                               std::uint8_t stopped, std::int32_t x, std::int32_t columns,
                               std::uint8_t* limit) {
    constexpr std::int32_t kChunk = sizeof(Bytes);
    const Bytes longest = Bytes{} + std::uint8_t(radius);
    for (; x + kChunk <= columns; x += kChunk) {
        const Bytes longer = loadChunk<Bytes>(neighbourLimit + x) + 1;
        const Bytes walked = longer < longest ? longer : longest;
        const Bytes same = loadChunk<Bytes>(labels + x) == loadChunk<Bytes>(neighbourLabels + x);
        const Bytes result = same ? walked : Bytes{} + stopped;
        std::memcpy(limit + x, &result, sizeof result);
    }
    return x;
}

// The tap limits of a row from those of the row next to it on the same side
// (above for the taps above, below for the taps below): where the two
// labels agree, the walk is the neighbour's walk one tap longer, up to
// radius taps; where they differ it stops at once, with `stopped` taps
// reading a neighbour (1 above, where the tap that meets another label
// still reads it, 0 below). In chunks as tapLimits goes.
inline void extendLimits(const std::uint8_t* labels, const std::uint8_t* neighbourLabels,
                         const std::uint8_t* neighbourLimit, std::int32_t radius,
                         std::uint8_t stopped, std::int32_t columns, std::uint8_t* limit) {
    std::int32_t x = extendLimitChunks<Chunk8>(labels, neighbourLabels, neighbourLimit, radius,
                                               stopped, 0, columns, limit);
    x = extendLimitChunks<Bytes16>(labels, neighbourLabels, neighbourLimit, radius, stopped, x,
                                   columns, limit);
    for (; x < columns; ++x) {
        const std::int32_t longer = neighbourLimit[x] + 1;
        limit[x] = labels[x] == neighbourLabels[x] ? std::uint8_t(longer < radius ? longer : radius)
                                                   : stopped;
    }
    std::memset(limit + columns, 0, kMaxLanes);
}

// What the vertical sums of a block of pixels, from column x of a strip
// row on, read: taps[d] is the ring row that tap d reads when it reads its
// neighbour (-radius <= d <= radius), and each lane's limits decide which
// taps read the centre instead.
template <class Isa>
struct ColumnBlock {
    const double* const* taps;
    std::int32_t x;
    const std::uint8_t* beforeLimit;
    const std::uint8_t* afterLimit;
    typename Isa::Wide centre[3];

    typename Isa::Wide tap(std::int32_t d, int c) const {
        return Isa::loadW(taps[d] + c * kRingStride + x);
    }
};

// A block's vertical sums as the plain path forms them: in double, each
// pixel adding its taps in the reference order, rounding after each.
template <class Isa>
[[gnu::noinline]] void exactColumnSums(const FastJob& job, const ColumnBlock<Isa>& block,
                                       typename Isa::Wide (&sum)[3]) {
    using Wide = typename Isa::Wide;
    const std::int32_t radius = job.radius, x = block.x;
    const double* weights = job.wideWeights + radius;
    const Wide (&centre)[3] = block.centre;

    for (int c = 0; c < 3; ++c) {
        sum[c] = Isa::addProductW(Isa::splatW(0.0), Isa::splatW(weights[0]), centre[c]);
    }
    // One side's taps: those every lane reads from its neighbour, those some
    // lanes read, and those every lane takes from the centre.
    auto addSide = [&](const std::uint8_t* limits, std::int32_t side) {
        std::int32_t all, any;
        Isa::laneRange(limits + x, all, any);
        std::int32_t k = 1;
        for (; k <= all; ++k) {
            const Wide weight = Isa::splatW(weights[side * k]);
            for (int c = 0; c < 3; ++c) {
                sum[c] = Isa::addProductW(sum[c], weight, block.tap(side * k, c));
            }
        }
        if (k <= any) {
            // k - 1/2 - limit per lane, as in smoothBlocksOfRow.
            Wide pastLimit = Isa::subW(Isa::splatW(double(k) - 0.5), Isa::loadCountsW(limits + x));
            for (; k <= any; ++k) {
                const Wide weight = Isa::splatW(weights[side * k]);
                const auto reads = Isa::negativeW(pastLimit);
                for (int c = 0; c < 3; ++c) {
                    const Wide tap = Isa::selectW(reads, block.tap(side * k, c), centre[c]);
                    sum[c] = Isa::addProductW(sum[c], weight, tap);
                }
                pastLimit = Isa::addW(pastLimit, Isa::splatW(1.0));
            }
        }
        for (; k <= radius; ++k) {
            const Wide weight = Isa::splatW(weights[side * k]);
            for (int c = 0; c < 3; ++c) sum[c] = Isa::addProductW(sum[c], weight, centre[c]);
        }
    };
    addSide(block.beforeLimit, -1);
    addSide(block.afterLimit, +1);
}

// The same sums added in a shorter order, or false where that order might
// change the result.
//
// Only each sum rounded to float is used (restoreLanes). The sum of the
// taps that a pixel takes from its centre is (the sum of their weights) *
// centre, and the weights' sum is exact (FastJob::weightsPastAbove), so
// the taps past every lane's walk cost nothing here (in textured areas,
// most of them). The other taps are exact products, as in the plain
// order, added one by one. Every term is at least zero, so each order's
// sum lies within n * 2^-53 of the exact sum, relatively, where n
// counts its roundings: at most 2 * radius + 2 here and 2 * radius there.
// For a sum in [2^e, 2^(e+1)) the two are then less than 2^6 units in the
// last place (2^(e-52)) apart, and they round to different floats only if
// a point halfway between two floats lies between them. Blocks with a sum
// within 2^13 units of such a point take the plain order instead
// (nearFloatMidpointW): about one block in 1,400 on a noisy photograph.
template <class Isa>
[[gnu::always_inline]] inline bool reorderedColumnSums(const FastJob& job,
                                                       const ColumnBlock<Isa>& block,
                                                       typename Isa::Wide (&sum)[3]) {
    using Wide = typename Isa::Wide;
    const double* weights = job.wideWeights + job.radius;
    const std::int32_t x = block.x;
    // In registers: the caller's sums are in memory, for the plain order.
    Wide total[3];
    for (int c = 0; c < 3; ++c) total[c] = Isa::splatW(0.0);
    Wide centreWeight = Isa::splatW(weights[0]);
    // One side's taps up to the longest walk, each lane's weight zero past
    // its own walk. The weights of the taps that a lane takes from its
    // centre go to the centre's weight. (Taps that every lane reads from its
    // neighbour could skip the choice of weight, but a loop of their own
    // costs more in branches than it saves.)
    auto addSide = [&](const std::uint8_t* limits, std::int32_t side, const double* weightsPast) {
        const std::int32_t longest = Isa::laneMax(limits + x);
        Wide pastWeight = Isa::splatW(weightsPast[0]);
        // k - 1/2 - limit per lane, as in smoothBlocksOfRow.
        Wide pastLimit = Isa::subW(Isa::splatW(0.5), Isa::loadCountsW(limits + x));
        for (std::int32_t k = 1; k <= longest; ++k) {
            const Wide weight = Isa::selectW(Isa::negativeW(pastLimit),
                                             Isa::splatW(weights[side * k]), Isa::splatW(0.0));
            pastWeight = Isa::subW(pastWeight, weight);
            for (int c = 0; c < 3; ++c) {
                total[c] = Isa::addProductW(total[c], weight, block.tap(side * k, c));
            }
            pastLimit = Isa::addW(pastLimit, Isa::splatW(1.0));
        }
        centreWeight = Isa::addW(centreWeight, pastWeight);
    };
    addSide(block.beforeLimit, -1, job.weightsPastAbove);
    addSide(block.afterLimit, +1, job.weightsPastBelow);
    for (int c = 0; c < 3; ++c) {
        total[c] = Isa::addW(total[c], Isa::mulW(centreWeight, block.centre[c]));
        sum[c] = total[c];
    }
    return !(Isa::nearFloatMidpointW(total[0]) || Isa::nearFloatMidpointW(total[1]) ||
             Isa::nearFloatMidpointW(total[2]));
}

// The vertical sums, restoration and writes of the pixels in [x, x + lanes)
// of one strip row.
template <class Isa, typename Sample>
void smoothBlock(const FastJob& job, const double* const* taps, std::int32_t x, std::int32_t lanes,
                 const std::uint8_t* beforeLimit, const std::uint8_t* afterLimit,
                 const float* luminance, const std::uint8_t* mask, Sample* out) {
    constexpr int kMax = sizeof(Sample) == 1 ? 255 : 65535;
    ColumnBlock<Isa> block{taps, x, beforeLimit, afterLimit, {}};
    for (int c = 0; c < 3; ++c) block.centre[c] = block.tap(0, c);
    typename Isa::Wide sum[3];
    if (!job.weightsPastAbove || !reorderedColumnSums<Isa>(job, block, sum)) {
        exactColumnSums<Isa>(job, block, sum);
    }
    typename Isa::F restored[3];
    restoreLanes<Isa, kMax>(sum, Isa::load(luminance + x), restored);
    writePixels<Isa, Sample>(restored, lanes, mask ? mask + x : nullptr, out + 3 * std::ptrdiff_t(x));
}

// Row y of the strip [firstColumn, firstColumn + columns), whose ring holds
// every row its taps reach, with its tap limits.
template <class Isa, typename Sample>
void smoothStripRow(const FastJob& job, std::int32_t y, std::int32_t firstColumn,
                    std::int32_t columns, const ColumnScratch& scratch,
                    const std::uint8_t* afterLimit) {
    constexpr std::int32_t kLanes = Isa::kLanes;
    const std::int32_t height = job.height, radius = job.radius;
    const std::uint8_t* mask =
        job.mask ? job.mask + std::ptrdiff_t(y) * job.maskRowBytes + firstColumn : nullptr;
    // Above the image a tap reads the centre row, below it the last row.
    const double* rows[2 * kMaxRadius + 1];
    const double** taps = rows + radius;
    for (std::int32_t d = -radius; d <= radius; ++d) {
        const std::int32_t tapRow =
            d < 0 ? (y + d < 0 ? y : y + d) : (y + d < height ? y + d : height - 1);
        taps[d] = scratch.rowOf(tapRow);
    }
    const Sample* luminance =
        static_cast<const Sample*>(job.luminance) + std::ptrdiff_t(y) * job.width + firstColumn;
    for (std::int32_t i = 0; i < columns; ++i) scratch.luminance[i] = float(luminance[i]);
    Sample* out = destinationRow<Sample>(job, y) + 3 * std::ptrdiff_t(firstColumn);

    for (std::int32_t x = 0; x < columns; x += kLanes) {
        const std::int32_t lanes = columns - x < kLanes ? columns - x : kLanes;
        if (mask) {
            bool any = false;
            for (std::int32_t i = 0; i < lanes; ++i) any = any || mask[x + i] != 0;
            if (!any) continue;
        }
        smoothBlock<Isa, Sample>(job, taps, x, lanes, scratch.beforeLimit, afterLimit,
                                 scratch.luminance, mask, out);
    }
}

// Puts row y of the strip's horizontal sums into the ring: from the
// working buffer if they are there, else worked out now.
template <class Isa, typename Sample>
void fillRing(const FastJob& job, std::int32_t y, std::int32_t firstColumn, std::int32_t columns,
              const ColumnScratch& scratch) {
    if (sumsInBuffer(job, y)) return convertRow(job, y, firstColumn, columns, scratch);
    double* row = scratch.rowOf(y);
    smoothSegment<Isa, Sample>(
        job, y, firstColumn, columns, scratch.rows,
        [&](std::int32_t x, const typename Isa::F (&sum)[3]) {
            for (int c = 0; c < 3; ++c) Isa::storeW(row + c * kRingStride + x, Isa::widen(sum[c]));
        });
}

// Rows [firstRow, endRow) of the strip [firstColumn, firstColumn + columns).
// The first row's tap limits above, and the last row's below, come from
// walking the labels; every other row's from its neighbour's.
template <class Isa, typename Sample>
void smoothStrip(const FastJob& job, std::int32_t firstRow, std::int32_t endRow,
                 std::int32_t firstColumn, std::int32_t columns, const ColumnScratch& scratch) {
    const std::int32_t width = job.width, radius = job.radius, lastRow = job.height - 1;
    auto labelsOf = [&](std::int32_t y) {
        return job.labels + std::ptrdiff_t(y) * width + firstColumn;
    };
    std::int32_t nextRow = firstRow > radius ? firstRow - radius : 0;  // the next to convert
    for (std::int32_t run = firstRow; run < endRow; run += kLimitRows) {
        const std::int32_t runEnd = endRow - run < kLimitRows ? endRow : run + kLimitRows;
        const std::int32_t last = runEnd - 1;
        const std::uint8_t* lastLabels = labelsOf(last);
        tapLimits<false>(
            lastLabels,
            [&](std::int32_t k) {
                return lastLabels + std::ptrdiff_t(last + k < lastRow ? k : lastRow - last) * width;
            },
            radius, columns, scratch.afterLimit(last - run));
        for (std::int32_t y = last - 1; y >= run; --y) {
            extendLimits(labelsOf(y), labelsOf(y + 1), scratch.afterLimit(y + 1 - run), radius, 0,
                         columns, scratch.afterLimit(y - run));
        }
        for (std::int32_t y = run; y < runEnd; ++y) {
            const std::int32_t lowest = y + radius < lastRow ? y + radius : lastRow;
            for (; nextRow <= lowest; ++nextRow) {
                fillRing<Isa, Sample>(job, nextRow, firstColumn, columns, scratch);
            }
            if (y == firstRow) {
                const std::uint8_t* labels = labelsOf(y);
                tapLimits<true>(
                    labels, [&](std::int32_t k) { return labels - std::ptrdiff_t(k) * width; },
                    y < radius ? y : radius, columns, scratch.beforeLimit);
            } else {
                extendLimits(labelsOf(y), labelsOf(y - 1), scratch.beforeLimit, radius, 1, columns,
                             scratch.beforeLimit);
            }
            smoothStripRow<Isa, Sample>(job, y, firstColumn, columns, scratch,
                                        scratch.afterLimit(y - run));
        }
    }
}

template <class Isa, typename Sample>
void smoothColumnsOf(const FastJob& job, std::int32_t firstRow, std::int32_t endRow,
                     std::int32_t strip, void* memory) {
    const ColumnScratch scratch(memory, job.radius);
    const std::int32_t firstColumn = firstWrittenColumn(job) + strip * kStripColumns;
    const std::int32_t columns =
        job.width - firstColumn < kStripColumns ? job.width - firstColumn : kStripColumns;
    if (job.lastSkippedRow >= firstRow) firstRow = job.lastSkippedRow + 1;
    smoothStrip<Isa, Sample>(job, firstRow, endRow, firstColumn, columns, scratch);
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
                       std::int32_t strip, void* scratch) {
    if (job.sixteenBit) {
        smoothColumnsOf<Isa, std::uint16_t>(job, firstRow, endRow, strip, scratch);
    } else {
        smoothColumnsOf<Isa, std::uint8_t>(job, firstRow, endRow, strip, scratch);
    }
}

template <class Isa>
bool anyNearFloatMidpoint(const double* sums) {
    bool near = false;
    for (std::int32_t i = 0; i < kMaxLanes; i += Isa::kLanes) {
        near = Isa::nearFloatMidpointW(Isa::loadW(sums + i)) || near;
    }
    return near;
}

// Everything of one path, for the table that the pipeline calls through.
template <class Isa>
constexpr PathKernels kernelsFor() {
    return PathKernels{&computeLuminanceRows,   &markContourRows,     &despeckleLabelRows,
                       &despeckleLuminanceRows, &smoothRowsWith<Isa>, &smoothColumnsWith<Isa>,
                       &anyNearFloatMidpoint<Isa>};
}

}  // namespace
}  // namespace hushpix::fast
