// The settings dialog's procedure, exported by the module under this name.
#pragma once

#include <windows.h>

extern "C" __declspec(dllexport) INT_PTR CALLBACK HushpixProc(HWND dialog, UINT message, WPARAM wParam,
                                                              LPARAM lParam);
