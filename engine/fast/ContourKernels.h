// The fast path's luminance plane and region map: the same integers as
// engine/Contours.cpp, a band of rows at a time so that the work can be
// shared between threads, and the despeckle passes. Compiled once per
// instruction set, like SmoothingKernels.h, and with internal linkage for
// the same reason.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#if defined(__AVX2__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/fast/ContourRule.h"
#include "engine/fast/FastJob.h"
#include "engine/fast/RowAccess.h"

namespace hushpix::fast {
namespace {

// The loops below keep what they need in restricted locals: a store through
// a byte pointer may alias anything, which would otherwise make the
// compiler reload the job's fields on every pixel and give up vectorising.
template <typename Sample>
void luminanceRows(const FastJob& job, std::int32_t firstRow, std::int32_t endRow) {
    const std::int32_t width = job.width;
    for (std::int32_t y = firstRow; y < endRow; ++y) {
        const Sample* __restrict row = sourceRow<Sample>(job, y);
        Sample* __restrict out = static_cast<Sample*>(job.luminance) + std::ptrdiff_t(y) * width;
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t r = row[3 * x], g = row[3 * x + 1], b = row[3 * x + 2];
            out[x] = Sample((30 * r + 59 * g + 11 * b) / 100);
        }
    }
}

// The first channel whose response passes decides the label.
inline std::uint8_t labelFor(const std::int64_t (&acc)[3], std::int64_t bound) {
    for (int c = 0; c < 3; ++c) {
        if (acc[c] > bound) return 255;
        if (acc[c] < -bound) return 128;
    }
    return 0;
}

// The label from the verdicts of the three channels, 9 * first + 3 * second
// + third, each 0 (inside the threshold), 1 (below) or 2 (above): the first
// channel outside decides.
constexpr std::uint8_t labelOfVerdicts(int verdicts) {
    const int channels[3] = {verdicts / 9, verdicts / 3 % 3, verdicts % 3};
    for (int verdict : channels) {
        if (verdict != 0) return verdict == 2 ? 255 : 128;
    }
    return 0;
}

struct VerdictLabels {
    std::uint8_t label[27];
    constexpr VerdictLabels() : label() {
        for (int verdicts = 0; verdicts < 27; ++verdicts)
            label[verdicts] = labelOfVerdicts(verdicts);
    }
};

constexpr VerdictLabels kVerdictLabels;

// Sixteen bytes (labels, verdicts, counts): GCC's generic vectors, which
// every target has.
typedef std::uint8_t Bytes16 __attribute__((vector_size(16)));

// One of these generic vectors (Bytes16, or the chunks below), loaded from
// any address.
template <typename Chunk, typename Sample>
Chunk loadChunk(const Sample* p) {
    Chunk chunk;
    std::memcpy(&chunk, p, sizeof chunk);
    return chunk;
}

// The labels of sixteen pixels from their 48 verdicts, R, G, B for each in
// turn: the channels are first gathered apart.
inline Bytes16 labelsOfVerdicts(const std::uint8_t* verdicts) {
    const Bytes16 a = loadChunk<Bytes16>(verdicts), b = loadChunk<Bytes16>(verdicts + 16),
                  c = loadChunk<Bytes16>(verdicts + 32);
    // Channel k of pixel p is byte 3p + k of a:b:c; from a and b first
    // (indices 0..31), then the rest from c (16 + its index into c).
    const Bytes16 channel[3] = {
        __builtin_shufflevector(
            __builtin_shufflevector(a, b, 0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 30, 0, 0, 0, 0, 0),
            c, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 17, 20, 23, 26, 29),
        __builtin_shufflevector(
            __builtin_shufflevector(a, b, 1, 4, 7, 10, 13, 16, 19, 22, 25, 28, 31, 0, 0, 0, 0, 0),
            c, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 18, 21, 24, 27, 30),
        __builtin_shufflevector(
            __builtin_shufflevector(a, b, 2, 5, 8, 11, 14, 17, 20, 23, 26, 29, 0, 0, 0, 0, 0, 0),
            c, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 16, 19, 22, 25, 28, 31),
    };
    Bytes16 label = Bytes16{};
    Bytes16 open = Bytes16{} - 1;  // no channel has decided yet
    for (const Bytes16& verdict : channel) {
        const Bytes16 mark = (verdict == 2 ? Bytes16{} + 255 : Bytes16{}) |
                             (verdict == 1 ? Bytes16{} + 128 : Bytes16{});
        label |= mark & open;
        open &= verdict == 0 ? Bytes16{} - 1 : Bytes16{};
    }
    return label;
}

// A chunk of a plane: GCC's generic vectors, which every target has, as
// wide as the target's integer vectors.
#if defined(__AVX2__)
constexpr std::size_t kChunkBytes = 32;
#else
constexpr std::size_t kChunkBytes = 16;
#endif
typedef std::uint8_t Chunk8 __attribute__((vector_size(kChunkBytes)));
typedef std::uint16_t Chunk16 __attribute__((vector_size(kChunkBytes)));
template <typename Sample>
using ChunkOf = std::conditional_t<sizeof(Sample) == 1, Chunk8, Chunk16>;

// Each sample's verdict in [6, samples - 6): 2 where 25 * centre - box
// is above limit, 1 where it is below -limit (limit >= 0), else 0.
template <typename Sample, typename Sum>
void verdictsOfRow(const Sample* __restrict centre, const Sum* __restrict sums, Sum limit,
                   std::int32_t samples, std::uint8_t* __restrict verdicts) {
    std::int32_t i = 6;
    if constexpr (sizeof(Sum) == 2) {
        // Written sample by sample, the comparisons of 16-bit sums promote
        // to int, and the compiler works them out in vectors of int32:
        // half as many lanes as these.
        typedef std::int16_t Sums __attribute__((vector_size(kChunkBytes)));
        typedef std::uint8_t Bytes __attribute__((vector_size(kChunkBytes / 2)));
        constexpr std::int32_t kLanes = kChunkBytes / 2;
        const Sums above = Sums{} + limit, below = Sums{} - limit;
        auto at = [&](std::int32_t j) { return loadChunk<Sums>(sums + j); };
        for (; i + kLanes <= samples - 6; i += kLanes) {
            const Sums box = at(i - 6) + at(i - 3) + at(i) + at(i + 3) + at(i + 6);
            const Sums response =
                (Sums{} + 25) * __builtin_convertvector(loadChunk<Bytes>(centre + i), Sums) - box;
            const Sums verdict = ((response > above) & 2) | ((response < below) & 1);
            const Bytes bytes = __builtin_convertvector(verdict, Bytes);
            std::memcpy(verdicts + i, &bytes, sizeof bytes);
        }
    }
    for (; i < samples - 6; ++i) {
        const Sum box = Sum(sums[i - 6] + sums[i - 3] + sums[i] + sums[i + 3] + sums[i + 6]);
        const Sum response = Sum(25 * Sum(centre[i]) - box);
        verdicts[i] = std::uint8_t((response > limit ? 2 : 0) + (response < -limit ? 1 : 0));
    }
}

// With the usual kernel the response is 25 * centre - (5x5 box sum), and
// the box sums come from running column sums: exact in integers, 16-bit
// ones for 8-bit samples (25 * 255 is far from their limit, and a vector
// holds twice as many), 32-bit ones for 16-bit samples. Each sample gets a
// verdict first, in one straight loop over the row; then each pixel's
// label, sixteen at a time.
template <typename Sample>
void markRowsWithBox(const FastJob& job, std::int64_t bound, std::int32_t firstRow,
                     std::int32_t endRow, void* scratch) {
    using Sum = std::conditional_t<sizeof(Sample) == 1, std::int16_t, std::int32_t>;
    constexpr std::int64_t kLargest = sizeof(Sample) == 1 ? INT16_MAX : INT32_MAX;
    const std::int32_t width = job.width;
    const std::int32_t samples = 3 * width;
    const Sum limit = Sum(bound < kLargest ? bound : kLargest);
    Sum* __restrict sums = static_cast<Sum*>(scratch);
    std::uint8_t* __restrict verdicts =
        reinterpret_cast<std::uint8_t*>(static_cast<std::int32_t*>(scratch) + samples);
    for (std::int32_t i = 0; i < samples; ++i) {
        Sum sum = 0;
        for (std::int32_t dy = -2; dy <= 2; ++dy) sum += sourceRow<Sample>(job, firstRow + dy)[i];
        sums[i] = sum;
    }
    for (std::int32_t y = firstRow; y < endRow; ++y) {
        if (y > firstRow) {
            const Sample* __restrict leaving = sourceRow<Sample>(job, y - 3);
            const Sample* __restrict entering = sourceRow<Sample>(job, y + 2);
            for (std::int32_t i = 0; i < samples; ++i) {
                sums[i] = Sum(sums[i] + Sum(entering[i]) - Sum(leaving[i]));
            }
        }
        verdictsOfRow(sourceRow<Sample>(job, y), sums, limit, samples, verdicts);
        std::uint8_t* __restrict labels = job.labels + std::ptrdiff_t(y) * width;
        std::int32_t x = 2;
        for (; x + 16 <= width - 2; x += 16) {
            const Bytes16 chunk = labelsOfVerdicts(verdicts + 3 * x);
            std::memcpy(labels + x, &chunk, sizeof chunk);
        }
        for (; x <= width - 3; ++x) {
            const std::uint8_t* v = verdicts + 3 * x;
            labels[x] = kVerdictLabels.label[9 * v[0] + 3 * v[1] + v[2]];
        }
    }
}

// Any other kernel: the direct 5x5 sums, as the reference forms them.
template <typename Sample>
void markRowsWithKernel(const FastJob& job, const ContourRule& rule, std::int32_t firstRow,
                        std::int32_t endRow) {
    for (std::int32_t y = firstRow; y < endRow; ++y) {
        std::uint8_t* labels = job.labels + std::ptrdiff_t(y) * job.width;
        for (std::int32_t x = 2; x <= job.width - 3; ++x) {
            std::int64_t acc[3] = {0, 0, 0};
            for (int dx = -2; dx <= 2; ++dx) {
                for (int dy = -2; dy <= 2; ++dy) {
                    const std::int64_t weight = rule.kernel[5 * (dx + 2) + (dy + 2)];
                    const Sample* pixel = sourceRow<Sample>(job, y + dy) + 3 * (x + dx);
                    for (int c = 0; c < 3; ++c) acc[c] += weight * pixel[c];
                }
            }
            for (std::int64_t& channel : acc) channel *= rule.multiplier;
            labels[x] = labelFor(acc, rule.scaledBound);
        }
    }
}

template <typename Sample>
void markRows(const FastJob& job, const ContourRule& rule, std::int32_t firstRow,
              std::int32_t endRow, void* scratch) {
    for (std::int32_t y = firstRow; y < endRow; ++y) {
        std::memset(job.labels + std::ptrdiff_t(y) * job.width, 0, std::size_t(job.width));
    }
    if (!rule.enabled || job.width < 5) return;
    const std::int32_t first = firstRow > 2 ? firstRow : 2;
    const std::int32_t end = endRow < job.height - 2 ? endRow : job.height - 2;
    if (first >= end) return;
    if (rule.boxKernel) {
        markRowsWithBox<Sample>(job, rule.bound, first, end, static_cast<std::int32_t*>(scratch));
    } else {
        markRowsWithKernel<Sample>(job, rule, first, end);
    }
}

// The chunks that the despeckle works in: x86 compares signed integers in
// one instruction, unsigned ones only in three, so the samples are offset
// by half their range to signed integers, wherever the instruction set has
// their signed minimum and maximum too (for bytes, from SSE4.1 on).
typedef std::int8_t SignedChunk8 __attribute__((vector_size(kChunkBytes)));
typedef std::int16_t SignedChunk16 __attribute__((vector_size(kChunkBytes)));
#if defined(__SSE4_1__)
using DespeckleChunk8 = SignedChunk8;
#else
using DespeckleChunk8 = Chunk8;
#endif
template <typename Sample>
using DespeckleChunkOf = std::conditional_t<sizeof(Sample) == 1, DespeckleChunk8, SignedChunk16>;

// a - b, wrapping round as unsigned integers do: chunks of signed lanes
// subtract as their unsigned counterparts, since a signed lane must not
// overflow.
inline SignedChunk8 wrappingDifference(SignedChunk8 a, SignedChunk8 b) {
    return SignedChunk8(Chunk8(a) - Chunk8(b));
}
inline SignedChunk16 wrappingDifference(SignedChunk16 a, SignedChunk16 b) {
    return SignedChunk16(Chunk16(a) - Chunk16(b));
}
template <typename T>
T wrappingDifference(T a, T b) {
    return T(a - b);
}

// The type of one lane of a chunk.
template <typename Chunk>
using LaneOf = std::remove_cv_t<std::remove_reference_t<decltype(Chunk{}[0])>>;

// Whether any lane of a comparison's result is true.
template <typename Mask>
bool anyLane(Mask mask) {
#if defined(__AVX2__)
    __m256i bits;
    std::memcpy(&bits, &mask, sizeof bits);
    return !_mm256_testz_si256(bits, bits);
#elif defined(__SSE2__)
    __m128i bits;
    std::memcpy(&bits, &mask, sizeof bits);
    return _mm_movemask_epi8(bits) != 0;
#else
    for (std::size_t i = 0; i < sizeof mask / sizeof mask[0]; ++i) {
        if (mask[i]) return true;
    }
    return false;
#endif
}

// The lanes of `chunk` moved up by one, with lane 0 of `first` in lane 0.
template <typename Chunk, std::size_t... kLane>
Chunk shiftInLanes(Chunk chunk, Chunk first, std::index_sequence<kLane...>) {
    constexpr int kLanes = sizeof(Chunk) / sizeof(chunk[0]);
    return __builtin_shufflevector(chunk, first, (kLane == 0 ? kLanes : int(kLane) - 1)...);
}

template <typename Chunk>
Chunk shiftInLanes(Chunk chunk, Chunk first) {
    constexpr std::size_t kLanes = sizeof(Chunk) / sizeof(chunk[0]);
    return shiftInLanes(chunk, first, std::make_index_sequence<kLanes>());
}

// The smaller and the larger of two samples, or of two chunks lane by lane.
template <typename T>
T smaller(T a, T b) {
    return a < b ? a : b;
}
template <typename T>
T larger(T a, T b) {
    return a < b ? b : a;
}

// The smallest and largest of the seven neighbours other than p3. A centre
// within them is never replaced, whatever its left neighbour.
template <typename T>
struct RangeWithoutLeft {
    T lo, hi;

