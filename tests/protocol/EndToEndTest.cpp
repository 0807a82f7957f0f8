// A filter run through the embedded host against the engine run directly
// over the same tiles, and the host's merge into the image.
#include <gtest/gtest.h>

#include <cstring>

#include "ProtocolSupport.h"
#include "hostapi/HostTypes.h"

namespace {

using embedded_host::Area;
using embedded_host::RgbImage;
using embedded_host::RunOptions;
using embedded_host::RunReport;
using embedded_host::ScriptSettings;
using protocol_testing::noisyRgbImage;

struct Case {
    std::int32_t width, height, depth;
    ScriptSettings settings;
    std::int32_t tileSize;
    Area filterRect;
};

class EndToEndTest : public ::testing::TestWithParam<Case> {};

TEST_P(EndToEndTest, HostRunEqualsTheEngineOverTheSameTiles) {
    const Case& c = GetParam();
    const RgbImage original = noisyRgbImage(c.width, c.height, c.depth);
    RgbImage image = original;
    RunOptions options;
    options.settings = c.settings;
    options.tileWidth = options.tileHeight = c.tileSize;
    options.filterRect = c.filterRect;
    options.rowPadding = 3;
    const RunReport report = embedded_host::applyFilter(image, options);
    ASSERT_EQ(report.result, 0);
    ASSERT_GE(report.tiles.size(), 1u);

    const RgbImage expected = protocol_testing::filteredOverTiles(
        original, c.settings, report.tiles, c.tileSize, c.tileSize, c.filterRect);
    ASSERT_FALSE(expected.bytes.empty()) << "the host saw other tiles than the plan";
    // The first tiles take a margin before the filter rectangle; only the
    // rectangle itself is applied.
    RgbImage masked = original;
    const std::size_t pixel = c.depth == 16 ? 6 : 3;
    for (std::int32_t y = c.filterRect.top; y < c.filterRect.bottom; ++y) {
        const std::size_t at = (std::size_t(y) * c.width + c.filterRect.left) * pixel;
        std::memcpy(&masked.bytes[at], &expected.bytes[at],
                    std::size_t(c.filterRect.right - c.filterRect.left) * pixel);
    }
    EXPECT_EQ(image.bytes, masked.bytes);
    EXPECT_NE(image.bytes, original.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Images, EndToEndTest,
    ::testing::Values(Case{300, 200, 8, {1, 2, true}, 0, {0, 0, 200, 300}},
                      Case{300, 200, 16, {2, 3, false}, 0, {0, 0, 200, 300}},
                      Case{330, 290, 8, {0, 1, true}, 0, {30, 40, 280, 330}},
                      Case{260, 270, 16, {0, 2, true}, 1, {0, 0, 270, 260}}));

// The selection: outside the filter rectangle and where the mask is 0
// nothing changes; at 255 the pixel is the filter's; between, the two blend.
TEST(MergeTest, FilterRectangleAndMaskLimitAndBlendTheResult) {
    for (const std::int32_t depth : {8, 16}) {
        SCOPED_TRACE(depth);
        const std::int32_t width = 120, height = 90;
        const RgbImage original = noisyRgbImage(width, height, depth, 11);
        std::vector<std::uint8_t> mask(std::size_t(width) * height);
        for (std::size_t i = 0; i < mask.size(); ++i) {
            const std::int32_t x = std::int32_t(i % width);
            mask[i] = x < 30 ? 0 : x < 60 ? 255 : std::uint8_t(x * 7);
        }
        RunOptions options;
        options.settings = ScriptSettings{1, 2, true};
        options.filterRect = Area{10, 20, 80, 110};

        RgbImage whole = original;
        ASSERT_EQ(embedded_host::applyFilter(whole, options).result, 0);
        RgbImage selected = original;
        options.mask = &mask;
        ASSERT_EQ(embedded_host::applyFilter(selected, options).result, 0);

        const bool wide = depth == 16;
        auto sample = [wide](const RgbImage& image, std::size_t index) -> std::uint32_t {
            if (!wide) return image.bytes[index];
            std::uint16_t value;
            std::memcpy(&value, &image.bytes[index * 2], 2);
            return value;
        };
        int blended = 0;
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                const std::size_t p = std::size_t(y) * width + x;
                const bool inRect = y >= 10 && y < 80 && x >= 20 && x < 110;
                const std::uint32_t weight = inRect ? mask[p] : 0;
                for (std::size_t s = p * 3; s < p * 3 + 3; ++s) {
                    const std::uint64_t mixed = std::uint64_t(sample(whole, s)) * weight +
                                                std::uint64_t(sample(original, s)) * (255 - weight);
                    ASSERT_EQ(sample(selected, s), std::uint32_t((mixed + 127) / 255))
                        << "pixel " << x << "," << y;
                    blended += weight > 0 && weight < 255 && sample(whole, s) != sample(original, s);
                }
            }
        }
        EXPECT_GT(blended, 0);
    }
}

TEST(MergeTest, InconsistentImagesAndMasksAreRefusedUntouched) {
    RgbImage image = noisyRgbImage(20, 10, 8);
    const RgbImage original = image;
    const std::vector<std::uint8_t> shortMask(199, 255);
    RunOptions withShortMask;
    withShortMask.mask = &shortMask;
    EXPECT_EQ(embedded_host::applyFilter(image, withShortMask).result, hostapi::paramErr);
    image.depth = 12;
    EXPECT_EQ(embedded_host::applyFilter(image, RunOptions{}).result, hostapi::paramErr);
    image.depth = 16;
    EXPECT_EQ(embedded_host::applyFilter(image, RunOptions{}).result, hostapi::paramErr);
    image.depth = 8;
    EXPECT_EQ(image.bytes, original.bytes);
}

}  // namespace
