// The entry point's selectors one by one, and the life of the parameters
// and data handles across them.
#include <gtest/gtest.h>

#include "ProtocolSupport.h"
#include "embedded_host/Session.h"
#include "host/PluginMain.h"

namespace {

using embedded_host::RgbImage;
using embedded_host::RunOptions;
using embedded_host::Session;
using hushpix::EngineState;
using hushpix::FilterSettings;
using protocol_testing::dialog;

class SelectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialog() = {};
        begin(RunOptions{});
    }
    void TearDown() override { session.end(false); }

    void begin(const RunOptions& options) { session.begin(image, options); }

    FilterSettings& settings() { return *reinterpret_cast<FilterSettings*>(*session.parameters); }
    EngineState& engine() {
        return *reinterpret_cast<EngineState*>(*reinterpret_cast<hostapi::Handle>(session.dataCell));
    }
    const embedded_host::MemoryCounts& handles() const { return session.handles.counts; }

    RgbImage image = protocol_testing::noisyRgbImage(40, 30, 8);
    Session session{embedded_host::PluginModule{&PluginMain}};
};

TEST_F(SelectorTest, ParametersCreatesBothRecordsWithDefaultsAndUnlocksThem) {
    ASSERT_EQ(session.call(hostapi::filterSelectorParameters), 0);
    EXPECT_EQ(handles().allocated, 2);
    EXPECT_EQ(handles().locked, 2);
    EXPECT_EQ(handles().unlocked, 2);
    EXPECT_EQ(settings().noiseLevel, hushpix::kNoiseHigh);
    EXPECT_EQ(settings().contourLevel, hushpix::kContourNormal);
    EXPECT_EQ(settings().perPixel, 1);
    EXPECT_EQ(engine().promptOnStart, 1);
}

TEST_F(SelectorTest, ParametersAgainResetsTheSettingsInTheSameHandles) {
    ASSERT_EQ(session.call(hostapi::filterSelectorParameters), 0);
    settings().noiseLevel = hushpix::kNoiseLow;
    engine().promptOnStart = 0;
    ASSERT_EQ(session.call(hostapi::filterSelectorParameters), 0);
    EXPECT_EQ(handles().allocated, 2);
    EXPECT_EQ(settings().noiseLevel, hushpix::kNoiseHigh);
    EXPECT_EQ(engine().promptOnStart, 1);
}

TEST_F(SelectorTest, PrepareOnlyLocksWhenBothRecordsExist) {
    ASSERT_EQ(session.call(hostapi::filterSelectorParameters), 0);
    settings().noiseLevel = hushpix::kNoiseLow;
    ASSERT_EQ(session.call(hostapi::filterSelectorPrepare), 0);
    EXPECT_EQ(settings().noiseLevel, hushpix::kNoiseLow);
    EXPECT_EQ(handles().allocated, 2);
    EXPECT_EQ(handles().locked, handles().unlocked);
}

TEST_F(SelectorTest, PrepareWithoutDataHandleCreatesItAndResetsTheSettings) {
    ASSERT_EQ(session.call(hostapi::filterSelectorParameters), 0);
    settings().noiseLevel = hushpix::kNoiseLow;
    session.handles.release(embedded_host::blockOf(reinterpret_cast<hostapi::Handle>(session.dataCell)));
    session.dataCell = 0;
    ASSERT_EQ(session.call(hostapi::filterSelectorPrepare), 0);
    EXPECT_NE(session.dataCell, 0);
    EXPECT_EQ(handles().allocated, 3);
    EXPECT_EQ(settings().noiseLevel, hushpix::kNoiseHigh);
}

TEST_F(SelectorTest, HandleCreationFailureReportsMemoryFull) {
    for (const int failing : {1, 2}) {
        SCOPED_TRACE(failing);
        Session fresh{embedded_host::PluginModule{&PluginMain}};
        RunOptions options;
        options.failHandleAllocationAt = failing;
        fresh.begin(image, options);
        EXPECT_EQ(fresh.call(hostapi::filterSelectorParameters), hostapi::memFullErr);
        EXPECT_EQ(fresh.call(hostapi::filterSelectorParameters), 0) << "a later call recovers";
        EXPECT_EQ(fresh.handles.counts.locked, fresh.handles.counts.unlocked);
        EXPECT_EQ(fresh.handles.counts.invalid, 0);
        fresh.end(false);
    }
}

