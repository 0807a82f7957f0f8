#include "engine/fast/ContourPass.h"

#include <algorithm>
#include <cstring>

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

// With the usual kernel the response is 25 * centre - (5x5 box sum), and
// the box sums come from running column sums: exact in 32-bit integers
// (25 * 65535 is far from overflow).
template <typename Sample>
void markRowsWithBox(const FastJob& job, std::int64_t bound, std::int32_t firstRow,
                     std::int32_t endRow, std::int32_t* columnSums) {
    const std::int32_t samples = 3 * job.width;
    const std::int32_t limit = std::int32_t(std::min<std::int64_t>(bound, INT32_MAX));
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
        std::uint8_t* labels = job.labels + std::ptrdiff_t(y) * job.width;
        for (std::int32_t x = 2; x <= job.width - 3; ++x) {
            std::uint8_t label = 0;
            for (int c = 2; c >= 0; --c) {
                const std::int32_t* s = columnSums + 3 * x + c;
                const std::int32_t box = s[-6] + s[-3] + s[0] + s[3] + s[6];
                const std::int32_t acc = 25 * std::int32_t(centre[3 * x + c]) - box;
                if (acc > limit) label = 255;
                if (acc < -limit) label = 128;
            }
            labels[x] = label;
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
              std::int32_t endRow, std::int32_t* columnSums) {
    for (std::int32_t y = firstRow; y < endRow; ++y) {
        std::memset(job.labels + std::ptrdiff_t(y) * job.width, 0, std::size_t(job.width));
    }
    if (!rule.enabled || job.width < 5) return;
    const std::int32_t first = std::max(firstRow, 2);
    const std::int32_t end = std::min(endRow, job.height - 2);
    if (first >= end) return;
    if (rule.boxKernel) {
        markRowsWithBox<Sample>(job, rule.bound, first, end, columnSums);
    } else {
        markRowsWithKernel<Sample>(job, rule, first, end);
    }
}

template <typename Sample>
Sample absoluteDifference(Sample a, Sample b) {
    return a > b ? Sample(a - b) : Sample(b - a);
}

template <typename Sample>
void despeckleRowSpan(Sample* plane, std::int32_t width, std::int32_t y,
                      std::int32_t firstColumn, std::int32_t endColumn) {
    const Sample* above = plane + std::ptrdiff_t(y - 1) * width;
    Sample* row = plane + std::ptrdiff_t(y) * width;
    const Sample* below = plane + std::ptrdiff_t(y + 1) * width;
    for (std::int32_t x = firstColumn; x < endColumn; ++x) {
        const Sample p0 = above[x - 1], p1 = above[x], p2 = above[x + 1];
        const Sample p3 = row[x - 1], p4 = row[x], p5 = row[x + 1];
        const Sample p6 = below[x - 1], p7 = below[x], p8 = below[x + 1];
        const Sample hi = std::max({p0, p1, p2, p3, p5, p6, p7, p8});
        const Sample lo = std::min({p0, p1, p2, p3, p5, p6, p7, p8});
        if (lo <= p4 && p4 <= hi) continue;

        // Opposite pairs in order of preference; a pair wins only with a
        // difference strictly below the other three, else the vertical pair.
        const Sample d0 = absoluteDifference(p8, p0), d1 = absoluteDifference(p6, p2);
        const Sample d2 = absoluteDifference(p5, p3), d3 = absoluteDifference(p7, p1);
        std::uint32_t a = p7, b = p1;
        if (d0 < d1 && d0 < d2 && d0 < d3) {
            a = p8;
            b = p0;
        } else if (d1 < d0 && d1 < d2 && d1 < d3) {
            a = p6;
            b = p2;
        } else if (d2 < d0 && d2 < d1 && d2 < d3) {
            a = p5;
            b = p3;
        }
        row[x] = Sample((a + b) / 2);
    }
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
                     std::int32_t endRow, std::int32_t* columnSums) {
    if (job.sixteenBit) {
        markRows<std::uint16_t>(job, rule, firstRow, endRow, columnSums);
    } else {
        markRows<std::uint8_t>(job, rule, firstRow, endRow, columnSums);
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
