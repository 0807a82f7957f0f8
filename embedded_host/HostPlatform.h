// What the host offers a plug-in besides the image and the protocol: on
// Windows, a window that owns the plug-in's dialogs, the drawing of pixel
// maps into a device context, and the browser suite. Nothing unless a
// platform installs it (see WindowsDialogHost.h).
#pragma once

#include <cstdint>

#include "hostapi/PixelMap.h"
#include "hostapi/Suites.h"

namespace embedded_host {

struct HostPlatform {
    std::intptr_t ownerWindow = 0;  // PlatformData.hwnd of every record
    hostapi::DisplayPixelsProc displayPixels = nullptr;
    const hostapi::PSGetFileListSuite4* fileListSuite = nullptr;  // offered when set
    int fileListSuitesHeld = 0;  // acquired and not yet released
};

HostPlatform& hostPlatform();

}  // namespace embedded_host
