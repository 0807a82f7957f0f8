// The smoothing walks: which pixel each tap reads at a change of label and
// at the image edges, and how the horizontal and vertical results combine.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/ExactArithmetic.h"
#include "engine/Luminance.h"
#include "support/EngineHarness.h"

using namespace hushpix;
using testing_support::EngineHarness;
using testing_support::Image;

namespace {

constexpr std::int32_t kStep = 7;

// A step from 40 to 180 at column (or row) kStep, plus a gentle linear ramp
// in x, y and channel. The contour response of a linear ramp is zero, so the
// labels are exactly those of the plain step: sunken bands on the two
// columns before it, raised bands on the two from it; yet every tap reads a
// different value, so a wrong tap shows.
Image<std::uint8_t> rampedStep(std::int32_t width, std::int32_t height, bool stepAlongRows) {
    Image<std::uint8_t> image{width, height, std::vector<std::uint8_t>(width * height * 3)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int position = stepAlongRows ? x : y;
            for (int c = 0; c < 3; ++c) {
                image.at(x, y, c) = std::uint8_t((position < kStep ? 40 : 180) + 2 * x + 3 * y + 5 * c);
            }
        }
    }
    return image;
}

float horizontalSum(const Image<std::uint8_t>& image, const EngineState& engine, int y, int c,
                    const std::vector<int>& columns) {
    float sum = 0.0f;
    for (std::size_t tap = 0; tap < columns.size(); ++tap) {
        // Taps run from the centre backwards, then forwards from centre + 1.
        const int radius = engine.kernelLength / 2;
        const int d = tap <= std::size_t(radius) ? -int(tap) : int(tap) - radius;
        sum = fusedMultiplyAdd(float(image.at(columns[tap], y, c)), engine.weights[radius + d], sum);
    }
    return sum;
}

TEST(Smoothing, HorizontalTapsStopAtLabelChangesAndRepeatTheEdges) {
    const Image<std::uint8_t> image = rampedStep(16, 9, true);
    EngineHarness harness(kNoiseLow, kContourStrong, false);
    harness.referencePath = true;
    harness.filtered(image);
    const int y = 3;
    ASSERT_EQ(harness.engine.regionMap[y * 16 + kStep - 1], 128);
    ASSERT_EQ(harness.engine.regionMap[y * 16 + kStep], 255);

    struct Case {
        int x;
        std::vector<int> columns;  // backward d = 0..-3, then forward d = 1..3
    };
    const int k = kStep;
    const Case cases[] = {
        // Walking left, the first pixel with another label still counts;
        // walking right it already reads the centre.
        {k - 1, {k - 1, k - 2, k - 3, k - 1, k - 1, k - 1, k - 1}},
        {k, {k, k - 1, k, k, k + 1, k, k}},
        {k + 2, {k + 2, k + 1, k + 2, k + 2, k + 3, k + 4, k + 5}},
        {1, {1, 0, 0, 0, 2, 3, 4}},
        {15, {15, 14, 13, 12, 15, 15, 15}},
    };
    for (const Case& test : cases) {
        for (int c = 0; c < 3; ++c) {
            const float expected = horizontalSum(image, harness.engine, y, c, test.columns);
            EXPECT_EQ(harness.engine.sums[3 * (y * 16 + test.x) + c], expected)
                << "x " << test.x << " channel " << c;
        }
    }
}

TEST(Smoothing, VerticalTapsUseTheCentreRowAboveTheTopAndRepeatTheBottom) {
    const std::int32_t width = 9, height = 16;
    const Image<std::uint8_t> image = rampedStep(width, height, false);
    EngineHarness harness(kNoiseLow, kContourStrong, false);
    harness.referencePath = true;
    const Image<std::uint8_t> result = harness.filtered(image);
    const EngineState& engine = harness.engine;
    const int x = 4, k = kStep;
    ASSERT_EQ(engine.regionMap[(k - 1) * width + x], 128);
    ASSERT_EQ(engine.regionMap[k * width + x], 255);

    struct Case {
        int y;
        std::vector<int> rows;
    };
    const Case cases[] = {
        {1, {1, 0, 1, 1, 2, 3, 4}},
        {k - 1, {k - 1, k - 2, k - 3, k - 1, k - 1, k - 1, k - 1}},
        {k, {k, k - 1, k, k, k + 1, k, k}},
        {15, {15, 14, 13, 12, 15, 15, 15}},
    };
    for (const Case& test : cases) {
        float smoothed[3];
        for (int c = 0; c < 3; ++c) {
            double sum = 0.0;
            for (std::size_t tap = 0; tap < test.rows.size(); ++tap) {
                const int d = tap <= 3 ? -int(tap) : int(tap) - 3;
                sum += double(engine.weights[3 + d]) *
                       double(engine.sums[3 * (test.rows[tap] * width + x) + c]);
            }
            smoothed[c] = float(sum);
        }
        const std::uint32_t v = static_cast<const std::uint8_t*>(engine.luminance)[test.y * width + x];
        std::uint8_t expected[3];
        restoreLuminance8(smoothed[0], smoothed[1], smoothed[2], v, expected);
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(result.at(x, test.y, c), expected[c]) << "y " << test.y << " channel " << c;
        }
    }
}

TEST(Smoothing, WithoutContoursEveryPixelGetsThePlainGaussian) {
    const Image<std::uint8_t> image = rampedStep(12, 10, true);
    EngineHarness harness(kNoiseNormal, kContourNone, true);
    harness.referencePath = true;
    harness.filtered(image);
    for (std::size_t i = 0; i < 12 * 10; ++i) ASSERT_EQ(harness.engine.regionMap[i], 0);
    // Column 6 of row 2 reads columns 6..1 backwards and 7..11 forwards.
    const float expected = horizontalSum(image, harness.engine, 2, 1, {6, 5, 4, 3, 2, 1, 7, 8, 9, 10, 11});
    EXPECT_EQ(harness.engine.sums[3 * (2 * 12 + 6) + 1], expected);
}

TEST(Smoothing, BrightnessOfEachPixelIsKeptWhileColourIsSmoothed) {
    // Colour noise on a flat grey: the brightness of every output pixel
    // stays within rounding of the source brightness, and the colour spread
    // shrinks.
    std::mt19937 random(11);
    Image<std::uint16_t> image = testing_support::uniformImage<std::uint16_t>(40, 30, 30000, 30000, 30000);
    for (auto& sample : image.samples) sample = std::uint16_t(sample + random() % 4001 - 2000);
    EngineHarness harness(kNoiseHigh, kContourNone, false);
    const Image<std::uint16_t> result = harness.filtered(image);
    double spreadBefore = 0, spreadAfter = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            auto brightness = [&](const Image<std::uint16_t>& im) {
                return (30.0 * im.at(x, y, 0) + 59.0 * im.at(x, y, 1) + 11.0 * im.at(x, y, 2)) / 100;
            };
            EXPECT_NEAR(brightness(result), std::uint32_t(brightness(image)), 1.0);
            spreadBefore += std::abs(double(image.at(x, y, 0)) - image.at(x, y, 2));
            spreadAfter += std::abs(double(result.at(x, y, 0)) - result.at(x, y, 2));
        }
    }
    EXPECT_LT(spreadAfter, spreadBefore / 4);
}

}  // namespace
