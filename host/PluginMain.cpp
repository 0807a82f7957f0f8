#include "host/PluginMain.h"

#include <new>

#include "host/Dialogs.h"
#include "host/FilterImage.h"
#include "host/HostChecks.h"
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
    // Before the dialog: there is nothing to show or filter in an image of
    // a kind the engine does not read.
    if (const OSErr mode = checkImageMode(*context.filterRecord)) {
        *context.resultCell = mode;
        return;
    }
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
        case filterSelectorParameters: initialiseRecords(); break;
        case filterSelectorPrepare: prepare(); break;
        case filterSelectorStart: start(); break;
        case filterSelectorContinue: askForNothing(); break;
        case filterSelectorFinish: finish(); break;
        default: break;
    }
}

// An exception must not unwind into the host, which is no C++ code of
// ours and holds the user's unsaved work: it ends the step with a code.
void reportException() {
    OSErr& result = *hostContext().resultCell;
    try {
        throw;
    } catch (const std::bad_alloc&) {
        result = memFullErr;
    } catch (...) {
        result = paramErr;
    }
}

void run(int16 selector, void* record) {
    HostContext& context = hostContext();
    if (selector == filterSelectorAbout) {
        context.basicSuite = static_cast<AboutRecord*>(record)->sSPBasic;
        showAbout();
        return;
    }
    context.basicSuite = context.filterRecord->sSPBasic;
    if (context.filterRecord->bigDocumentData != nullptr) {
        context.filterRecord->bigDocumentData->PluginUsing32BitCoordinates = 1;
    }
    try {
        dispatch(selector);
    } catch (...) {
        reportException();
    }
    unlockRecords();
}

}  // namespace
}  // namespace hushpix

extern "C" HUSHPIX_EXPORT void HOSTAPI PluginMain(hostapi::int16 selector, void* record,
                                                  std::intptr_t* data, hostapi::int16* result) {
    using namespace hushpix;
    // Without a record or a result cell there is nothing to work on and no
    // way to say so.
    if (record == nullptr || result == nullptr) return;
    if (data == nullptr && selector != hostapi::filterSelectorAbout) {
        *result = hostapi::paramErr;
        return;
    }
    HostContext& context = hostContext();
    context.filterRecord = static_cast<hostapi::FilterRecord*>(record);
    context.dataCell = data;
    context.resultCell = result;
    try {
        run(selector, record);
    } catch (...) {
        reportException();
    }
}
