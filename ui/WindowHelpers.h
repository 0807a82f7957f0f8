// Small window chores shared by the settings dialog and the about box.
#pragma once

#include <windows.h>

namespace hushpix {

// Centres a dialog horizontally over its parent (or the desktop) and puts
// it a third of the way down, keeping it on the screen where it fits.
void centerWindow(HWND window);

// Opens a URL in the user's browser; a failure is shown in a message box.
void openWebAddress(const char* url);

// "100%", "200%" or "400%" for the current zoom factor.
void updateZoomLabel(HWND label);

// Dispatches every message waiting in the thread's queue.
void flushPendingMessages();

}  // namespace hushpix
