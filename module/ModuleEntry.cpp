// The module's load entry. The dialogs and the about box load their
// templates and strings from the module, so its instance handle is kept;
// every notification stores it and reports success.
#include <windows.h>

#include "host/HostContext.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/) {
    hushpix::hostContext().moduleInstance = instance;
    return TRUE;
}
