#include "host/PluginMain.h"

#include "host/Dialogs.h"
#include "host/FilterImage.h"
#include "host/HostContext.h"
#include "host/Rectangles.h"
#include "host/Scripting.h"

namespace hushpix {
namespace {

using namespace hostapi;

// Parameters, and prepare without both records: make what is missing and
// start from the default settings.
void initialiseRecords() {
    HostContext& context = hostContext();
    if (!haveParameters()) createParameters();
    if (!haveEngineData()) createEngineData();
    if (*context.resultCell != noErr || !lockRecords()) return;
    setDefaultSettings(*context.settings);
    resetEngineState(*context.engine);
}

void prepare() {
    if (haveParameters() && haveEngineData()) {
        lockRecords();
    } else {
        initialiseRecords();
    }
}

void start() {
    HostContext& context = hostContext();
    if (!lockRecords()) return;
    readRegistrySettings();
    const FilterSettings before = *context.settings;

    bool proceed = true;
    bool display = false;
    // A descriptor that could not be read runs the filter without the
    // dialog, with whatever was read before the failure.
    if (readScriptSettings(display) == noErr && display) proceed = runDialog();
    context.engine->promptOnStart = 0;

    if (proceed) {
        filterImage();
    } else {
        *context.settings = before;
        writeScriptSettings();
        writeRegistrySettings();
        *context.resultCell = userCanceledErr;
    }
}

// The whole image was filtered during start: ask for nothing more.
void askForNothing() {
    constexpr Rectangle empty{0, 0, 0, 0};
    setInRect(empty);
    setOutRect(empty);
    setMaskRect(empty);
}

void finish() {
    if (!lockRecords()) return;
    writeScriptSettings();
    writeRegistrySettings();
}

void dispatch(int16 selector) {
    switch (selector) {
        case filterSelectorAbout: showAbout(); break;
        case filterSelectorParameters: initialiseRecords(); break;
        case filterSelectorPrepare: prepare(); break;
        case filterSelectorStart: start(); break;
        case filterSelectorContinue: askForNothing(); break;
        case filterSelectorFinish: finish(); break;
        default: break;
    }
}

}  // namespace
}  // namespace hushpix

extern "C" HUSHPIX_EXPORT void HOSTAPI PluginMain(hostapi::int16 selector, void* record,
                                                  std::intptr_t* data, hostapi::int16* result) {
    using namespace hushpix;
    HostContext& context = hostContext();
    context.filterRecord = static_cast<hostapi::FilterRecord*>(record);
    context.dataCell = data;
    context.resultCell = result;
    if (selector == hostapi::filterSelectorAbout) {
        context.basicSuite = static_cast<hostapi::AboutRecord*>(record)->sSPBasic;
    } else {
        context.basicSuite = context.filterRecord->sSPBasic;
        if (context.filterRecord->bigDocumentData != nullptr) {
            context.filterRecord->bigDocumentData->PluginUsing32BitCoordinates = 1;
        }
    }
    dispatch(selector);
    if (selector != hostapi::filterSelectorAbout) unlockRecords();
}