TEST_F(SelectorTest, AHandleThatWillNotLockReportsMemoryFull) {
    ASSERT_EQ(session.call(hostapi::filterSelectorParameters), 0);
    session.handles.failLocks = true;
    for (const hostapi::int16 selector : {hostapi::filterSelectorPrepare, hostapi::filterSelectorStart,
                                          hostapi::filterSelectorFinish}) {
        EXPECT_EQ(session.call(selector), hostapi::memFullErr);
    }
    EXPECT_EQ(handles().locked, handles().unlocked) << "nothing unlocked that was not locked";
    EXPECT_EQ(session.buffers.counts.allocated, 0);
}

TEST_F(SelectorTest, AHostWithoutTileOrBufferFunctionsIsReportedInsufficient) {
    for (const bool withoutBuffers : {false, true}) {
        SCOPED_TRACE(withoutBuffers);
        begin(RunOptions{});
        if (withoutBuffers) {
            session.record.bufferProcs = nullptr;
        } else {
            session.record.advanceState = nullptr;
        }
        ASSERT_EQ(session.call(hostapi::filterSelectorParameters), 0);
        EXPECT_EQ(session.call(hostapi::filterSelectorStart), hostapi::errPlugInHostInsufficient);
    }
}

TEST_F(SelectorTest, SelectorsThatNeedTheRecordsReportMissingHandles) {
    for (const hostapi::int16 selector : {hostapi::filterSelectorStart, hostapi::filterSelectorFinish}) {
        EXPECT_EQ(session.call(selector), hostapi::filterBadParameters);
    }
    EXPECT_EQ(handles().allocated, 0);
    EXPECT_EQ(handles().locked, 0);
    EXPECT_EQ(handles().unlocked, 0);
}

TEST_F(SelectorTest, UnknownSelectorsDoNothing) {
    ASSERT_EQ(session.call(hostapi::filterSelectorParameters), 0);
    const embedded_host::MemoryCounts before = handles();
    for (const hostapi::int16 selector : {6, 7, -1, 32767}) {
        EXPECT_EQ(session.call(selector), 0);
    }
    EXPECT_EQ(handles().allocated, before.allocated);
    EXPECT_EQ(handles().locked, before.locked);
    EXPECT_EQ(handles().unlocked, before.unlocked);
    EXPECT_EQ(dialog().shown, 0);
}

TEST_F(SelectorTest, ContinueAsksForNothingInBothRectangleForms) {
    for (const bool big : {false, true}) {
        SCOPED_TRACE(big);
        RunOptions options;
        options.bigDocument = big;
        begin(options);
        ASSERT_EQ(session.call(hostapi::filterSelectorParameters), 0);
        ASSERT_EQ(session.call(hostapi::filterSelectorPrepare), 0);
        ASSERT_EQ(session.call(hostapi::filterSelectorStart), 0);
        ASSERT_TRUE(session.requestsData()) << "the pass leaves the last tile requested";
        ASSERT_EQ(session.advance(), 0);
        ASSERT_EQ(session.call(hostapi::filterSelectorContinue), 0);
        EXPECT_FALSE(session.requestsData());
        session.end(false);
    }
}

TEST(AboutTest, ShowsTheAboutBoxWithTheAboutRecordsSuiteAndTouchesNoHandle) {
    dialog() = {};
    embedded_host::Host host;
    const embedded_host::RunReport report = host.about();
    EXPECT_EQ(report.result, 0);
    EXPECT_EQ(dialog().aboutShown, 1);
    EXPECT_NE(dialog().aboutBasicSuite, nullptr);
    EXPECT_EQ(report.handles.allocated, 0);
    EXPECT_EQ(report.handles.locked, 0);
    EXPECT_EQ(report.handles.unlocked, 0);
}

}  // namespace
