#include "engine/Contours.h"

#include <initializer_list>

#include "engine/Rows.h"

namespace hushpix {

namespace {

template <typename Sample>
Sample absoluteDifference(Sample a, Sample b) {
    return a > b ? Sample(a - b) : Sample(b - a);
}

template <typename Sample>
void despeckle(const Sample p[9], Sample* target) {
    Sample hi = p[0];
    Sample lo = p[0];
    for (int i : {1, 2, 3, 5, 6, 7, 8}) {
        if (p[i] > hi) hi = p[i];
        if (p[i] < lo) lo = p[i];
    }
    if (lo <= p[4] && p[4] <= hi) return;

    // Opposite pairs in the order of preference; a tie for the smallest
    // difference falls through to the vertical pair.
    const Sample pairs[4][2] = {{p[8], p[0]}, {p[6], p[2]}, {p[5], p[3]}, {p[7], p[1]}};
    Sample differences[4];
    for (int k = 0; k < 4; ++k) differences[k] = absoluteDifference(pairs[k][0], pairs[k][1]);
    int chosen = 3;
    for (int k = 0; k < 3; ++k) {
        bool smallest = true;
        for (int other = 0; other < 4; ++other) {
            if (other != k && !(differences[k] < differences[other])) smallest = false;
        }
        if (smallest) {
            chosen = k;
            break;
        }
    }
    *target = Sample((std::uint32_t(pairs[chosen][0]) + pairs[chosen][1]) / 2);
}

// In place, row by row: a replacement is already seen by the neighbourhoods
// that follow it. The outermost ring is never changed.
template <typename Sample>
void despecklePlane(Sample* plane, std::int32_t width, std::int32_t height) {
    if (width < 3 || height < 3) return;
    for (std::int32_t y = 1; y <= height - 2; ++y) {
        for (std::int32_t x = 1; x <= width - 2; ++x) {
            Sample neighbourhood[9];
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    neighbourhood[3 * (dy + 1) + (dx + 1)] =
                        plane[std::ptrdiff_t(y + dy) * width + (x + dx)];
                }
            }
            despeckle(neighbourhood, &plane[std::ptrdiff_t(y) * width + x]);
        }
    }
}

template <typename Sample>
void computeLuminance(const void* source, std::ptrdiff_t sourceRowBytes, Sample* luminance,
                      std::int32_t width, std::int32_t height) {
    for (std::int32_t y = 0; y < height; ++y) {
        const Sample* row = imageRow<Sample>(source, sourceRowBytes, y);
        Sample* out = luminance + std::ptrdiff_t(y) * width;
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t r = row[3 * x], g = row[3 * x + 1], b = row[3 * x + 2];
            out[x] = Sample((30 * r + 59 * g + 11 * b) / 100);
        }
    }
}

struct DepthScale {
    std::int64_t multiplier;  // S
    std::int64_t divisor;     // Z
};

// A pixel is marked where, in the first channel that passes, the response
// acc * S / Z lies strictly beyond t - 1. The comparison is done on
// acc * S against (t - 1) * Z in integers, which is exact.
template <typename Sample>
void markContours(const void* source, std::ptrdiff_t sourceRowBytes, std::uint8_t* regionMap,
                  std::int32_t width, std::int32_t height, std::int64_t threshold,
                  DepthScale scale, const std::int32_t (&kernel)[kContourKernelSize]) {
    const std::int64_t bound = (threshold - 1) * scale.divisor;
    for (std::int32_t y = 2; y <= height - 3; ++y) {
        for (std::int32_t x = 2; x <= width - 3; ++x) {
            std::int64_t acc[3] = {0, 0, 0};
            for (int dx = -2; dx <= 2; ++dx) {
                for (int dy = -2; dy <= 2; ++dy) {
                    const std::int64_t weight = kernel[5 * (dx + 2) + (dy + 2)];
                    const Sample* pixel = imageRow<Sample>(source, sourceRowBytes, y + dy) + 3 * (x + dx);
                    for (int c = 0; c < 3; ++c) acc[c] += weight * pixel[c];
                }
            }
            for (int c = 0; c < 3; ++c) {
                const std::int64_t response = acc[c] * scale.multiplier;
                if (response > bound) {
                    regionMap[std::ptrdiff_t(y) * width + x] = 255;
                    break;
                }
                if (response < -bound) {
                    regionMap[std::ptrdiff_t(y) * width + x] = 128;
                    break;
                }
            }
        }
    }
}

template <typename Sample>
void detect(const void* source, Sample* luminance, std::uint8_t* regionMap, std::int32_t width,
            std::int32_t height, std::int64_t threshold, bool perPixel, DepthScale scale,
            const std::int32_t (&kernel)[kContourKernelSize], std::ptrdiff_t sourceRowBytes) {
    computeLuminance(source, sourceRowBytes, luminance, width, height);
    if (perPixel) despecklePlane(luminance, width, height);
    if (threshold <= 0) return;
    markContours<Sample>(source, sourceRowBytes, regionMap, width, height, threshold, scale, kernel);
    despecklePlane(regionMap, width, height);
}

}  // namespace

void despecklePixel(const std::uint8_t p[9], std::uint8_t* target) { despeckle(p, target); }
void despecklePixel(const std::uint16_t p[9], std::uint16_t* target) { despeckle(p, target); }

void detectContours(const void* source, void* luminance, std::uint8_t* regionMap,
                    std::int32_t width, std::int32_t height, std::int32_t contourThreshold,
                    bool perPixel, std::int32_t depth,
                    const std::int32_t (&contourKernel)[kContourKernelSize],
                    std::ptrdiff_t sourceRowBytes) {
    if (width <= 0 || height <= 0) return;
    if (depth == 16) {
        // The threshold is given in 8-bit units; scale it to the 16-bit range.
        const std::int64_t threshold = std::uint32_t(contourThreshold) * 32767u / 255u;
        detect(source, static_cast<std::uint16_t*>(luminance), regionMap, width, height,
               contourThreshold <= 0 ? 0 : threshold, perPixel, DepthScale{32767, 786420},
               contourKernel, sourceRowBytes);
    } else {
        detect(source, static_cast<std::uint8_t*>(luminance), regionMap, width, height,
               std::int64_t(contourThreshold), perPixel, DepthScale{255, 6120}, contourKernel,
               sourceRowBytes);
    }
}

}  // namespace hushpix
