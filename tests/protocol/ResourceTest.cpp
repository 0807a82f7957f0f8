// The plug-in's memory stays that of one tile, whatever the image: the
// engine's three working buffers (14 bytes per pixel of the largest tile at
// 8 bits, 15 at 16) and its two small handles, counted by the embedded
// host's accounting of what it hands out. Images a pixel thin but as long
// as the plug-in accepts run too.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ProtocolSupport.h"
#include "host/TilePlan.h"

namespace {

using embedded_host::Host;
using embedded_host::RgbImage;
using embedded_host::RunOptions;
using embedded_host::RunReport;
using embedded_host::ScriptSettings;

constexpr std::int32_t kKernelLength = 23;  // the default, High

std::int64_t bytesPerPixel(std::int32_t depth) { return depth == 16 ? 15 : 14; }

// What the pass may hold at once for an image of this size: the buffers of
// one tile of the plan.
std::int64_t tileBudget(const RgbImage& image, std::int32_t tileSize) {
    const hushpix::TilePlan plan =
        hushpix::planTiles({0, 0, image.height, image.width}, kKernelLength, tileSize, tileSize);
    return bytesPerPixel(image.depth) * plan.bufferWidth * plan.bufferHeight;
}

RunReport runDefault(RgbImage& image, std::int32_t tileSize) {
    RunOptions options;
    options.settings = ScriptSettings{};
    options.tileWidth = options.tileHeight = tileSize;
    Host host;
    return host.apply(image, options);
}

void expectOneTileOfMemory(const RunReport& report, const RgbImage& image, std::int32_t tileSize) {
    EXPECT_EQ(report.result, 0);
    EXPECT_EQ(report.buffers.live(), 0);
    EXPECT_GT(report.buffers.peakBytes, 0);
    EXPECT_LE(report.buffers.peakBytes, tileBudget(image, tileSize));
    EXPECT_LE(report.handles.peakBytes, 4096) << "the settings, the engine's record, a descriptor";
}

// A step is at most a host tile plus a margin, and a buffer a step plus two
// margins on each axis: a bound that no image size enters.
TEST(ResourceTest, BufferMemoryIsOneTileWhateverTheImageSize) {
    const std::int64_t side = 256 + 3 * 2 * kKernelLength;
    for (std::int32_t depth : {8, 16}) {
        for (std::int32_t scale : {1, 2}) {
            RgbImage image = protocol_testing::noisyRgbImage(520 * scale, 300 * scale, depth);
            const RunReport report = runDefault(image, 256);
            expectOneTileOfMemory(report, image, 256);
            EXPECT_GT(report.tiles.size(), 4u);
            EXPECT_LE(report.buffers.peakBytes, bytesPerPixel(depth) * side * side);
        }
    }
}

// With the host's largest tiles: a thousandth of the tiles of the smallest,
// each the same work per pixel.
TEST(ResourceTest, ImagesAPixelThinAndAsLongAsAcceptedRun) {
#if defined(__SANITIZE_ADDRESS__)
    // Half a minute under the sanitizers for nothing the smaller images do
    // not show there; the native and Windows test runs take it.
    GTEST_SKIP() << "too slow under the sanitizers";
#endif
    for (bool wide : {true, false}) {
        RgbImage image = protocol_testing::noisyRgbImage(wide ? 2000000 : 1, wide ? 1 : 2000000, 8);
        const RgbImage original = image;
        const RunReport report = runDefault(image, 32767);
        expectOneTileOfMemory(report, image, 32767);
        EXPECT_NE(image.bytes, original.bytes);
    }
}

// 600 MB of 16-bit pixels, filtered tile by tile in some seconds; the
// host's own copy of the image doubles that. Under the sanitizers it would
// take minutes, so there it runs only when HUSHPIX_LARGE_TESTS is set.
TEST(ResourceTest, TenThousandSquareSixteenBitImage) {
#if defined(__SANITIZE_ADDRESS__)
    if (std::getenv("HUSHPIX_LARGE_TESTS") == nullptr) GTEST_SKIP() << "set HUSHPIX_LARGE_TESTS=1";
#endif
    RgbImage image{10000, 10000, 16, {}};
    image.bytes.resize(std::size_t(10000) * 10000 * 6);
    for (std::size_t i = 0; i < image.bytes.size(); ++i) {
        image.bytes[i] = std::uint8_t(i * 2654435761u >> 13);
    }
    const RunReport report = runDefault(image, 0);
    expectOneTileOfMemory(report, image, 256);
}

}  // namespace
