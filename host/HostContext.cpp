#include "host/HostContext.h"

namespace hushpix {

using namespace hostapi;

HostContext& hostContext() {
    static HostContext context;
    return context;
}

namespace {

Handle dataHandle() { return reinterpret_cast<Handle>(*hostContext().dataCell); }

void setDataHandle(Handle handle) { *hostContext().dataCell = reinterpret_cast<std::intptr_t>(handle); }

// Makes `handle` hold exactly `size` bytes. A handle of another size was
// left by another version of the plug-in, or by another plug-in: reading it
// as ours would run past its end or misread it. It is resized where the
// host can, and made anew otherwise; `fresh` then says that its contents
// must be reset. Without getSizeProc the host's handle is taken as it is.
bool fitHandle(const HandleProcs& procs, Handle& handle, int32 size, bool& fresh) {
    fresh = false;
    if (procs.getSizeProc == nullptr || procs.getSizeProc(handle) == size) return true;
    fresh = true;
    if (procs.setSizeProc != nullptr && procs.setSizeProc(handle, size) == noErr &&
        procs.getSizeProc(handle) == size) {
        return true;
    }
    const Handle replacement = procs.newProc(size);
    if (replacement == nullptr) return false;
    procs.disposeProc(handle);
    handle = replacement;
    return true;
}

}  // namespace

// A host without the handle functions cannot keep the plug-in's records.
const HandleProcs* handleProcs() {
    const HandleProcs* procs = hostContext().filterRecord->handleProcs;
    if (procs == nullptr || procs->numHandleProcs < kHandleProcsNeeded) return nullptr;
    if (procs->newProc == nullptr || procs->disposeProc == nullptr || procs->lockProc == nullptr ||
        procs->unlockProc == nullptr) {
        return nullptr;
    }
    return procs;
}

bool haveParameters() { return hostContext().filterRecord->parameters != nullptr; }

bool haveEngineData() { return *hostContext().dataCell != 0; }

void createParameters() {
    HostContext& context = hostContext();
    const HandleProcs* procs = handleProcs();
    if (procs == nullptr) {
        *context.resultCell = errPlugInHostInsufficient;
        return;
    }
    context.filterRecord->parameters = procs->newProc(sizeof(FilterSettings));
    if (context.filterRecord->parameters == nullptr) *context.resultCell = memFullErr;
}

void createEngineData() {
    HostContext& context = hostContext();
    const HandleProcs* procs = handleProcs();
    if (procs == nullptr) {
        *context.resultCell = errPlugInHostInsufficient;
        return;
    }
    const Handle handle = procs->newProc(sizeof(EngineState));
    if (handle != nullptr) {
        setDataHandle(handle);
    } else {
        *context.resultCell = memFullErr;
    }
}

bool lockRecords() {
    HostContext& context = hostContext();
    const HandleProcs* procs = handleProcs();
    if (!haveParameters() || !haveEngineData() || procs == nullptr) {
        *context.resultCell = filterBadParameters;
        return false;
    }
    bool freshSettings = false, freshEngine = false;
    // Copies: the record's fields are packed, too loosely aligned to bind.
    Handle parameters = context.filterRecord->parameters;
    Handle data = dataHandle();
    const bool fitted = fitHandle(*procs, parameters, sizeof(FilterSettings), freshSettings) &&
                        fitHandle(*procs, data, sizeof(EngineState), freshEngine);
    context.filterRecord->parameters = parameters;
    setDataHandle(data);
    if (!fitted) {
        *context.resultCell = memFullErr;
        return false;
    }
    context.settings =
        reinterpret_cast<FilterSettings*>(procs->lockProc(context.filterRecord->parameters, true));
    context.engine = reinterpret_cast<EngineState*>(procs->lockProc(dataHandle(), true));
    if (context.settings == nullptr || context.engine == nullptr) {
        *context.resultCell = memFullErr;
        return false;
    }
    if (freshSettings) setDefaultSettings(*context.settings);
    if (freshEngine) resetEngineState(*context.engine);
    // No call of PluginMain returns holding one of the host's buffers, so a
    // buffer found in the record at the start of a call is stale: the record
    // was left by another version or another plug-in, or restored by the
    // host from an old copy. Giving it back would free something else.
    forgetBuffers(*context.engine);
    return true;
}

// Unlocks only what this call locked: a handle that was never locked, or
// whose lock failed, is left alone.
void unlockRecords() {
    HostContext& context = hostContext();
    const HandleProcs* procs = handleProcs();
    if (procs != nullptr) {
        if (context.engine != nullptr) procs->unlockProc(dataHandle());
        if (context.settings != nullptr) procs->unlockProc(context.filterRecord->parameters);
    }
    context.settings = nullptr;
    context.engine = nullptr;
}

}  // namespace hushpix
