// Runs a dialog of this module inside the module's activation context, as
// the platform's isolation-aware wrapper of DialogBoxParamA does, so that
// the dialog's controls come from the libraries the module was built for
// and not from whatever the host process happens to activate.
#pragma once

#include <windows.h>

namespace hushpix {

// As DialogBoxParamA; -1 when the context exists but cannot be activated.
INT_PTR moduleDialogBox(HINSTANCE module, LPCSTR dialogTemplate, HWND owner, DLGPROC procedure,
                        LPARAM initialValue);

// Gives back the activation context, if one was made; for the module's
// unload.
void releaseModuleActivationContext();

}  // namespace hushpix