    RangeWithoutLeft(T p0, T p1, T p2, T p5, T p6, T p7, T p8)
        : lo(smaller(smaller(smaller(p0, p1), smaller(p2, p5)), smaller(smaller(p6, p7), p8))),
          hi(larger(larger(larger(p0, p1), larger(p2, p5)), larger(larger(p6, p7), p8))) {}
};

// What maps samples, and their differences (0 up to their range), into
// the order of the type they are held in: the sign bit for chunks of
// signed lanes, nothing for samples as they are.
template <typename T>
T signedOffset() {
    if constexpr (!std::is_scalar_v<T>) {
        if constexpr (std::is_signed_v<LaneOf<T>>) {
            return T{} + LaneOf<T>(-(1 << (sizeof(LaneOf<T>) * 8 - 1)));
        }
    }
    return T{};
}

// The despeckle rule on nine samples p0..p8 (p4 the centre), written once
// for single samples and for chunks of them: the centre is replaced only
// when it is strictly above or below all eight neighbours, by the mean of
// the most similar pair of opposite neighbours. A pair wins only with a
// difference strictly below the other three, else the vertical pair does.
// Without branches: which pair wins is as good as random.
//
// It is split in two because a pass in place feeds each replacement into
// the next pixel as its left neighbour p3: what the other eight samples
// give is worked out once, and the verdict for a given left neighbour is
// cheap to redo.
template <typename T>
struct DespeckleWithoutLeft {
    T lo, hi;  // of the seven neighbours other than p3
    T centre, right;
    T d0, d1, d3;    // the differences of the pairs without p3
    T mean0, mean1, mean3;
    T d0Below1, d1Below0;  // d0 < d1 and d1 < d0, as masks or booleans
    T d0Below3, d1Below3, d3Below0, d3Below1;

