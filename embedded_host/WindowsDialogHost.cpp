#include "embedded_host/WindowsDialogHost.h"

#include <utility>

#include "embedded_host/HostPlatform.h"
#include "embedded_host/Session.h"

namespace embedded_host {

using namespace hostapi;

namespace {

constexpr wchar_t kOwnerClass[] = L"HushpixEmbeddedHostWindow";
constexpr UINT_PTR kDialogShownTimer = 1;
constexpr UINT kPollMilliseconds = 20;

struct DialogHostState {
    DialogHost::Automation automation;
    std::vector<std::string> browsed;
};

DialogHostState& state() {
    static DialogHostState current;
    return current;
}

SPErr HOSTAPI browseUrl(const char* url) {
    state().browsed.emplace_back(url != nullptr ? url : "");
    return kSPNoError;
}

// Only BrowseUrl is offered; the plug-in calls no other slot.
const PSGetFileListSuite4& fileListSuiteTable() {
    static const PSGetFileListSuite4 suite = [] {
        PSGetFileListSuite4 table{};
        table.BrowseUrl = browseUrl;
        return table;
    }();
    return suite;
}

OpenDialog viewOf(HWND window) {
    Session& session = currentSession();
    OpenDialog dialog;
    dialog.window = window;
    dialog.record = &session.record;
    if (session.record.parameters != nullptr) dialog.parameters = *session.record.parameters;
    if (session.dataCell != 0) dialog.data = *reinterpret_cast<Handle>(session.dataCell);
    return dialog;
}

struct OwnedWindowSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK findShownOwnedWindow(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<OwnedWindowSearch*>(context);
    if (GetWindow(window, GW_OWNER) != search.owner || !IsWindowVisible(window)) return TRUE;
    search.found = window;
    return FALSE;
}

// The visible window that `owner` owns, if any.
HWND shownDialogOf(HWND owner) {
    OwnedWindowSearch search{owner, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), findShownOwnedWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A modal dialog disables its owner before its message loop starts and
// shows itself once that loop first runs out of messages; the timer fires
// only then, so the automation finds the dialog on the screen.
void dialogMayBeShown(HWND owner) {
    HWND dialog = shownDialogOf(owner);
    if (dialog == nullptr) return;
    KillTimer(owner, kDialogShownTimer);
    UpdateWindow(dialog);
    state().automation(viewOf(dialog));
}

LRESULT CALLBACK ownerProcedure(HWND owner, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENABLE && wParam == FALSE && state().automation) {
        SetTimer(owner, kDialogShownTimer, kPollMilliseconds, nullptr);
        return 0;
    }
    if (message == WM_TIMER && wParam == kDialogShownTimer) {
        dialogMayBeShown(owner);
        return 0;
    }
    return DefWindowProcW(owner, message, wParam, lParam);
}

void registerOwnerClass() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ownerProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    windowClass.lpszClassName = kOwnerClass;
    RegisterClassW(&windowClass);  // fails harmlessly when already registered
}

}  // namespace

DialogHost::DialogHost(Automation automation) {
    state() = DialogHostState{std::move(automation), {}};
    registerOwnerClass();
    owner_ = CreateWindowW(kOwnerClass, L"Hushpix embedded host", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(owner_, SW_SHOWNORMAL);
    UpdateWindow(owner_);

    HostPlatform& platform = hostPlatform();
    platform.ownerWindow = reinterpret_cast<std::intptr_t>(owner_);
    platform.displayPixels = drawPixelMap;
    platform.fileListSuite = &fileListSuiteTable();
}

DialogHost::~DialogHost() {
    HostPlatform& platform = hostPlatform();
    platform.ownerWindow = 0;
    platform.displayPixels = nullptr;
    platform.fileListSuite = nullptr;
    DestroyWindow(owner_);
    state().automation = nullptr;
}

const std::vector<std::string>& DialogHost::browsedUrls() const { return state().browsed; }

BITMAPINFO topDownBitmapInfo(LONG width, LONG height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

OSErr HOSTAPI drawPixelMap(const PSPixelMap* source, const VRect* srcRect, int32 dstRow, int32 dstCol,
                           void* deviceContext) {
    if (source == nullptr || srcRect == nullptr || deviceContext == nullptr ||
        source->imageMode != plugInModeRGBColor) {
        return paramErr;
    }
    const int32 width = srcRect->right - srcRect->left;
    const int32 height = srcRect->bottom - srcRect->top;
    if (width <= 0 || height <= 0) return noErr;

    const int32 stride = (width * 3 + 3) & ~3;
    std::vector<std::uint8_t> bits(std::size_t(stride) * std::size_t(height));
    const auto* base = static_cast<const std::uint8_t*>(source->baseAddr);
    for (int32 y = 0; y < height; ++y) {
        for (int32 x = 0; x < width; ++x) {
            const std::uint8_t* pixel =
                base + std::ptrdiff_t(srcRect->top + y - source->bounds.top) * source->rowBytes +
                std::ptrdiff_t(srcRect->left + x - source->bounds.left) * source->colBytes;
            std::uint8_t* target = bits.data() + std::size_t(y) * std::size_t(stride) + 3 * std::size_t(x);
            target[0] = pixel[2 * source->planeBytes];
            target[1] = pixel[source->planeBytes];
            target[2] = pixel[0];
        }
    }
    const BITMAPINFO info = topDownBitmapInfo(width, height);
    SetDIBitsToDevice(static_cast<HDC>(deviceContext), dstCol, dstRow, DWORD(width), DWORD(height), 0, 0, 0,
                      UINT(height), bits.data(), &info, DIB_RGB_COLORS);
    return noErr;
}

}  // namespace embedded_host
