#include "engine/ReduceNoise.h"

#include <algorithm>
#include <cstring>

#include "engine/Contours.h"
#include "engine/ExactArithmetic.h"
#include "engine/Luminance.h"
#include "engine/Rows.h"

namespace hushpix {

namespace {

struct Plane {
    const std::uint8_t* labels;
    std::int32_t width;
    std::int32_t height;

    std::uint8_t label(std::int32_t x, std::int32_t y) const {
        return labels[std::ptrdiff_t(y) * width + x];
    }
};

// Smooths every row into the horizontal sums, whatever the mask says: the
// vertical walk of a selected pixel reads the sums of unselected ones.
// A tap that would cross a change of label reads the centre instead, so the
// weights of every output still sum to one. Walking left, the first pixel
// with another label still counts; walking right, it already reads the
// centre.
template <typename Sample>
void smoothRows(const void* source, std::ptrdiff_t sourceRowBytes, const Plane& plane,
                const float* weights, std::int32_t radius, float* sums) {
    for (std::int32_t y = 0; y < plane.height; ++y) {
        const Sample* row = imageRow<Sample>(source, sourceRowBytes, y);
        for (std::int32_t x = 0; x < plane.width; ++x) {
            const std::uint8_t centreLabel = plane.label(x, y);
            float sum[3] = {0.0f, 0.0f, 0.0f};
            auto addTap = [&](std::int32_t column, float weight) {
                for (int c = 0; c < 3; ++c) {
                    sum[c] = fusedMultiplyAdd(float(row[3 * column + c]), weight, sum[c]);
                }
            };

            bool crossed = false;
            for (std::int32_t d = 0; d >= -radius; --d) {
                std::int32_t column = x;
                if (!crossed) {
                    column = std::max(x + d, 0);
                    if (plane.label(column, y) != centreLabel) crossed = true;
                }
                addTap(column, weights[radius + d]);
            }
            crossed = false;
            for (std::int32_t d = 1; d <= radius; ++d) {
                std::int32_t column = x;
                if (!crossed) {
                    column = std::min(x + d, plane.width - 1);
                    if (plane.label(column, y) != centreLabel) {
                        crossed = true;
                        column = x;
                    }
                }
                addTap(column, weights[radius + d]);
            }

            float* out = sums + 3 * (std::ptrdiff_t(y) * plane.width + x);
            out[0] = sum[0];
            out[1] = sum[1];
            out[2] = sum[2];
        }
    }
}

// Smooths the horizontal sums down each column in double precision, with
// the same boundary rule as the rows except at the top edge, where a tap
// above the image reads the centre row rather than row 0. Then puts the
// source brightness back and writes the selected, unskipped pixels.
template <typename Sample>
void smoothColumnsAndWrite(const Plane& plane, const float* weights, std::int32_t radius,
                           const float* sums, const Sample* luminance, const std::uint8_t* mask,
                           std::int32_t maskRowBytes, void* destination,
                           std::ptrdiff_t destinationRowBytes, std::int32_t lastSkippedColumn,
                           std::int32_t lastSkippedRow) {
    for (std::int32_t x = 0; x < plane.width; ++x) {
        for (std::int32_t y = 0; y < plane.height; ++y) {
            if (mask && mask[std::ptrdiff_t(y) * maskRowBytes + x] == 0) continue;
            const std::uint8_t centreLabel = plane.label(x, y);
            double sum[3] = {0.0, 0.0, 0.0};
            auto addTap = [&](std::int32_t row, float weight) {
                const float* tap = sums + 3 * (std::ptrdiff_t(row) * plane.width + x);
                for (int c = 0; c < 3; ++c) sum[c] += double(weight) * double(tap[c]);
            };

            bool crossed = false;
            for (std::int32_t d = 0; d >= -radius; --d) {
                std::int32_t row = y;
                if (!crossed) {
                    row = y + d >= 0 ? y + d : y;
                    if (plane.label(x, row) != centreLabel) crossed = true;
                }
                addTap(row, weights[radius + d]);
            }
            crossed = false;
            for (std::int32_t d = 1; d <= radius; ++d) {
                std::int32_t row = y;
                if (!crossed) {
                    row = std::min(y + d, plane.height - 1);
                    if (plane.label(x, row) != centreLabel) {
                        crossed = true;
                        row = y;
                    }
                }
                addTap(row, weights[radius + d]);
            }

            if (x <= lastSkippedColumn || y <= lastSkippedRow) continue;
            const std::uint32_t v = luminance[std::ptrdiff_t(y) * plane.width + x];
            Sample* out = imageRow<Sample>(destination, destinationRowBytes, y) + 3 * x;
            if constexpr (sizeof(Sample) == 1) {
                restoreLuminance8(float(sum[0]), float(sum[1]), float(sum[2]), v, out);
            } else {
                restoreLuminance16(float(sum[0]), float(sum[1]), float(sum[2]), v, out);
            }
        }
    }
}

template <typename Sample>
void smooth(const EngineState& engine, const void* source, std::ptrdiff_t sourceRowBytes,
            void* destination, std::ptrdiff_t destinationRowBytes, const std::uint8_t* mask,
            std::int32_t maskRowBytes, std::int32_t width, std::int32_t height,
            std::int32_t lastSkippedColumn, std::int32_t lastSkippedRow) {
    const Plane plane{engine.regionMap, width, height};
    const std::int32_t radius = engine.kernelLength / 2;
    smoothRows<Sample>(source, sourceRowBytes, plane, engine.weights, radius, engine.sums);
    smoothColumnsAndWrite<Sample>(plane, engine.weights, radius, engine.sums,
                                  static_cast<const Sample*>(engine.luminance), mask,
                                  maskRowBytes, destination, destinationRowBytes,
                                  lastSkippedColumn, lastSkippedRow);
}

}  // namespace

void reduceNoiseReference(EngineState& engine, bool perPixel, const void* source,
                          void* destination, const std::uint8_t* mask,
                          std::int32_t maskRowBytes, std::int32_t width, std::int32_t height,
                          std::int32_t depth, std::int32_t lastSkippedColumn,
                          std::int32_t lastSkippedRow, std::ptrdiff_t sourceRowBytes,
                          std::ptrdiff_t destinationRowBytes) {
    if (width <= 0 || height <= 0) return;
    if (!engine.luminance || !engine.regionMap || !engine.sums) return;

    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    const std::size_t sampleBytes = depth == 16 ? 2 : 1;
    std::memset(engine.sums, 0, pixels * 3 * sizeof(float));
    std::memset(engine.luminance, 0, pixels * sampleBytes);
    std::memset(engine.regionMap, 0, pixels);

    detectContours(source, engine.luminance, engine.regionMap, width, height,
                   engine.contourThreshold, perPixel, depth, engine.contourKernel,
                   sourceRowBytes);

    if (depth == 16) {
        smooth<std::uint16_t>(engine, source, sourceRowBytes, destination, destinationRowBytes,
                              mask, maskRowBytes, width, height, lastSkippedColumn,
                              lastSkippedRow);
    } else {
        smooth<std::uint8_t>(engine, source, sourceRowBytes, destination, destinationRowBytes,
                             mask, maskRowBytes, width, height, lastSkippedColumn,
                             lastSkippedRow);
    }
}

}  // namespace hushpix
