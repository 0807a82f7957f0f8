// Contour detection: the despeckle rule, the marking thresholds and the
// labels it leaves for the smoothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/Contours.h"
#include "support/EngineHarness.h"

using namespace hushpix;
using testing_support::Image;

namespace {

template <typename Sample>
int despeckled(std::vector<int> neighbourhood, int initial = -1) {
    Sample p[9];
    for (int i = 0; i < 9; ++i) p[i] = Sample(neighbourhood[i]);
    Sample target = Sample(initial);
    despecklePixel(p, &target);
    return target == Sample(initial) ? -1 : int(target);
}

TEST(Despeckle, ReplacesOnlyStrictExtremaByTheMostSimilarOppositePair) {
    EXPECT_EQ(despeckled<std::uint8_t>({20, 40, 60, 30, 250, 50, 70, 90, 24}), 22);
    // The diagonals tie at 2, so the vertical pair is taken although it
    // differs by 80.
    EXPECT_EQ(despeckled<std::uint8_t>({10, 0, 12, 50, 200, 90, 10, 80, 12}), 40);
    EXPECT_EQ(despeckled<std::uint8_t>({10, 20, 30, 40, 50, 60, 70, 80, 90}), -1);
    EXPECT_EQ(despeckled<std::uint8_t>({10, 20, 30, 40, 90, 60, 70, 80, 90}), -1);
    EXPECT_EQ(despeckled<std::uint8_t>({10, 20, 30, 40, 10, 60, 70, 80, 90}), -1);
    // A dark spike, and the rising diagonal and horizontal pairs winning.
    EXPECT_EQ(despeckled<std::uint8_t>({90, 100, 50, 120, 3, 130, 52, 140, 200}), 51);
    EXPECT_EQ(despeckled<std::uint8_t>({90, 100, 50, 120, 3, 121, 70, 140, 200}), 120);
}

TEST(Despeckle, SixteenBitSamplesCompareUnsigned) {
    EXPECT_EQ(despeckled<std::uint16_t>(
                  {40000, 40000, 40000, 40000, 2, 40000, 40000, 40000, 40001}),
              40000);
    EXPECT_EQ(despeckled<std::uint16_t>(
                  {65535, 65535, 65535, 65535, 65534, 65533, 65535, 65535, 65535}),
              -1);
    EXPECT_EQ(despeckled<std::uint16_t>({65535, 65534, 65535, 65535, 0, 65535, 65533, 65535,
                                         65535}),
              65534);
}

struct Planes {
    std::vector<std::uint8_t> labels;
    std::vector<std::uint16_t> luminance;  // wide enough for either depth
};

template <typename Sample>
Planes detect(const Image<Sample>& image, std::int32_t threshold, bool perPixel) {
    EngineState engine{};
    deriveKernel(FilterSettings{2, 2, 1}, engine);
    std::vector<Sample> luminance(std::size_t(image.width) * image.height);
    std::vector<std::uint8_t> labels(luminance.size(), 0);
    detectContours(image.samples.data(), luminance.data(), labels.data(), image.width,
                   image.height, threshold, perPixel, Image<Sample>::depth, engine.contourKernel,
                   packedRowBytes(image.width, Image<Sample>::depth));
    return {labels, std::vector<std::uint16_t>(luminance.begin(), luminance.end())};
}

std::uint8_t labelAt(const Planes& planes, std::int32_t width, std::int32_t x, std::int32_t y) {
    return planes.labels[std::size_t(y) * width + x];
}

TEST(Contours, SingleWhitePixelOnBlack) {
    auto image = testing_support::uniformImage<std::uint8_t>(9, 9, 0, 0, 0);
    for (int c = 0; c < 3; ++c) image.at(4, 4, c) = 255;

    // Strong: the pixel is marked raised and its 5x5 window sunken; the
    // cleanup then turns the lone raised label into its neighbours' value.
    const Planes strong = detect(image, 8, false);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) {
            const bool inWindow = x >= 2 && x <= 6 && y >= 2 && y <= 6;
            EXPECT_EQ(labelAt(strong, 9, x, y), inWindow ? 128 : 0) << x << "," << y;
        }
    }
    // Watery marks only the pixel itself, and the cleanup erases it.
    const Planes watery = detect(image, 32, false);
    for (std::uint8_t label : watery.labels) EXPECT_EQ(label, 0);
}

TEST(Contours, VerticalStepGivesTwoBandsOnEachSide) {
    const std::int32_t width = 16, height = 9, k = 7;
    auto image = testing_support::uniformImage<std::uint8_t>(width, height, 50, 50, 50);
    for (int y = 0; y < height; ++y) {
        for (int x = k; x < width; ++x) {
            for (int c = 0; c < 3; ++c) image.at(x, y, c) = 200;
        }
    }
    for (std::int32_t threshold : {32, 16, 8}) {
        const Planes planes = detect(image, threshold, true);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                std::uint8_t expected = 0;
                if (y >= 2 && y <= height - 3) {
                    if (x == k - 2 || x == k - 1) expected = 128;
                    if (x == k || x == k + 1) expected = 255;
                }
                EXPECT_EQ(labelAt(planes, width, x, y), expected) << x << "," << y;
            }
        }
    }
}

