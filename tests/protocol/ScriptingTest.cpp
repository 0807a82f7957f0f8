// Settings through recorded actions and the descriptor registry, and the
// start step's decision whether to show the dialog.
#include <gtest/gtest.h>

#include "ProtocolSupport.h"
#include "host/Scripting.h"
#include "hostapi/Descriptors.h"

namespace {

using embedded_host::Descriptor;
using embedded_host::Host;
using embedded_host::RgbImage;
using embedded_host::RunOptions;
using embedded_host::RunReport;
using protocol_testing::descriptorOf;
using protocol_testing::dialog;

const Descriptor kDefaults = descriptorOf(2, 2, true);

class ScriptingTest : public ::testing::Test {
protected:
    void SetUp() override { dialog() = {}; }

    RunReport run(const RunOptions& options) {
        RgbImage copy = image;
        const RunReport report = host.apply(copy, options);
        EXPECT_EQ(report.handles.live(), 2) << "descriptor handles are all given back";
        EXPECT_EQ(report.handles.invalid, 0);
        EXPECT_EQ(report.actionDescriptorsLive, 0);
        EXPECT_EQ(report.suitesHeld, 0);
        EXPECT_EQ(report.descriptorTokensOpen, 0);
        filteredImage = copy;
        return report;
    }

    std::optional<Descriptor> registry() const { return host.registryEntry(hushpix::kPluginUniqueID); }

    static RunOptions replay(Descriptor descriptor, bool showDialog) {
        RunOptions options;
        options.descriptor = std::move(descriptor);
        options.showDialog = showDialog;
        return options;
    }

