// The plug-in's two dialogs. Builds without the Win32 user interface link
// NoDialogs.cpp, which stands in for both.
#pragma once

namespace hushpix {

// Lets the user edit the locked settings; true when the user confirmed.
bool runDialog();

// Shows the about box. Touches neither of the plug-in's handles.
void showAbout();

}  // namespace hushpix
