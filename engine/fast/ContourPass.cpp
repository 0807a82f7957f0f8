#include "engine/fast/ContourPass.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <type_traits>

namespace hushpix::fast {

namespace {

template <typename Sample>
const Sample* sourceRow(const FastJob& job, std::int32_t y) {
    return reinterpret_cast<const Sample*>(static_cast<const char*>(job.source) +
                                           job.sourceRowBytes * y);
}

template <typename Sample>
void luminanceRows(const FastJob& job, std::int32_t firstRow, std::int32_t endRow) {
    for (std::int32_t y = firstRow; y < endRow; ++y) {
        const Sample* row = sourceRow<Sample>(job, y);
        Sample* out = static_cast<Sample*>(job.luminance) + std::ptrdiff_t(y) * job.width;
        for (std::int32_t x = 0; x < job.width; ++x) {
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
        for (int verdicts = 0; verdicts < 27; ++verdicts) label[verdicts] = labelOfVerdicts(verdicts);
    }
};

constexpr VerdictLabels kVerdictLabels;

// With the usual kernel the response is 25 * centre - (5x5 box sum), and
// the box sums come from running column sums: exact in 32-bit integers
// (25 * 65535 is far from overflow). Each sample gets a verdict first, in
// one straight loop over the row; then each pixel's label.
template <typename Sample>
void markRowsWithBox(const FastJob& job, std::int64_t bound, std::int32_t firstRow,
                     std::int32_t endRow, std::int32_t* columnSums) {
    const std::int32_t samples = 3 * job.width;
    const std::int32_t limit = std::int32_t(std::min<std::int64_t>(bound, INT32_MAX));
    std::uint8_t* verdicts = reinterpret_cast<std::uint8_t*>(columnSums + samples);
    for (std::int32_t i = 0; i < samples; ++i) {
        std::int32_t sum = 0;
        for (std::int32_t dy = -2; dy <= 2; ++dy) sum += sourceRow<Sample>(job, firstRow + dy)[i];
        columnSums[i] = sum;
    }
    for (std::int32_t y = firstRow; y < endRow; ++y) {
        if (y > firstRow) {
            const Sample* leaving = sourceRow<Sample>(job, y - 3);
            const Sample* entering = sourceRow<Sample>(job, y + 2);
            for (std::int32_t i = 0; i < samples; ++i) {
                columnSums[i] += std::int32_t(entering[i]) - std::int32_t(leaving[i]);
            }
        }
        const Sample* centre = sourceRow<Sample>(job, y);
        for (std::int32_t i = 6; i < samples - 6; ++i) {
            const std::int32_t box = columnSums[i - 6] + columnSums[i - 3] + columnSums[i] +
                                     columnSums[i + 3] + columnSums[i + 6];
            const std::int32_t response = 25 * std::int32_t(centre[i]) - box;
            verdicts[i] = std::uint8_t((response > limit ? 2 : 0) + (response < -limit ? 1 : 0));
        }
        std::uint8_t* labels = job.labels + std::ptrdiff_t(y) * job.width;
        for (std::int32_t x = 2; x <= job.width - 3; ++x) {
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
    const std::int32_t first = std::max(firstRow, 2);
    const std::int32_t end = std::min(endRow, job.height - 2);
    if (first >= end) return;
    if (rule.boxKernel) {
        markRowsWithBox<Sample>(job, rule.bound, first, end, static_cast<std::int32_t*>(scratch));
    } else {
        markRowsWithKernel<Sample>(job, rule, first, end);
    }
}

template <typename Sample>
Sample absoluteDifference(Sample a, Sample b) {
    return a > b ? Sample(a - b) : Sample(b - a);
}

template <typename Sample>
bool despecklePixelAt(Sample* row, const Sample* above, const Sample* below, std::int32_t x) {
    const Sample p0 = above[x - 1], p1 = above[x], p2 = above[x + 1];
    const Sample p3 = row[x - 1], p4 = row[x], p5 = row[x + 1];
    const Sample p6 = below[x - 1], p7 = below[x], p8 = below[x + 1];
    const Sample hi = std::max({p0, p1, p2, p3, p5, p6, p7, p8});
    const Sample lo = std::min({p0, p1, p2, p3, p5, p6, p7, p8});
    if (lo <= p4 && p4 <= hi) return false;

    // Opposite pairs in order of preference; a pair wins only with a
    // difference strictly below the other three, else the vertical pair.
    // Chosen without branches: which pair wins is as good as random.
    const Sample d0 = absoluteDifference(p8, p0), d1 = absoluteDifference(p6, p2);
    const Sample d2 = absoluteDifference(p5, p3), d3 = absoluteDifference(p7, p1);
    const bool first = (d0 < d1) & (d0 < d2) & (d0 < d3);
    const bool second = (d1 < d0) & (d1 < d2) & (d1 < d3);
    const bool third = (d2 < d0) & (d2 < d1) & (d2 < d3);
    const std::uint32_t a = first ? p8 : second ? p6 : third ? p5 : p7;
    const std::uint32_t b = first ? p0 : second ? p2 : third ? p3 : p1;
    const Sample replacement = Sample((a + b) / 2);
    row[x] = replacement;
    return replacement != p4;
}

// Sixteen bytes of a plane: GCC's generic vectors, which every target has.
typedef std::uint8_t Chunk8 __attribute__((vector_size(16)));
typedef std::uint16_t Chunk16 __attribute__((vector_size(16)));
template <typename Sample>
using ChunkOf = std::conditional_t<sizeof(Sample) == 1, Chunk8, Chunk16>;

template <typename Chunk, typename Sample>
Chunk loadChunk(const Sample* p) {
    Chunk chunk;
    std::memcpy(&chunk, p, sizeof chunk);
    return chunk;
}

template <typename Chunk>
Chunk smaller(Chunk a, Chunk b) {
    return a < b ? a : b;
}

template <typename Chunk>
Chunk larger(Chunk a, Chunk b) {
    return a < b ? b : a;
}

// Most pixels lie within their neighbours' range and stay as they are. That
// test runs on a chunk of pixels at once, with the row as it stands before
// the chunk: exact for a pixel whose left neighbour then keeps its value.
// Any pixel that may be extreme, or whose left neighbour changed, gets the
// full treatment, in order.
template <typename Sample>
void despeckleRowSpan(Sample* plane, std::int32_t width, std::int32_t y,
                      std::int32_t firstColumn, std::int32_t endColumn) {
    using Chunk = ChunkOf<Sample>;
    constexpr std::int32_t kChunk = sizeof(Chunk) / sizeof(Sample);
    const Sample* above = plane + std::ptrdiff_t(y - 1) * width;
    Sample* row = plane + std::ptrdiff_t(y) * width;
    const Sample* below = plane + std::ptrdiff_t(y + 1) * width;
    std::int32_t x = firstColumn;
    for (; x + kChunk <= endColumn; x += kChunk) {
        Chunk lo = loadChunk<Chunk>(above + x - 1), hi = lo;
        const Sample* middle = row;
        for (const Sample* p : {above + x, above + x + 1, middle + x - 1, middle + x + 1,
                                below + x - 1, below + x, below + x + 1}) {
            const Chunk neighbour = loadChunk<Chunk>(p);
            lo = smaller(lo, neighbour);
            hi = larger(hi, neighbour);
        }
        const Chunk centre = loadChunk<Chunk>(row + x);
        const auto extreme = (centre < lo) | (centre > hi);
        std::uint32_t pending = 0;
        for (std::int32_t i = 0; i < kChunk; ++i) pending |= std::uint32_t(extreme[i] & 1) << i;
        while (pending != 0) {
            const int i = __builtin_ctz(pending);
            pending &= pending - 1;
            // A change reaches the right neighbour's test.
            if (despecklePixelAt(row, above, below, x + i)) pending |= (2u << i) & ((1u << kChunk) - 1);
        }
    }
    for (; x < endColumn; ++x) despecklePixelAt(row, above, below, x);
}

}  // namespace

ContourRule contourRule(std::int32_t contourThreshold, bool sixteenBit,
                        const std::int32_t (&contourKernel)[kContourKernelSize]) {
    // The threshold and scale exactly as engine/Contours.cpp derives them.
    std::int64_t threshold = contourThreshold;
    std::int64_t multiplier = 255, divisor = 6120;
    if (sixteenBit) {
        threshold = contourThreshold <= 0 ? 0 : std::uint32_t(contourThreshold) * 32767u / 255u;
        multiplier = 32767;
        divisor = 786420;
    }
    ContourRule rule{};
    rule.enabled = threshold > 0;
    rule.scaledBound = (threshold - 1) * divisor;
    rule.bound = rule.enabled ? rule.scaledBound / multiplier : 0;
    rule.multiplier = multiplier;
    rule.kernel = contourKernel;
    rule.boxKernel = true;
    for (int i = 0; i < kContourKernelSize; ++i) {
        if (contourKernel[i] != (i == kContourKernelSize / 2 ? 24 : -1)) rule.boxKernel = false;
    }
    return rule;
}

void computeLuminanceRows(const FastJob& job, std::int32_t firstRow, std::int32_t endRow) {
    if (job.sixteenBit) {
        luminanceRows<std::uint16_t>(job, firstRow, endRow);
    } else {
        luminanceRows<std::uint8_t>(job, firstRow, endRow);
    }
}

void markContourRows(const FastJob& job, const ContourRule& rule, std::int32_t firstRow,
                     std::int32_t endRow, void* scratch) {
    if (job.sixteenBit) {
        markRows<std::uint16_t>(job, rule, firstRow, endRow, scratch);
    } else {
        markRows<std::uint8_t>(job, rule, firstRow, endRow, scratch);
    }
}

void despeckleSpan(std::uint8_t* plane, std::int32_t width, std::int32_t y,
                   std::int32_t firstColumn, std::int32_t endColumn) {
    despeckleRowSpan(plane, width, y, firstColumn, endColumn);
}

void despeckleSpan(std::uint16_t* plane, std::int32_t width, std::int32_t y,
                   std::int32_t firstColumn, std::int32_t endColumn) {
    despeckleRowSpan(plane, width, y, firstColumn, endColumn);
}

}  // namespace hushpix::fast