    Host host;
    RgbImage image = protocol_testing::noisyRgbImage(48, 40, 8);
    RgbImage filteredImage;
};

TEST_F(ScriptingTest, WithoutDescriptorTheDialogShowsOnlyAfterParameters) {
    ASSERT_EQ(run(RunOptions{}).result, 0);
    EXPECT_EQ(dialog().shown, 1);
    ASSERT_EQ(run(RunOptions{}).result, 0);
    EXPECT_EQ(dialog().shown, 1) << "a later start on the same data handle";
    RunOptions again;
    again.runParameters = true;
    ASSERT_EQ(run(again).result, 0);
    EXPECT_EQ(dialog().shown, 2);
}

TEST_F(ScriptingTest, ReplayWithoutDialogTakesTheDescriptorsSettings) {
    const RunReport report = run(replay(descriptorOf(0, 3, false), false));
    ASSERT_EQ(report.result, 0);
    EXPECT_EQ(dialog().shown, 0);
    EXPECT_EQ(report.recorded, descriptorOf(0, 3, false));
    EXPECT_EQ(registry(), descriptorOf(0, 3, false));
}

TEST_F(ScriptingTest, ReplayWithDialogShowsItOverTheDescriptorsSettings) {
    dialog().edit = [](hushpix::FilterSettings& settings) {
        EXPECT_EQ(settings.noiseLevel, 1);
        settings.contourLevel = 0;
    };
    const RunReport report = run(replay(descriptorOf(1, 3, true), true));
    ASSERT_EQ(report.result, 0);
    EXPECT_EQ(dialog().shown, 1);
    EXPECT_EQ(report.recorded, descriptorOf(1, 0, true));
}

TEST_F(ScriptingTest, AnUnknownFirstKeyChangesNoSetting) {
    Descriptor descriptor = descriptorOf(0, 0, false);
    descriptor.insert(descriptor.begin(), {hostapi::fourCC("Xtra"), hostapi::typeInteger, 1});
    const RunReport report = run(replay(descriptor, false));
    ASSERT_EQ(report.result, 0);
    EXPECT_EQ(report.recorded, kDefaults);
}

TEST_F(ScriptingTest, OutOfRangeValuesAreKeptAsTheyCame) {
    const RunReport report = run(replay(descriptorOf(7, -3, true), false));
    ASSERT_EQ(report.result, 0);
    EXPECT_EQ(report.recorded, descriptorOf(7, -3, true));
    EXPECT_NE(filteredImage.bytes, image.bytes) << "the filter still runs";
}

TEST_F(ScriptingTest, AReaderThatCannotOpenLeavesTheDecisionToPlayInfo) {
    for (const bool showDialog : {false, true}) {
        SCOPED_TRACE(showDialog);
        dialog() = {};
        RunOptions options = replay(descriptorOf(0, 0, false), showDialog);
        options.failOpenReader = true;
        const RunReport report = run(options);
        ASSERT_EQ(report.result, 0);
        EXPECT_EQ(dialog().shown, showDialog ? 1 : 0);
        EXPECT_EQ(report.recorded, kDefaults) << "nothing was read";
    }
}

TEST_F(ScriptingTest, ACloseErrorSkipsTheDialogButFilters) {
    RunOptions options = replay(Descriptor{descriptorOf(1, 1, true)[0]}, true);
    options.closeReaderError = -4711;
    const RunReport report = run(options);
    ASSERT_EQ(report.result, 0);
    EXPECT_EQ(dialog().shown, 0);
    EXPECT_NE(filteredImage.bytes, image.bytes);
    EXPECT_EQ(report.recorded, descriptorOf(1, 2, true)) << "what was read before the error";
}

TEST_F(ScriptingTest, AWriterThatCannotOpenRecordsNothing) {
    RunOptions options = replay(descriptorOf(0, 1, true), false);
    options.failOpenWriter = true;
    const RunReport report = run(options);
    ASSERT_EQ(report.result, 0);
    EXPECT_FALSE(report.recorded.has_value());
    EXPECT_EQ(registry(), descriptorOf(0, 1, true)) << "the registry is written all the same";
}

TEST_F(ScriptingTest, CancelledDialogRestoresAndRecordsTheEarlierSettings) {
    dialog().edit = [](hushpix::FilterSettings& settings) { settings.noiseLevel = 0; };
    dialog().confirm = false;
    RgbImage copy = image;
    const RunReport report = host.apply(copy, replay(descriptorOf(1, 1, false), true));
    EXPECT_EQ(report.result, hostapi::userCanceledErr);
    EXPECT_EQ(copy.bytes, image.bytes);
    EXPECT_EQ(registry(), kDefaults) << "the settings from before the descriptor was read";
    EXPECT_EQ(report.handles.live(), 2);
}

TEST_F(ScriptingTest, TheRegistryCarriesTheLastSettingsToTheNextRun) {
    EXPECT_FALSE(registry().has_value());
    ASSERT_EQ(run(RunOptions{}).result, 0);
    EXPECT_EQ(registry(), kDefaults) << "first run: defaults, registered";
    ASSERT_EQ(run(replay(descriptorOf(0, 1, false), false)).result, 0);
    RunOptions next;
    next.runParameters = true;
    const RunReport report = run(next);
    EXPECT_EQ(report.recorded, descriptorOf(0, 1, false));
}

TEST_F(ScriptingTest, WithoutScriptingTheRegistryAloneCarriesTheSettings) {
    ASSERT_EQ(run(replay(descriptorOf(1, 3, false), false)).result, 0);
    RunOptions options;
    options.scripting = false;
    options.runParameters = true;
    dialog().edit = [](hushpix::FilterSettings& settings) {
        EXPECT_EQ(settings.noiseLevel, 1);
        EXPECT_EQ(settings.contourLevel, 3);
        EXPECT_EQ(settings.perPixel, 0);
    };
    const RunReport report = run(options);
    ASSERT_EQ(report.result, 0);
    EXPECT_EQ(dialog().shown, 1);
    EXPECT_FALSE(report.recorded.has_value());
}

TEST_F(ScriptingTest, WithoutBasicSuiteTheRegistryIsLeftAlone) {
    RunOptions options = replay(descriptorOf(0, 1, false), false);
    options.basicSuite = false;
    const RunReport report = run(options);
    ASSERT_EQ(report.result, 0);
    EXPECT_EQ(report.recorded, descriptorOf(0, 1, false));
    EXPECT_FALSE(registry().has_value());
}

}  // namespace
