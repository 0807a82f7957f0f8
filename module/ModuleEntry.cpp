// The module's load entry. The dialogs and the about box load their
// templates and strings from the module, so its instance handle is kept;
// every notification stores it and reports success.
#include <windows.h>

#include "host/HostContext.h"
#include "ui/ModuleUnload.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    hushpix::hostContext().moduleInstance = instance;
    // Only when the host unloads the module: at the end of the process
    // (reserved not null) the host's suites may already be gone.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) hushpix::releaseModuleHolds();
    return TRUE;
}
