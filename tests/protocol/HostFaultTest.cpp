// Hosts that misbehave: functions left out, failing or throwing at each call
// in turn, rectangles and strides that do not add up, images the plug-in
// cannot filter, handles and descriptors left by someone else. Every case
// ends with a result code, the image untouched unless the run succeeded,
// and nothing of the host's held on to. (Writes outside the host's buffers
// show under the sanitizer build.)
#include <gtest/gtest.h>

#include <vector>

#include "ProtocolSupport.h"
#include "embedded_host/Faults.h"
#include "engine/Settings.h"
#include "host/Scripting.h"
#include "hostapi/Descriptors.h"
#include "hostapi/FilterRecord.h"

namespace {

using embedded_host::allHostFunctions;
using embedded_host::Descriptor;
using embedded_host::FaultCall;
using embedded_host::FaultRect;
using embedded_host::Host;
using embedded_host::HostFunction;
using embedded_host::nameOf;
using embedded_host::RgbImage;
using embedded_host::RunOptions;
using embedded_host::RunReport;
using embedded_host::ScriptSettings;
using protocol_testing::descriptorOf;
using protocol_testing::noisyRgbImage;
namespace api = hostapi;

constexpr std::int32_t kWidth = 64, kHeight = 48;

std::vector<std::uint8_t> ovalMask(std::int32_t width, std::int32_t height) {
    std::vector<std::uint8_t> mask(std::size_t(width) * height);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const double dx = (x - width / 2.0) / width, dy = (y - height / 2.0) / height;
            mask[std::size_t(y) * width + x] = dx * dx + dy * dy < 0.15 ? 255 : 0;
        }
    }
    return mask;
}

class HostFaultTest : public ::testing::Test {
protected:
    void SetUp() override { protocol_testing::dialog() = {}; }

    // Settings from a recorded action, a last-used entry in the registry
    // and a selection: every host function the plug-in may call is called.
    RunOptions everything() const {
        RunOptions options;
        options.settings = ScriptSettings{1, 2, true};
        options.mask = &mask;
        options.faults.registry[hushpix::kPluginUniqueID] = descriptorOf(0, 1, false);
        return options;
    }

    RunReport run(const RunOptions& options, Host& host) {
        output = image;
        const RunReport report = host.apply(output, options);
        expectNothingHeld(report);
        // A host keeps what start filtered even when finish fails.
        const bool finished = !report.selectors.empty() &&
                              report.selectors.back() == api::filterSelectorFinish;
        if (report.result != api::noErr && !finished) {
            EXPECT_EQ(output.bytes, image.bytes) << "a failed run leaves the image as it was";
        }
        return report;
    }

    RunReport run(const RunOptions& options) {
        Host host;
        return run(options, host);
    }

    static void expectNothingHeld(const RunReport& report) {
        EXPECT_EQ(report.buffers.live(), 0);
        EXPECT_EQ(report.buffers.invalid, 0);
        EXPECT_EQ(report.buffers.locked, report.buffers.unlocked);
        EXPECT_LE(report.handles.live(), 2) << "no more than the plug-in's own two handles";
        EXPECT_EQ(report.handles.invalid, 0);
        EXPECT_EQ(report.handles.locked, report.handles.unlocked);
        EXPECT_EQ(report.actionDescriptorsLive, 0);
        EXPECT_EQ(report.suitesHeld, 0);
        EXPECT_EQ(report.descriptorTokensOpen, 0);
    }

    RgbImage image = noisyRgbImage(kWidth, kHeight, 8);
    std::vector<std::uint8_t> mask = ovalMask(kWidth, kHeight);
    RgbImage output;
};

int advances(const RunReport& report) {
    const auto found = report.calls.find(HostFunction::advanceState);
    return found != report.calls.end() ? found->second : 0;
}

bool neededForThePass(HostFunction function) {
    switch (function) {
        case HostFunction::newHandle:
        case HostFunction::disposeHandle:
        case HostFunction::lockHandle:
        case HostFunction::unlockHandle:
        case HostFunction::allocateBuffer:
        case HostFunction::lockBuffer:
        case HostFunction::unlockBuffer:
        case HostFunction::freeBuffer:
        case HostFunction::advanceState: return true;
        default: return false;
    }
}

TEST_F(HostFaultTest, AFunctionMissingFromItsTableIsDoneWithoutOrReported) {
    for (HostFunction function : allHostFunctions()) {
        SCOPED_TRACE(nameOf(function));
        RunOptions options = everything();
        options.faults.missing = {function};
        const RunReport report = run(options);
        EXPECT_EQ(report.result, neededForThePass(function) ? api::errPlugInHostInsufficient : 0);
    }
}

TEST_F(HostFaultTest, EachCallOfEachFunctionFailingInTurn) {
    const RunReport clean = run(everything());
    ASSERT_EQ(clean.result, 0);
    int runs = 0;
    for (const auto& [function, calls] : clean.calls) {
        for (int call = 1; call <= calls; ++call) {
            SCOPED_TRACE(std::string(nameOf(function)) + " call " + std::to_string(call));
            RunOptions options = everything();
            options.faults.failing = FaultCall{function, call};
            run(options);
            ++runs;
        }
    }
    EXPECT_GT(runs, 30);
}

