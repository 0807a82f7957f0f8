#include "host/HostContext.h"

namespace hushpix {

using namespace hostapi;

HostContext& hostContext() {
    static HostContext context;
    return context;
}

namespace {

// A host without the handle functions cannot keep the plug-in's records.
const HandleProcs* handleProcs() {
    const HandleProcs* procs = hostContext().filterRecord->handleProcs;
    if (procs == nullptr || procs->numHandleProcs < kHandleProcsNeeded) return nullptr;
    return procs;
}

Handle newHandle(int32 size) {
    const HandleProcs* procs = handleProcs();
    if (procs == nullptr) return nullptr;
    return procs->newProc(size);
}

Handle dataHandle() { return reinterpret_cast<Handle>(*hostContext().dataCell); }

}  // namespace

bool haveParameters() { return hostContext().filterRecord->parameters != nullptr; }

bool haveEngineData() { return *hostContext().dataCell != 0; }

void createParameters() {
    HostContext& context = hostContext();
    context.filterRecord->parameters = newHandle(sizeof(FilterSettings));
    if (context.filterRecord->parameters == nullptr) *context.resultCell = memFullErr;
}

void createEngineData() {
    HostContext& context = hostContext();
    const Handle handle = newHandle(sizeof(EngineState));
    if (handle != nullptr) {
        *context.dataCell = reinterpret_cast<std::intptr_t>(handle);
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
    context.settings =
        reinterpret_cast<FilterSettings*>(procs->lockProc(context.filterRecord->parameters, true));
    context.engine = reinterpret_cast<EngineState*>(procs->lockProc(dataHandle(), true));
    if (context.settings == nullptr || context.engine == nullptr) {
        *context.resultCell = memFullErr;
        return false;
    }
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
