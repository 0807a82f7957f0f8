// The about box: the plug-in's name and version, and two buttons that open
// web pages through the host's browser suite.
#include <cstdio>

#include "host/Dialogs.h"
#include "host/HostContext.h"
#include "resources/DialogIds.h"
#include "ui/GuardedDialogProc.h"
#include "ui/ModuleDialogBox.h"
#include "ui/SuiteHolder.h"
#include "ui/WindowHelpers.h"

namespace hushpix {

using namespace hostapi;

namespace {

constexpr int kTextLength = 256;  // with the terminating zero

// The button's caption is the only source of the address.
void browseTo(HWND dialog, int button) {
    char caption[kTextLength] = {};
    char url[kTextLength] = {};
    GetDlgItemTextA(dialog, button, caption, kTextLength - 1);
    std::snprintf(url, sizeof url, "http://%s", caption);
    SuiteHolder& holder = fileListSuite();
    if (!acquireSuite(holder)) return;
    static_cast<const PSGetFileListSuite4*>(holder.suite)->BrowseUrl(url);
}

INT_PTR aboutMessage(HWND dialog, UINT message, WPARAM wParam) {
    switch (message) {
        case WM_INITDIALOG: {
            centerWindow(dialog);
            char text[kTextLength] = {};
            LoadStringA(static_cast<HINSTANCE>(hostContext().moduleInstance), IDS_ABOUT_TEXT, text,
                        kTextLength - 1);
            SetDlgItemTextA(dialog, IDC_ABOUT_TEXT, text);
            return TRUE;
        }
        case WM_CHAR:
            if (wParam == VK_ESCAPE || wParam == VK_RETURN) EndDialog(dialog, 0);
            return TRUE;
        case WM_LBUTTONDOWN:
            EndDialog(dialog, 0);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                case IDCANCEL: EndDialog(dialog, 0); return TRUE;
                case IDC_MAKER_SITE:
                case IDC_PARTNER_SITE: browseTo(dialog, LOWORD(wParam)); return TRUE;
                default: return FALSE;
            }
        default: return FALSE;
    }
}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return guardedDialogMessage(dialog, [&] { return aboutMessage(dialog, message, wParam); });
}

}  // namespace

void showAbout() {
    HostContext& context = hostContext();
    const auto* about = reinterpret_cast<const AboutRecord*>(context.filterRecord);
    HWND owner = about->platformData != nullptr ? reinterpret_cast<HWND>(about->platformData->hwnd) : nullptr;
    moduleDialogBox(static_cast<HINSTANCE>(context.moduleInstance), MAKEINTRESOURCEA(IDD_ABOUT), owner,
                    aboutDialogProc, 0);
}

}  // namespace hushpix