TEST_F(HostFaultTest, NoExceptionFromAnyCallLeavesThePlugin) {
    const RunReport clean = run(everything());
    for (const auto& [function, calls] : clean.calls) {
        for (int call = 1; call <= calls; ++call) {
            SCOPED_TRACE(std::string(nameOf(function)) + " call " + std::to_string(call));
            RunOptions options = everything();
            options.faults.throwing = FaultCall{function, call};
            RgbImage copy = image;
            Host host;
            EXPECT_NE(host.apply(copy, options).result, 0);
        }
    }
}

TEST_F(HostFaultTest, AnExceptionDuringThePassGivesTheBuffersBack) {
    for (HostFunction function : {HostFunction::advanceState, HostFunction::updateProgress,
                                  HostFunction::testAbort, HostFunction::lockBuffer}) {
        for (bool badAlloc : {false, true}) {
            SCOPED_TRACE(nameOf(function));
            RunOptions options = everything();
            options.faults.throwing = FaultCall{function, 1};
            options.faults.throwBadAlloc = badAlloc;
            const RunReport report = run(options);
            EXPECT_EQ(report.result, badAlloc ? api::memFullErr : api::paramErr);
        }
    }
}

class TiledFaultTest : public HostFaultTest {
protected:
    // Six tiles: three columns of 210 and two rows of 154 with a 7-tap kernel.
    void SetUp() override {
        HostFaultTest::SetUp();
        image = noisyRgbImage(600, 300, 16);
        mask = ovalMask(600, 300);
    }
};

TEST_F(TiledFaultTest, AdvanceStateFailingOrAnAbortAtEachTileStopsThere) {
    RunOptions options = everything();
    options.settings = ScriptSettings{hushpix::kNoiseLow, 2, true};
    ASSERT_EQ(run(options).tiles.size(), 6u);
    for (int tile = 1; tile <= 6; ++tile) {
        SCOPED_TRACE(tile);
        RunOptions failing = options;
        failing.faults.failing = FaultCall{HostFunction::advanceState, tile};
        RunReport report = run(failing);
        EXPECT_EQ(report.result, api::paramErr);
        EXPECT_EQ(advances(report), tile);

        RunOptions aborting = options;
        aborting.abortAfterTiles = tile;
        report = run(aborting);
        EXPECT_EQ(report.result, api::userCanceledErr);
        EXPECT_EQ(report.tiles.size(), std::size_t(tile));
    }
}

TEST_F(HostFaultTest, AnEmptyOrInvertedFilterRectangleFiltersNothing) {
    for (FaultRect rect : {FaultRect{10, 10, 10, 40}, FaultRect{20, 30, 10, 5}}) {
        RunOptions options = everything();
        options.faults.filterRect = rect;
        const RunReport report = run(options);
        EXPECT_EQ(report.result, 0);
        EXPECT_EQ(advances(report), 0);
        EXPECT_EQ(output.bytes, image.bytes);
    }
}

TEST_F(HostFaultTest, AFilterRectangleOutsideTheImageIsRefused) {
    for (FaultRect rect : {FaultRect{-4, 0, 20, 20}, FaultRect{0, 0, 20, kWidth + 1},
                           FaultRect{40, 0, kHeight + 9, 10}, FaultRect{0, -2000000, 1, 0}}) {
        RunOptions options = everything();
        options.faults.filterRect = rect;
        for (bool bigDocument : {true, false}) {
            options.bigDocument = bigDocument;
            const RunReport report = run(options);
            EXPECT_EQ(report.result, api::paramErr);
            EXPECT_EQ(advances(report), 0);
        }
    }
}

TEST_F(HostFaultTest, AnImageWiderThanTheDeclaredLimitIsRefused) {
    image = noisyRgbImage(2000001, 1, 8);
    mask.clear();
    RunOptions options;
    options.settings = ScriptSettings{};
    const RunReport report = run(options);
    EXPECT_EQ(report.result, api::paramErr);
    EXPECT_EQ(advances(report), 0);
}

TEST_F(HostFaultTest, ADeliveryOtherThanTheTileIsRefused) {
    const auto refused = [this](const char* what, auto fault) {
        SCOPED_TRACE(what);
        RunOptions options = everything();
        fault(options.faults);
        const RunReport report = run(options);
        EXPECT_EQ(report.result, api::paramErr);
        EXPECT_EQ(advances(report), 1);
    };
    using Faults = embedded_host::HostFaults;
    refused("smaller rectangle", [](Faults& f) { f.deliveredRect = FaultRect{0, 0, 10, 10}; });
    refused("larger rectangle", [](Faults& f) { f.deliveredRect = FaultRect{0, 0, 900, 900}; });
    refused("inverted rectangle", [](Faults& f) { f.deliveredRect = FaultRect{48, 64, 0, 0}; });
    refused("no input", [](Faults& f) { f.dropInData = true; });
    refused("no output", [](Faults& f) { f.dropOutData = true; });
    refused("no mask", [](Faults& f) { f.dropMaskData = true; });
    refused("short input rows", [](Faults& f) { f.inRowBytesShortBy = 3; });
    refused("short output rows", [](Faults& f) { f.outRowBytesShortBy = 3; });
    refused("short mask rows", [](Faults& f) { f.maskRowBytesShortBy = 1; });
}

