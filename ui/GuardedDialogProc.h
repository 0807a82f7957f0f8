// Dialog procedures are called by the system's dialog manager, which is no
// C++ code: an exception unwinding into it would end the host, and the
// user's unsaved work with it. A procedure's body runs through here instead,
// and an exception ends the dialog as cancelled.
#pragma once

#include <windows.h>

namespace hushpix {

template <typename Body>
INT_PTR guardedDialogMessage(HWND dialog, Body body) {
    try {
        return body();
    } catch (...) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
}

}  // namespace hushpix
