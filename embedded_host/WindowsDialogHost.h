// The Windows side of what a host offers a plug-in's dialogs: a visible
// top-level window that owns them, displayPixels drawing into the device
// context the plug-in paints, and the GetFileList suite, whose BrowseUrl
// records the addresses it is asked to open instead of starting a browser.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hostapi/FilterRecord.h"

namespace embedded_host {

// A plug-in dialog that has just opened, with the plug-in's records as the
// host sees them during the call.
struct OpenDialog {
    HWND window = nullptr;
    hostapi::FilterRecord* record = nullptr;  // the filter record of the current call
    void* parameters = nullptr;  // the contents of the plug-in's parameters handle
    void* data = nullptr;        // the contents of the plug-in's data handle
};

// While it exists, every session offers its services. With an automation,
// each dialog the plug-in opens is handed to it once shown, inside the
// dialog's own message loop: tests drive the dialog there as a person would,
// and must end it. Without one, the dialog waits for the user.
class DialogHost {
public:
    using Automation = std::function<void(const OpenDialog&)>;

    explicit DialogHost(Automation automation = {});
    ~DialogHost();
    DialogHost(const DialogHost&) = delete;
    DialogHost& operator=(const DialogHost&) = delete;

    HWND owner() const { return owner_; }
    const std::vector<std::string>& browsedUrls() const;

private:
    HWND owner_ = nullptr;
};

// The header of a top-down 24-bit device-independent bitmap: blue, green,
// red, rows padded to four bytes.
BITMAPINFO topDownBitmapInfo(LONG width, LONG height);

// The host's displayPixels: draws srcRect of an RGB pixel map with its top
// left corner at (dstRow, dstCol) of the device context.
hostapi::OSErr HOSTAPI drawPixelMap(const hostapi::PSPixelMap* source, const hostapi::VRect* srcRect,
                                    hostapi::int32 dstRow, hostapi::int32 dstCol, void* deviceContext);

}  // namespace embedded_host