TEST_F(HostFaultTest, AnImageOtherThanRgbAtEightOrSixteenBitsIsABadMode) {
    const auto badMode = [this](RunOptions options) {
        const RunReport report = run(options);
        EXPECT_EQ(report.result, api::filterBadMode);
        EXPECT_EQ(advances(report), 0);
        EXPECT_EQ(protocol_testing::dialog().shown, 0);
    };
    for (std::int32_t depth : {0, 1, 32}) {
        RunOptions options = everything();
        options.showDialog = true;
        options.faults.depth = depth;
        badMode(options);
    }
    for (std::int16_t mode : {api::plugInModeGrayScale, api::plugInModeCMYKColor,
                              api::plugInModeLabColor, api::plugInModeRGB96}) {
        RunOptions options = everything();
        options.showDialog = true;
        options.faults.imageMode = mode;
        badMode(options);
    }
}

TEST_F(HostFaultTest, HandlesOfAnotherSizeAreMadeOursAndStartFromTheDefaults) {
    RgbImage expected = image;
    ASSERT_EQ(embedded_host::applyFilter(expected, everything()).result, 0);

    const auto sizes = {std::int32_t(0), std::int32_t(4), std::int32_t(sizeof(hushpix::EngineState) + 64)};
    for (bool resizable : {true, false}) {
        for (std::int32_t size : sizes) {
            SCOPED_TRACE(size);
            Host host;
            RunOptions options = everything();
            if (!resizable) options.faults.missing = {HostFunction::setHandleSize};
            // A first run creates the handles; the second finds them replaced
            // and goes straight to prepare.
            for (int pass = 0; pass < 2; ++pass) {
                options.faults.parametersSize = size;
                options.faults.dataSize = size + 1;
                const RunReport report = run(options, host);
                EXPECT_EQ(report.result, 0);
                EXPECT_EQ(output.bytes, expected.bytes);
                EXPECT_EQ(report.handles.live(), 2);
            }
        }
    }
}

// Prepare keeps the record as it finds it; only its buffers are stale.
TEST_F(HostFaultTest, AForeignDataHandleOfOurSizeFreesNoneOfItsBuffers) {
    Host host;
    ASSERT_EQ(run(everything(), host).result, 0);
    RunOptions options = everything();
    options.faults.dataSize = std::int32_t(sizeof(hushpix::EngineState));
    const RunReport report = run(options, host);
    EXPECT_EQ(report.result, 0);
    EXPECT_NE(output.bytes, image.bytes);
}

TEST_F(HostFaultTest, DescriptorsWithForeignKeysTypesOrRepeatsStillFilter) {
    using api::typeBoolean;
    using api::typeInteger;
    const std::uint32_t noise = api::fourCC("CGfc"), contour = api::fourCC("CGct"),
                        perPixel = api::fourCC("CGpp");
    struct Case {
        const char* what;
        Descriptor played;
        Descriptor recorded;  // the settings the run used
    };
    const std::vector<Case> cases = {
        {"unknown key first", {{api::fourCC("Xtra"), typeInteger, 5}, {noise, typeInteger, 0}},
         descriptorOf(2, 2, true)},
        {"wrong type", {{noise, typeBoolean, 1}, {contour, typeInteger, 0}}, descriptorOf(2, 2, true)},
        {"repeated keys",
         {{noise, typeInteger, 0}, {noise, typeInteger, 1}, {contour, typeInteger, 3}},
         descriptorOf(1, 3, true)},
        {"values out of range",
         {{noise, typeInteger, -9}, {contour, typeInteger, 1 << 30}, {perPixel, typeBoolean, 0}},
         descriptorOf(-9, 1 << 30, false)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunOptions options;
        options.descriptor = c.played;
        const RunReport report = run(options);
        EXPECT_EQ(report.result, 0);
        EXPECT_NE(output.bytes, image.bytes);
        EXPECT_EQ(report.recorded, c.recorded);
    }
}

TEST_F(HostFaultTest, AGarbledRegistryEntryStillFilters) {
    const std::vector<Descriptor> entries = {
        {{api::fourCC("CGfc"), api::typeBoolean, 1}, {api::fourCC("CGct"), api::typeInteger, 7}},
        {{api::fourCC("CGfc"), api::typeInteger, 123456}, {api::fourCC("CGct"), api::typeInteger, -3},
         {api::fourCC("CGpp"), api::typeBoolean, 77}},
        {{api::fourCC("junk"), api::fourCC("junk"), -1}},
        {},
    };
    for (const Descriptor& entry : entries) {
        RunOptions options;
        options.faults.registry[hushpix::kPluginUniqueID] = entry;
        const RunReport report = run(options);
        EXPECT_EQ(report.result, 0);
        EXPECT_NE(output.bytes, image.bytes);
    }
}

}  // namespace
