// The working buffers come from the host and go back to it, whatever the
// host manages to provide.
#include <gtest/gtest.h>

#include "support/EngineHarness.h"

using namespace hushpix;
using testing_support::EngineHarness;
using testing_support::FakeBufferHost;

namespace {

bool holdsNoBuffer(const EngineState& engine) {
    return !engine.luminanceID && !engine.luminance && !engine.regionMapID && !engine.regionMap &&
           !engine.sumsID && !engine.sums;
}

TEST(WorkBuffers, SizedForTheDepthAndReturnedInPairs) {
    for (std::int32_t depth : {8, 16}) {
        FakeBufferHost host;
        EngineState engine{};
        resetEngineState(engine);
        const hostapi::BufferProcs procs = host.procs();
        ASSERT_EQ(allocateWorkBuffers(engine, procs, 7, 5, depth), hostapi::noErr);
        ASSERT_EQ(host.live.size(), 3u);
        EXPECT_EQ(host.live.at(engine.luminanceID), 35 * (depth / 8));
        EXPECT_EQ(host.live.at(engine.regionMapID), 35);
        EXPECT_EQ(host.live.at(engine.sumsID), 35 * 12);
        EXPECT_EQ(host.locks, 3);

        freeWorkBuffers(engine, procs);
        freeWorkBuffers(engine, procs);  // the second call finds nothing to do
        EXPECT_TRUE(holdsNoBuffer(engine));
        EXPECT_TRUE(host.live.empty());
        EXPECT_EQ(host.unlocks, 3);
        EXPECT_EQ(host.frees, 3);
    }
}

TEST(WorkBuffers, AllocatingAgainGivesBackWhatWasHeld) {
    FakeBufferHost host;
    EngineState engine{};
    resetEngineState(engine);
    const hostapi::BufferProcs procs = host.procs();
    ASSERT_EQ(allocateWorkBuffers(engine, procs, 4, 4, 8), hostapi::noErr);
    ASSERT_EQ(allocateWorkBuffers(engine, procs, 9, 2, 16), hostapi::noErr);
    EXPECT_EQ(host.live.size(), 3u);
    freeWorkBuffers(engine, procs);
    EXPECT_TRUE(host.live.empty());
}

TEST(WorkBuffers, AHostThatCannotProvideABufferGetsEverythingBackAndNoPassRuns) {
    for (int failing = 1; failing <= 4; ++failing) {
        EngineHarness harness(2, 2, true);
        harness.host.failAllocationNumber = failing <= 3 ? failing : 0;
        harness.host.lockReturnsNull = failing == 4;
        EXPECT_EQ(allocateWorkBuffers(harness.engine, harness.procs, 6, 6, 8), hostapi::memFullErr)
            << "failure at " << failing;
        EXPECT_TRUE(holdsNoBuffer(harness.engine));
        EXPECT_TRUE(harness.host.live.empty());
        EXPECT_EQ(harness.host.frees, failing <= 3 ? failing - 1 : 1);
        EXPECT_EQ(harness.host.unlocks, failing <= 3 ? failing - 1 : 0);

        std::uint8_t pixels[6 * 6 * 3] = {};
        pixels[0] = 200;
        reduceNoise(harness.engine, true, pixels, pixels, nullptr, 0, 6, 6, 8, -1, -1, 18, 18);
        EXPECT_EQ(pixels[0], 200);
        EXPECT_EQ(pixels[1], 0);
    }
}

TEST(WorkBuffers, SizesBeyondWhatTheHostCanExpressAreRefused) {
    FakeBufferHost host;
    EngineState engine{};
    resetEngineState(engine);
    EXPECT_EQ(allocateWorkBuffers(engine, host.procs(), 50000, 50000, 16), hostapi::memFullErr);
    EXPECT_TRUE(holdsNoBuffer(engine));
    EXPECT_TRUE(host.live.empty());
    EXPECT_EQ(host.allocations, 0);  // a 5 GB request is never passed on
}

}  // namespace