    // Differences compare with each other, so they keep the samples' offset.
    static T difference(T a, T b) {
        return T(wrappingDifference(larger(a, b), smaller(a, b)) ^ signedOffset<T>());
    }
    // (a + b) / 2 without leaving the sample type (rounding down, offset or
    // not: the shifts of signed chunks keep the sign).
    static T mean(T a, T b) { return T((a >> 1) + (b >> 1) + (a & b & 1)); }

    DespeckleWithoutLeft(const RangeWithoutLeft<T>& range, T p0, T p1, T p2, T p4, T p5, T p6,
                         T p7, T p8)
        : lo(range.lo),
          hi(range.hi),
          centre(p4),
          right(p5),
          d0(difference(p8, p0)),
          d1(difference(p6, p2)),
          d3(difference(p7, p1)),
          mean0(mean(p8, p0)),
          mean1(mean(p6, p2)),
          mean3(mean(p7, p1)),
          d0Below1(d0 < d1),
          d1Below0(d1 < d0),
          d0Below3(d0 < d3),
          d1Below3(d1 < d3),
          d3Below0(d3 < d0),
          d3Below1(d3 < d1) {}

    T withLeft(T p3) const {
        const T d2 = difference(right, p3);
        const T first = d0Below1 & T(d0 < d2) & d0Below3;
        const T second = d1Below0 & T(d1 < d2) & d1Below3;
        const T third = T(d2 < d0) & T(d2 < d1) & T(d2 < d3);
        const T replacement = first ? mean0 : second ? mean1 : third ? mean(right, p3) : mean3;
        return (T(centre < smaller(lo, p3)) | T(centre > larger(hi, p3))) ? replacement : centre;
    }
};

template <typename T>
T despeckled(T p0, T p1, T p2, T p3, T p4, T p5, T p6, T p7, T p8) {
    const RangeWithoutLeft<T> range(p0, p1, p2, p5, p6, p7, p8);
    return DespeckleWithoutLeft<T>(range, p0, p1, p2, p4, p5, p6, p7, p8).withLeft(p3);
}

// In place along one row, despeckling pixels [firstColumn, endColumn) in
// chunks. Every pixel of a chunk is despeckled with the left neighbour it
// had last time round, starting from the row as it stood; each time, each
// pixel's left neighbour becomes the result for the pixel before. The
// first pixel's left neighbour is final from the start, so after i rounds
// the first i pixels are, and once a round changes no left neighbour that
// matters the chunk is what despeckling pixel by pixel in order would give
// (the sequence has one solution). A centre within its other seven
// neighbours stays as it is whatever its left neighbour, so only the left
// neighbours of the other centres matter. Replacements seldom follow one
// another, so a few rounds suffice; and a chunk whose centres all lie
// within their other seven neighbours, as most of a region map away from
// contours does, stays as it is.
template <typename Sample>
void despeckleRowSpan(Sample* plane, std::int32_t width, std::int32_t y, std::int32_t firstColumn,
                      std::int32_t endColumn) {
    using Chunk = ChunkOf<Sample>;
    using Work = DespeckleChunkOf<Sample>;
    constexpr std::int32_t kChunk = sizeof(Chunk) / sizeof(Sample);
    const Work offset = signedOffset<Work>();
    const Sample* above = plane + std::ptrdiff_t(y - 1) * width;
    Sample* row = plane + std::ptrdiff_t(y) * width;
    const Sample* below = plane + std::ptrdiff_t(y + 1) * width;
    auto load = [offset](const Sample* p) { return Work(loadChunk<Chunk>(p)) ^ offset; };
    std::int32_t x = firstColumn;
    for (; x + kChunk <= endColumn; x += kChunk) {
        const Work p0 = load(above + x - 1), p1 = load(above + x), p2 = load(above + x + 1),
                   p4 = load(row + x), p5 = load(row + x + 1), p6 = load(below + x - 1),
                   p7 = load(below + x), p8 = load(below + x + 1);
        const RangeWithoutLeft<Work> range(p0, p1, p2, p5, p6, p7, p8);
        const auto outside = (p4 < range.lo) | (p4 > range.hi);
        if (!anyLane(outside)) continue;
        const DespeckleWithoutLeft<Work> rule(range, p0, p1, p2, p4, p5, p6, p7, p8);
        // Each pixel's left neighbour as the row stands: the chunk moved up
        // a lane behind the pixel before it. A load from x - 1 would overlap
        // the chunk just stored, which a CPU cannot forward to it and must
        // first write to the cache.
        const Work first = Work(Chunk{} + row[x - 1]) ^ offset;
        Work left = shiftInLanes(p4, first);
        Work result;
        for (;;) {
            result = rule.withLeft(left);
            const Work next = shiftInLanes(result, first);
            if (!anyLane((next != left) & outside)) break;
            left = next;
        }
        const Chunk stored = Chunk(result ^ offset);
        std::memcpy(row + x, &stored, sizeof stored);
    }
    for (; x < endColumn; ++x) {
        row[x] = despeckled<Sample>(above[x - 1], above[x], above[x + 1], row[x - 1], row[x],
                                    row[x + 1], below[x - 1], below[x], below[x + 1]);
    }
}

// Writes the luminance of rows [firstRow, endRow).
void computeLuminanceRows(const FastJob& job, std::int32_t firstRow, std::int32_t endRow) {
    if (job.sixteenBit) {
        luminanceRows<std::uint16_t>(job, firstRow, endRow);
    } else {
        luminanceRows<std::uint8_t>(job, firstRow, endRow);
    }
}

// Writes the region map of rows [firstRow, endRow): zero, or a contour
// mark. `scratch` holds contourScratchBytes(width), aligned for int32.
void markContourRows(const FastJob& job, const ContourRule& rule, std::int32_t firstRow,
                     std::int32_t endRow, void* scratch) {
    if (job.sixteenBit) {
        markRows<std::uint16_t>(job, rule, firstRow, endRow, scratch);
    } else {
        markRows<std::uint8_t>(job, rule, firstRow, endRow, scratch);
    }
}

// The in-place despeckle of rows [firstRow, endRow) of a plane, row by row
// as the reference does it; the outermost ring never changes. Rows must be
// given in order, each range after the one before.
template <typename Sample>
void despeckleRows(Sample* plane, std::int32_t width, std::int32_t height, std::int32_t firstRow,
                   std::int32_t endRow) {
    if (width < 3) return;
    const std::int32_t first = firstRow > 1 ? firstRow : 1;
    const std::int32_t end = endRow < height - 1 ? endRow : height - 1;
    for (std::int32_t y = first; y < end; ++y) despeckleRowSpan(plane, width, y, 1, width - 1);
}

void despeckleLabelRows(const FastJob& job, std::int32_t firstRow, std::int32_t endRow) {
    despeckleRows(job.labels, job.width, job.height, firstRow, endRow);
}

void despeckleLuminanceRows(const FastJob& job, std::int32_t firstRow, std::int32_t endRow) {
    if (job.sixteenBit) {
        despeckleRows(static_cast<std::uint16_t*>(job.luminance), job.width, job.height, firstRow,
                      endRow);
    } else {
        despeckleRows(static_cast<std::uint8_t*>(job.luminance), job.width, job.height, firstRow,
                      endRow);
    }
}

}  // namespace
}  // namespace hushpix::fast
