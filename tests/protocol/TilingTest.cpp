// The whole-image pass: tile geometry, progress, abort, host errors, and
// the host's choices of rectangle fields and row strides.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ProtocolSupport.h"
#include "host/TilePlan.h"

namespace {

using embedded_host::Area;
using embedded_host::Host;
using embedded_host::RgbImage;
using embedded_host::RunOptions;
using embedded_host::RunReport;
using embedded_host::ScriptSettings;
using hushpix::planTiles;
using hushpix::Rectangle;
using hushpix::tileAt;
using protocol_testing::noisyRgbImage;

using Progress = std::vector<std::pair<std::int32_t, std::int32_t>>;

RunOptions withNoise(std::int32_t noise) {
    RunOptions options;
    options.settings = ScriptSettings{noise, hushpix::kContourNormal, true};
    return options;
}

void expectTile(const hushpix::Tile& tile, Rectangle rect, std::int32_t skippedColumn,
                std::int32_t skippedRow) {
    EXPECT_EQ(tile.rect.top, rect.top);
    EXPECT_EQ(tile.rect.left, rect.left);
    EXPECT_EQ(tile.rect.bottom, rect.bottom);
    EXPECT_EQ(tile.rect.right, rect.right);
    EXPECT_EQ(tile.lastSkippedColumn, skippedColumn);
    EXPECT_EQ(tile.lastSkippedRow, skippedRow);
}

TEST(TilePlanTest, TwoTilesSideBySideWithAnElevenTapKernel) {
    const hushpix::TilePlan plan = planTiles({0, 0, 200, 300}, 11, 0, 0);
    EXPECT_EQ(plan.stepX, 154);
    EXPECT_EQ(plan.stepY, 220);
    EXPECT_EQ(plan.columns, 2);
    EXPECT_EQ(plan.rows, 1);
    EXPECT_EQ(plan.bufferWidth, 198);
    EXPECT_EQ(plan.bufferHeight, 264);
    expectTile(tileAt(plan, 0, 0), {0, 0, 200, 176}, -1, -1);
    expectTile(tileAt(plan, 0, 1), {0, 132, 200, 300}, 11, -1);
}

TEST(TilePlanTest, TwelveTilesWithASevenTapKernel) {
    const hushpix::TilePlan plan = planTiles({0, 0, 1000, 600}, 7, 0, 0);
    EXPECT_EQ(plan.stepX, 210);
    EXPECT_EQ(plan.stepY, 252);
    EXPECT_EQ(plan.columns, 3);
    EXPECT_EQ(plan.rows, 4);
    EXPECT_EQ(plan.bufferWidth, 238);
    EXPECT_EQ(plan.bufferHeight, 280);
    expectTile(tileAt(plan, 1, 0), {238, 0, 504, 224}, -1, 7);
    expectTile(tileAt(plan, 3, 2), {742, 406, 1000, 600}, 7, 7);
}

TEST(TilePlanTest, HostTilesAboveTheMinimumSetTheTileCount) {
    const hushpix::TilePlan small = planTiles({0, 0, 1000, 600}, 7, 100, 200);
    const hushpix::TilePlan large = planTiles({0, 0, 1000, 600}, 7, 512, 512);
    EXPECT_EQ(small.columns * small.rows, 12) << "host tiles under 256 count as 256";
    EXPECT_EQ(large.stepX, 308);
    EXPECT_EQ(large.stepY, 504);
    EXPECT_EQ(large.columns, 2);
    EXPECT_EQ(large.rows, 2);
}

TEST(TilePlanTest, AnAreaAwayFromTheEdgeTakesAMarginBeforeIt) {
    const hushpix::TilePlan plan = planTiles({100, 50, 300, 250}, 7, 0, 0);
    EXPECT_EQ(plan.columns * plan.rows, 1);
    expectTile(tileAt(plan, 0, 0), {86, 36, 300, 250}, -1, -1);
}

TEST(PassTest, HostSeesTheWorkedExampleTilesAndProgress) {
    for (const bool big : {false, true}) {
        SCOPED_TRACE(big);
        RgbImage image = noisyRgbImage(300, 200, 8);
        RunOptions options = withNoise(hushpix::kNoiseNormal);
        options.bigDocument = big;
        const RunReport report = embedded_host::applyFilter(image, options);
        ASSERT_EQ(report.result, 0);
        EXPECT_EQ(report.usedBigDocument, big);
        EXPECT_EQ(report.tiles, (std::vector<Area>{{0, 0, 200, 176}, {0, 132, 200, 300}}));
        EXPECT_EQ(report.progress, (Progress{{1, 2}, {2, 2}}));
        EXPECT_EQ(report.buffers.live(), 0);
        EXPECT_EQ(report.buffers.invalid, 0);
    }
}

TEST(PassTest, AnAreaUnder256IsOneTile) {
    RgbImage image = noisyRgbImage(255, 120, 16);
    const RunReport report = embedded_host::applyFilter(image, withNoise(hushpix::kNoiseHigh));
    ASSERT_EQ(report.result, 0);
    EXPECT_EQ(report.tiles, (std::vector<Area>{{0, 0, 120, 255}}));
    EXPECT_EQ(report.progress, (Progress{{1, 1}}));
}

TEST(PassTest, AbortAfterTheFirstTileStopsAndLeavesTheImage) {
    RgbImage image = noisyRgbImage(300, 200, 8);
    const RgbImage original = image;
    RunOptions options = withNoise(hushpix::kNoiseNormal);
    options.abortAfterTiles = 1;
    const RunReport report = embedded_host::applyFilter(image, options);
    EXPECT_EQ(report.result, hostapi::userCanceledErr);
    EXPECT_EQ(report.tiles.size(), 1u) << "no further advanceState";
    EXPECT_EQ(report.progress, (Progress{{1, 2}}));
    EXPECT_EQ(report.buffers.live(), 0);
    EXPECT_EQ(image.bytes, original.bytes);
}

TEST(PassTest, AdvanceStateErrorEndsThePassWithThatError) {
    RgbImage image = noisyRgbImage(300, 200, 8);
    RunOptions options = withNoise(hushpix::kNoiseNormal);
    options.failAdvanceStateAt = 2;
    options.advanceStateError = -4711;
    const RunReport report = embedded_host::applyFilter(image, options);
    EXPECT_EQ(report.result, -4711);
    EXPECT_EQ(report.progress, (Progress{{1, 2}}));
    EXPECT_EQ(report.buffers.live(), 0);
    EXPECT_EQ(report.buffers.invalid, 0);
}

TEST(PassTest, BufferAllocationFailureReportsMemoryFullAndRunsNoTile) {
    for (const int failing : {1, 2, 3}) {
        SCOPED_TRACE(failing);
        RgbImage image = noisyRgbImage(300, 200, 8);
        RunOptions options = withNoise(hushpix::kNoiseNormal);
        options.failBufferAllocationAt = failing;
        const RunReport report = embedded_host::applyFilter(image, options);
        EXPECT_EQ(report.result, hostapi::memFullErr);
        EXPECT_TRUE(report.tiles.empty());
        EXPECT_TRUE(report.progress.empty());
        EXPECT_EQ(report.buffers.live(), 0);
        EXPECT_EQ(report.buffers.invalid, 0);
    }
}

TEST(PassTest, RectangleFieldsAndPaddedRowsDoNotChangeTheResult) {
    const RgbImage original = noisyRgbImage(300, 200, 16);
    RgbImage reference = original;
    ASSERT_EQ(embedded_host::applyFilter(reference, withNoise(hushpix::kNoiseNormal)).result, 0);
    for (const bool big : {false, true}) {
        for (const std::int32_t padding : {0, 5, 64}) {
            SCOPED_TRACE(testing::Message() << "big " << big << " padding " << padding);
            RgbImage image = original;
            RunOptions options = withNoise(hushpix::kNoiseNormal);
            options.bigDocument = big;
            options.rowPadding = padding;
            ASSERT_EQ(embedded_host::applyFilter(image, options).result, 0);
            EXPECT_EQ(image.bytes, reference.bytes);
        }
    }
}

TEST(PassTest, EveryHandleAndBufferIsGivenBack) {
    Host host;
    RgbImage image = noisyRgbImage(300, 200, 8);
    for (int run = 0; run < 3; ++run) {
        const RunReport report = host.apply(image, withNoise(hushpix::kNoiseNormal));
        ASSERT_EQ(report.result, 0);
        EXPECT_EQ(report.handles.live(), 2) << "only the parameters and data handles stay";
        EXPECT_EQ(report.handles.invalid, 0);
        EXPECT_EQ(report.handles.locked, report.handles.unlocked);
        EXPECT_EQ(report.buffers.live(), 0);
        EXPECT_EQ(report.buffers.invalid, 0);
        EXPECT_EQ(report.buffers.locked, report.buffers.unlocked);
        EXPECT_EQ(report.actionDescriptorsLive, 0);
        EXPECT_EQ(report.suitesHeld, 0);
    }
}

}  // namespace
