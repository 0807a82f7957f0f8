// Properties of whole runs on random images of random sizes at every
// setting, out-of-range ones included.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "support/EngineHarness.h"

using namespace hushpix;
using testing_support::EngineHarness;
using testing_support::Image;

namespace {

struct Setting {
    std::int32_t noise;
    std::int32_t contour;
    bool perPixel;
};

std::vector<Setting> everySetting() {
    std::vector<Setting> settings;
    for (std::int32_t noise : {0, 1, 2, -1, 9}) {
        for (std::int32_t contour : {0, 1, 2, 3, -4, 12}) {
            for (bool perPixel : {false, true}) settings.push_back({noise, contour, perPixel});
        }
    }
    return settings;
}

std::int32_t randomSize(std::mt19937& random) {
    switch (random() % 4) {
        case 0: return 1 + random() % 6;  // the sizes where stages drop out
        case 1: return 1 + random() % 300;
        default: return 1 + random() % 40;
    }
}

template <typename Sample>
void uniformGreyComesBackUnchanged() {
    std::mt19937 random(1);
    for (const Setting& setting : everySetting()) {
        const std::int32_t width = randomSize(random), height = randomSize(random);
        const Sample level = Sample(random() % (sizeof(Sample) == 1 ? 256 : 65536));
        const auto image = testing_support::uniformImage<Sample>(width, height, level, level, level);
        EngineHarness harness(setting.noise, setting.contour, setting.perPixel);
        EXPECT_EQ(harness.filtered(image).samples, image.samples)
            << width << "x" << height << " level " << level;
    }
}

TEST(Properties, UniformGreyComesBackUnchanged) {
    uniformGreyComesBackUnchanged<std::uint8_t>();
    uniformGreyComesBackUnchanged<std::uint16_t>();
}

template <typename Sample>
void checkRandomRuns(std::uint32_t seed) {
    std::mt19937 random(seed);
    for (const Setting& setting : everySetting()) {
        const std::int32_t width = randomSize(random), height = randomSize(random);
        const auto source = testing_support::noisyImage<Sample>(width, height, random);
        EngineHarness harness(setting.noise, setting.contour, setting.perPixel);
        const auto separate = harness.filtered(source);

        // In place gives the same result as separate buffers.
        auto inPlace = source;
        harness.run(inPlace, inPlace);
        ASSERT_EQ(inPlace.samples, separate.samples) << width << "x" << height;

        // Unselected and skipped pixels keep whatever the destination held;
        // every other pixel gets the unmasked result.
        std::vector<std::uint8_t> mask(std::size_t(width) * height);
        for (auto& byte : mask) byte = random() % 3 == 0 ? 0 : std::uint8_t(1 + random() % 255);
        const std::int32_t skipColumn = std::int32_t(random() % (width + 1)) - 1;
        const std::int32_t skipRow = std::int32_t(random() % (height + 1)) - 1;
        Image<Sample> masked = source;
        for (auto& sample : masked.samples) sample = Sample(0xA5A5);
        harness.run(source, masked, mask.data(), width, skipColumn, skipRow);
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                const bool written = mask[std::size_t(y) * width + x] != 0 && x > skipColumn && y > skipRow;
                for (int c = 0; c < 3; ++c) {
                    ASSERT_EQ(masked.at(x, y, c), written ? separate.at(x, y, c) : Sample(0xA5A5))
                        << x << "," << y << " of " << width << "x" << height;
                }
            }
        }
    }
}

TEST(Properties, InPlaceMaskAndSkipBoundsAtEightBits) { checkRandomRuns<std::uint8_t>(2); }
TEST(Properties, InPlaceMaskAndSkipBoundsAtSixteenBits) { checkRandomRuns<std::uint16_t>(3); }

template <typename Sample>
void paddedRowsMatchPackedRows() {
    std::mt19937 random(4);
    for (const Setting& setting : {Setting{2, 3, true}, Setting{0, 2, false}, Setting{1, 0, true}}) {
        const std::int32_t width = randomSize(random), height = randomSize(random);
        const auto source = testing_support::noisyImage<Sample>(width, height, random);
        EngineHarness harness(setting.noise, setting.contour, setting.perPixel);
        const auto packed = harness.filtered(source);

        // Rows padded by different amounts on each side, and a mask with its
        // own padding.
        const std::int32_t depth = Image<Sample>::depth;
        const std::ptrdiff_t packedBytes = packedRowBytes(width, depth);
        const std::ptrdiff_t sourceRowBytes = packedBytes + 12, destinationRowBytes = packedBytes + 18;
        std::vector<std::uint8_t> paddedSource(sourceRowBytes * height, 0x3C);
        std::vector<std::uint8_t> paddedDestination(destinationRowBytes * height, 0x5C);
        for (std::int32_t y = 0; y < height; ++y) {
            std::memcpy(&paddedSource[sourceRowBytes * y], &source.samples[std::size_t(y) * width * 3],
                        packedBytes);
        }
        const std::int32_t maskRowBytes = width + 5;
        std::vector<std::uint8_t> mask(std::size_t(maskRowBytes) * height, 0);
        for (std::int32_t y = 0; y < height; ++y) std::memset(&mask[std::size_t(y) * maskRowBytes], 255, width);

        harness.runRaw(paddedSource.data(), sourceRowBytes, paddedDestination.data(), destinationRowBytes,
                       mask.data(), maskRowBytes, width, height, depth);
        for (std::int32_t y = 0; y < height; ++y) {
            const std::uint8_t* row = &paddedDestination[destinationRowBytes * y];
            ASSERT_EQ(std::memcmp(row, &packed.samples[std::size_t(y) * width * 3], packedBytes), 0) << y;
            for (std::ptrdiff_t b = packedBytes; b < destinationRowBytes; ++b) {
                ASSERT_EQ(row[b], 0x5C) << "padding written in row " << y;
            }
        }
    }
}

TEST(Properties, PaddedRowsGiveThePackedResult) {
    paddedRowsMatchPackedRows<std::uint8_t>();
    paddedRowsMatchPackedRows<std::uint16_t>();
}

TEST(Properties, DegenerateSizesWriteNothing) {
    for (auto size : {std::pair{0, 5}, std::pair{5, 0}, std::pair{-3, 4}, std::pair{4, -1}, std::pair{0, 0}}) {
        EngineHarness harness(2, 3, true);
        ASSERT_EQ(hushpix::allocateWorkBuffers(harness.engine, harness.procs, 1, 1, 8), hostapi::noErr);
        std::uint8_t sentinel[3] = {1, 2, 3};
        hushpix::reduceNoise(harness.engine, true, sentinel, sentinel, nullptr, 0, size.first,
                             size.second, 8, -1, -1, 3, 3);
        EXPECT_EQ(sentinel[0] + sentinel[1] + sentinel[2], 6);
    }
}

}  // namespace
