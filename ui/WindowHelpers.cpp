#include "ui/WindowHelpers.h"

#include <shellapi.h>

#include <algorithm>

#include "host/HostContext.h"

namespace hushpix {

void centerWindow(HWND window) {
    HWND reference = GetParent(window);
    if (reference == nullptr) reference = GetDesktopWindow();
    RECT area{};
    GetClientRect(reference, &area);
    MapWindowPoints(reference, nullptr, reinterpret_cast<POINT*>(&area), 2);

    // A dialog without a system menu sits a little further left, where the
    // caption's missing button would have been.
    const int buttonWidth = GetSystemMetrics(SM_CXSIZE);
    const bool hasSystemMenu = (GetWindowLongA(window, GWL_STYLE) & WS_SYSMENU) != 0;
    const int shift = hasSystemMenu ? buttonWidth : buttonWidth - buttonWidth / 3;

    RECT outer{};
    GetWindowRect(window, &outer);
    const int w = outer.right - outer.left;
    const int h = outer.bottom - outer.top;
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);

    int x = area.left + std::max(0, int(area.right - area.left) - w) / 2 - shift;
    if (x + w > screenWidth) x = std::max(0, screenWidth - w);
    int y = area.top + std::max(0, int(area.bottom - area.top) - h) / 3;
    if (y + h > screenHeight) y = std::max(0, screenHeight - h);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void openWebAddress(const char* url) {
    const HINSTANCE result = ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOW);
    if (reinterpret_cast<INT_PTR>(result) <= 32) {
        MessageBoxA(nullptr, url, "Error to open internet address!", MB_OK);
    }
}

void updateZoomLabel(HWND label) {
    switch (hostContext().engine->zoomFactor) {
        case 1: SetWindowTextA(label, "100%"); break;
        case 2: SetWindowTextA(label, "200%"); break;
        case 4: SetWindowTextA(label, "400%"); break;
        default: break;
    }
}

void flushPendingMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
        Sleep(0);
    }
}

}  // namespace hushpix
