// The settings dialog: three settings edited in place in the host's
// parameters record, a zoomable, pannable preview that follows every click.
#include "ui/MainDialog.h"

#include "engine/WorkBuffers.h"
#include "host/Dialogs.h"
#include "host/HostContext.h"
#include "resources/DialogIds.h"
#include "ui/GuardedDialogProc.h"
#include "ui/ModuleDialogBox.h"
#include "ui/Preview.h"
#include "ui/WindowHelpers.h"

namespace hushpix {

using namespace hostapi;

namespace {

constexpr char kMakerHomePage[] = "http://" HUSHPIX_MAKER_HOST "/";
constexpr COLORREF kWebAddressColour = RGB(0, 0, 128);

// White behind the dialog and every control; lives as long as the window.
HBRUSH dialogBrush = nullptr;

EngineState& engine() { return *hostContext().engine; }
FilterSettings& settings() { return *hostContext().settings; }

void freeDialogBuffers() {
    freePreviewBuffer();
    if (const BufferProcs* procs = hostContext().filterRecord->bufferProcs) freeWorkBuffers(engine(), *procs);
}

void startDialog(HWND dialog) {
    dialogBrush = CreateSolidBrush(RGB(255, 255, 255));
    resetPreviewDrag();
    centerWindow(dialog);
    readPreviewFrame(dialog);
    placePreview();
    allocatePreviewBuffer();
    const BufferProcs* procs = hostContext().filterRecord->bufferProcs;
    if (procs != nullptr && procs->numBufferProcs >= kBufferProcsNeeded) {
        allocateWorkBuffers(engine(), *procs, engine().previewWidth, engine().previewHeight, 8);
    }
    setPreviewRunsEngine();
    placePreviewInSelection();
    refreshPreview(dialog);

    // Values outside the ranges, as a replayed action may carry, check
    // nothing; the first click sets a valid one.
    CheckRadioButton(dialog, IDC_NOISE_LOW, IDC_NOISE_HIGH, IDC_NOISE_LOW + settings().noiseLevel);
    CheckRadioButton(dialog, IDC_CONTOUR_NONE, IDC_CONTOUR_STRONG, IDC_CONTOUR_NONE + settings().contourLevel);
    CheckDlgButton(dialog, IDC_PER_PIXEL, settings().perPixel != 0 ? BST_CHECKED : BST_UNCHECKED);
}

void enableControl(HWND dialog, int id, bool enabled) { EnableWindow(GetDlgItem(dialog, id), enabled); }

// 4 -> 2 -> 1: the factor 3 never stays.
void zoomOut(HWND dialog) {
    std::int16_t& zoom = engine().zoomFactor;
    if (zoom > 3) zoom = 3;
    --zoom;
    if (zoom < 2) {
        zoom = 1;
        enableControl(dialog, IDC_ZOOM_OUT, false);
    }
    enableControl(dialog, IDC_ZOOM_IN, true);
    updateZoomLabel(GetDlgItem(dialog, IDC_ZOOM_LABEL));
    refreshPreview(dialog);
}

// 1 -> 2 -> 4.
void zoomIn(HWND dialog) {
    std::int16_t& zoom = engine().zoomFactor;
    ++zoom;
    if (zoom > 2) {
        zoom = 4;
        enableControl(dialog, IDC_ZOOM_IN, false);
    }
    enableControl(dialog, IDC_ZOOM_OUT, true);
    updateZoomLabel(GetDlgItem(dialog, IDC_ZOOM_LABEL));
    refreshPreview(dialog);
}

void command(HWND dialog, int id, int code) {
    constexpr int kClicked = BN_CLICKED;
    if (id == IDC_ZOOM_OUT) return zoomOut(dialog);
    if (id == IDC_ZOOM_IN) return zoomIn(dialog);
    // The other buttons also report focus changes and double clicks.
    if (code != kClicked) return;
    if (id == IDOK || id == IDCANCEL) {
        freeDialogBuffers();
        EndDialog(dialog, id);
    } else if (id >= IDC_NOISE_LOW && id <= IDC_NOISE_HIGH) {
        CheckRadioButton(dialog, IDC_NOISE_LOW, IDC_NOISE_HIGH, id);
        settings().noiseLevel = id - IDC_NOISE_LOW;
        refreshPreview(dialog);
    } else if (id >= IDC_CONTOUR_NONE && id <= IDC_CONTOUR_STRONG) {
        CheckRadioButton(dialog, IDC_CONTOUR_NONE, IDC_CONTOUR_STRONG, id);
        settings().contourLevel = id - IDC_CONTOUR_NONE;
        refreshPreview(dialog);
    } else if (id == IDC_PER_PIXEL) {
        settings().perPixel = settings().perPixel == 0 ? 1 : 0;
        CheckDlgButton(dialog, IDC_PER_PIXEL, settings().perPixel != 0 ? BST_CHECKED : BST_UNCHECKED);
        refreshPreview(dialog);
    } else if (id == IDC_WEB_ADDRESS) {
        openWebAddress(kMakerHomePage);
    }
}

// Black texts, the web address in dark blue, all on white.
INT_PTR colourControl(UINT message, HDC context, HWND control) {
    const bool webAddress = message != WM_CTLCOLORDLG && GetDlgCtrlID(control) == IDC_WEB_ADDRESS;
    SetTextColor(context, webAddress ? kWebAddressColour : RGB(0, 0, 0));
    SetBkMode(context, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(dialogBrush);
}

}  // namespace

bool runDialog() {
    HostContext& context = hostContext();
    const PlatformData* platform = context.filterRecord->platformData;
    HWND owner = platform != nullptr ? reinterpret_cast<HWND>(platform->hwnd) : nullptr;
    const INT_PTR end = moduleDialogBox(static_cast<HINSTANCE>(context.moduleInstance), "HUSHPIXDIALOG",
                                        owner, HushpixProc, 0);
    if (end == IDOK) flushPendingMessages();
    // A dialog that ended without OK or Cancel (or never opened) must not
    // keep the host's buffers.
    freeDialogBuffers();
    // A preview error stays inside the dialog: OK still runs the pass.
    *context.resultCell = noErr;
    return end == IDOK;
}

namespace {

INT_PTR dialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: startDialog(dialog); return TRUE;
        case WM_COMMAND: command(dialog, LOWORD(wParam), HIWORD(wParam)); return TRUE;
        case WM_PAINT:
            if (*hostContext().resultCell == noErr) paintPreview(dialog);
            return FALSE;
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
            return colourControl(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_LBUTTONDOWN: pressPreview(dialog, lParam); return TRUE;
        case WM_MOUSEMOVE: dragPreview(dialog, lParam); return TRUE;
        case WM_LBUTTONUP: releasePreview(dialog, lParam); return TRUE;
        case WM_DESTROY:
            if (dialogBrush != nullptr) {
                DeleteObject(dialogBrush);
                dialogBrush = nullptr;
            }
            return TRUE;
        default: return FALSE;
    }
}

}  // namespace
}  // namespace hushpix

extern "C" INT_PTR CALLBACK HushpixProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return hushpix::guardedDialogMessage(
        dialog, [&] { return hushpix::dialogMessage(dialog, message, wParam, lParam); });
}