// A 5 x 6 image whose two markable pixels, (2, 2) and (2, 3), both have the
// red channel sum acc = 20 * (centre - background) - (extra - background):
// column 2 holds `centre`, and one sample in each pixel's window (top-left
// for the upper pixel, bottom-left for the lower one) holds `extra`. Both
// marks agree, so the cleanup keeps them and the marking itself is seen.
template <typename Sample>
Image<Sample> channelSumImage(std::uint32_t background, std::uint32_t centre,
                              std::uint32_t extra) {
    auto image = testing_support::uniformImage<Sample>(5, 6, Sample(background),
                                                       Sample(background), Sample(background));
    for (int y = 0; y < 6; ++y) image.at(2, y, 0) = Sample(centre);
    image.at(0, 0, 0) = Sample(extra);
    image.at(0, 5, 0) = Sample(extra);
    return image;
}

template <typename Sample>
int markOf(std::uint32_t background, std::uint32_t centre, std::uint32_t extra,
           std::int32_t threshold) {
    const Planes planes = detect(channelSumImage<Sample>(background, centre, extra), threshold,
                                 false);
    EXPECT_EQ(labelAt(planes, 5, 2, 2), labelAt(planes, 5, 2, 3));
    return labelAt(planes, 5, 2, 2);
}

TEST(Contours, ThresholdBoundariesAtEightBits) {
    // Normal: a sum of 360 is a response of exactly 15 and does not mark.
    EXPECT_EQ(markOf<std::uint8_t>(0, 18, 0, 16), 0);
    EXPECT_EQ(markOf<std::uint8_t>(0, 19, 19, 16), 255);     // +361
    EXPECT_EQ(markOf<std::uint8_t>(100, 82, 100, 16), 0);    // -360
    EXPECT_EQ(markOf<std::uint8_t>(100, 81, 81, 16), 128);   // -361
    EXPECT_EQ(markOf<std::uint8_t>(0, 38, 16, 32), 0);       // +744 does not pass Watery...
    EXPECT_EQ(markOf<std::uint8_t>(0, 38, 15, 32), 255);     // ...745 does
}

TEST(Contours, ThresholdBoundariesAtSixteenBits) {
    EXPECT_EQ(markOf<std::uint16_t>(0, 2465, 4, 16), 0);       // 49296
    EXPECT_EQ(markOf<std::uint16_t>(0, 2465, 3, 16), 255);     // 49297
    EXPECT_EQ(markOf<std::uint16_t>(0, 4933, 19, 32), 0);      // 98641
    EXPECT_EQ(markOf<std::uint16_t>(0, 4933, 18, 32), 255);    // 98642
    EXPECT_EQ(markOf<std::uint16_t>(0, 1232, 16, 8), 0);       // 24624
    EXPECT_EQ(markOf<std::uint16_t>(0, 1232, 15, 8), 255);     // 24625
    EXPECT_EQ(markOf<std::uint16_t>(40000, 37535, 39997, 16), 128);  // -49297
}

TEST(Contours, NoneLeavesLabelsClearButStillEqualizesLuminance) {
    auto image = testing_support::uniformImage<std::uint8_t>(7, 7, 10, 20, 30);
    image.at(3, 3, 1) = 250;  // a bright spike in green only
    const Planes none = detect(image, 0, true);
    for (std::uint8_t label : none.labels) EXPECT_EQ(label, 0);
    const std::uint16_t flat = (30 * 10 + 59 * 20 + 11 * 30) / 100;
    for (std::uint16_t v : none.luminance) EXPECT_EQ(v, flat);

    const Planes unequalized = detect(image, 0, false);
    EXPECT_EQ(unequalized.luminance[3 * 7 + 3], (30 * 10 + 59 * 250 + 11 * 30) / 100);
}

TEST(Contours, LuminanceIsTheTruncatedIntegerWeightedMean) {
    auto image = testing_support::uniformImage<std::uint16_t>(2, 1, 65535, 65535, 65535);
    image.at(1, 0, 0) = 1;
    image.at(1, 0, 1) = 2;
    image.at(1, 0, 2) = 3;
    const Planes planes = detect(image, 8, true);
    EXPECT_EQ(planes.luminance[0], 65535);
    EXPECT_EQ(planes.luminance[1], (30 * 1 + 59 * 2 + 11 * 3) / 100);
}

TEST(Contours, FrameStaysUnmarkedAndUniformImagesStayClear) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 20; ++trial) {
        const std::int32_t width = 1 + random() % 30, height = 1 + random() % 30;
        const auto image = testing_support::noisyImage<std::uint8_t>(width, height, random);
        const Planes planes = detect(image, 8, trial % 2 == 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (x < 2 || y < 2 || x >= width - 2 || y >= height - 2) {
                    EXPECT_EQ(labelAt(planes, width, x, y), 0);
                }
            }
        }
        const auto flat = testing_support::uniformImage<std::uint16_t>(width, height, 9000, 3,
                                                                      65535);
        for (std::uint8_t label : detect(flat, 8, true).labels) EXPECT_EQ(label, 0);
    }
}

}  // namespace
