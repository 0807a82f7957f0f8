// The about box of the built module, shown for selector 0, and its web
// buttons, which reach the host's browser suite.
#include <gtest/gtest.h>

#include "PluginUnderTest.h"
#include "Screen.h"
#include "embedded_host/HostPlatform.h"

namespace ui_testing {
namespace {

using embedded_host::DialogHost;
using embedded_host::OpenDialog;

class AboutBox : public ::testing::Test {
protected:
    embedded_host::LoadedModule module = embedded_host::loadPluginModule(HUSHPIX_MODULE);
    embedded_host::Host host{module.plugin};

    // Shows the about box; true when the automation's action closed it.
    bool closes(const std::function<void(HWND)>& action) {
        bool stillOpen = true;
        DialogHost dialogs([&](const OpenDialog& dialog) {
            action(dialog.window);
            // EndDialog hides the box at once.
            stillOpen = IsWindowVisible(dialog.window) != FALSE;
            // Whatever the action did, the box must end for the test to go on.
            EndDialog(dialog.window, 0);
        });
        host.about();
        return !stillOpen;
    }
};

TEST_F(AboutBox, ShowsNameAndVersionAndOpensTheWebPagesThroughTheHost) {
    std::vector<std::string> browsed;
    bool ran = false;
    {
        DialogHost dialogs([&](const OpenDialog& dialog) {
            ran = true;
            const HWND window = dialog.window;
            EXPECT_EQ(windowText(GetDlgItem(window, 3)), "Hushpix\n\nVersion CS3 Release 1 (02/14/2007)\n\n");
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDOK)));
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDCANCEL)));
            EXPECT_EQ(windowText(GetDlgItem(window, 4)), "www.dravelin.com");
            EXPECT_EQ(windowText(GetDlgItem(window, 5)), "partners.adobe.com");
            saveBitmap(captureScreenOf(window), std::string(HUSHPIX_ARTEFACTS) + "/about.bmp");

            click(window, 4);
            click(window, 5);
            click(window, 4);
            EXPECT_TRUE(IsWindowVisible(window));
            // One acquisition, kept for the next presses.
            EXPECT_EQ(embedded_host::hostPlatform().fileListSuitesHeld, 1);
            // Other characters leave the box open; Escape ends it.
            SendMessageA(window, WM_CHAR, 'x', 0);
            EXPECT_TRUE(IsWindowVisible(window));
            SendMessageA(window, WM_CHAR, VK_ESCAPE, 0);
        });
        const auto report = host.about();
        EXPECT_EQ(report.result, 0);
        EXPECT_TRUE(report.selectors == std::vector<std::int16_t>{0});
        EXPECT_EQ(report.handles.allocated, 0);
        browsed = dialogs.browsedUrls();
    }
    ASSERT_TRUE(ran);
    EXPECT_EQ(browsed, (std::vector<std::string>{"http://www.dravelin.com", "http://partners.adobe.com",
                                                 "http://www.dravelin.com"}));

    // The suite stays acquired after the call; the module gives it back
    // when the host unloads it.
    EXPECT_EQ(embedded_host::hostPlatform().fileListSuitesHeld, 1);
    module.library.reset();
    EXPECT_EQ(GetModuleHandleA("hushpix.8bf"), nullptr);
    EXPECT_EQ(embedded_host::hostPlatform().fileListSuitesHeld, 0);
}

TEST_F(AboutBox, EndsOnReturnEscapeAClickOrItsHiddenButtons) {
    EXPECT_TRUE(closes([](HWND box) { SendMessageA(box, WM_CHAR, VK_RETURN, 0); }));
    EXPECT_TRUE(closes([](HWND box) { SendMessageA(box, WM_CHAR, VK_ESCAPE, 0); }));
    EXPECT_TRUE(closes([](HWND box) { SendMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, at(5, 5)); }));
    EXPECT_TRUE(closes([](HWND box) { SendMessageA(box, WM_COMMAND, IDOK, 0); }));
    EXPECT_TRUE(closes([](HWND box) { SendMessageA(box, WM_COMMAND, IDCANCEL, 0); }));
    EXPECT_FALSE(closes([](HWND box) { SendMessageA(box, WM_CHAR, 'a', 0); }));
}

}  // namespace
}  // namespace ui_testing
