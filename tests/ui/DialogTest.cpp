// The settings dialog of the built module, opened through PluginMain's
// start in our embedded host and driven as a person drives it: clicks,
// keys and drags, each by the messages Windows sends for it.
#include <gtest/gtest.h>

#include <algorithm>

#include "PluginUnderTest.h"
#include "Screen.h"

namespace ui_testing {
namespace {

using embedded_host::Area;
using embedded_host::DialogHost;
using embedded_host::OpenDialog;
using embedded_host::RunOptions;

constexpr Colour kWhite{255, 255, 255};
constexpr Colour kBlack{0, 0, 0};
constexpr Colour kDarkBlue{0, 0, 128};

class SettingsDialog : public ::testing::Test {
protected:
    embedded_host::LoadedModule module = embedded_host::loadPluginModule(HUSHPIX_MODULE);
    embedded_host::RgbImage image = testImage();
    const embedded_host::RgbImage original = image;

    embedded_host::RunReport run(embedded_host::Host& host, DialogHost::Automation automation,
                                 RunOptions options = {}) {
        DialogHost dialogs(std::move(automation));
        return host.apply(image, options);
    }
};

void expectPreviewIsEngineResult(const PluginView& view, const embedded_host::RgbImage& image) {
    EXPECT_EQ(view.previewPixels(), engineResult(image, view.inRect(), view.settings()));
}

// At 100 % the host draws every preview pixel where it belongs.
void expectScreenShowsPreview(const PluginView& view) {
    const HWND dialog = view.dialog.window;
    const RECT area = previewArea(dialog);
    const Capture screen = captureClient(dialog);
    const std::vector<std::uint8_t> preview = view.previewPixels();
    const int width = view.engine().previewWidth;
    int wrong = 0;
    for (int y = 0; y < view.engine().previewHeight; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* pixel = preview.data() + (std::size_t(y) * width + x) * 3;
            wrong += !(screen.at(area.left + x, area.top + y) == Colour{pixel[0], pixel[1], pixel[2]});
        }
    }
    EXPECT_EQ(wrong, 0);
}

// Magnified, the middle of the preview is enlarged over the whole area:
// every screen pixel shows the preview pixel it covers. The enlargement is
// not a whole multiple when the area's size is not one of the zoom, and the
// stretch blit may then round a position either way.
void expectScreenShowsMagnified(const PluginView& view, int zoom) {
    const HWND dialog = view.dialog.window;
    const RECT area = previewArea(dialog);
    const Capture screen = captureClient(dialog);
    const std::vector<std::uint8_t> preview = view.previewPixels();
    const int width = view.engine().previewWidth;
    const int height = view.engine().previewHeight;
    const int sx = width / (2 * zoom), sw = width / zoom;
    const int sy = height / (2 * zoom), sh = height / zoom;
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int px = sx + x * sw / width;
            const int py = sy + y * sh / height;
            bool found = false;
            for (int qy = std::max(0, py - 1); qy <= std::min(height - 1, py + 1); ++qy) {
                for (int qx = std::max(0, px - 1); qx <= std::min(width - 1, px + 1); ++qx) {
                    const std::uint8_t* pixel = preview.data() + (std::size_t(qy) * width + qx) * 3;
                    found = found || screen.at(area.left + x, area.top + y) == Colour{pixel[0], pixel[1], pixel[2]};
                }
            }
            wrong += !found;
        }
    }
    EXPECT_EQ(wrong, 0) << "at " << zoom * 100 << "%";
}

bool checked(HWND dialog, int control) { return IsDlgButtonChecked(dialog, control) == BST_CHECKED; }
bool enabled(HWND dialog, int control) { return IsWindowEnabled(GetDlgItem(dialog, control)) != FALSE; }

void screenshot(HWND dialog, const std::string& name) {
    saveBitmap(captureScreenOf(dialog), std::string(HUSHPIX_ARTEFACTS) + "/" + name + ".bmp");
}

// Noise level, contour level and per-pixel flag as the plug-in recorded
// them for the host's actions.
std::vector<std::int32_t> recorded(const embedded_host::Descriptor& descriptor) {
    std::vector<std::int32_t> values;
    for (const char* key : {"CGfc", "CGct", "CGpp"}) {
        for (const auto& item : descriptor) {
            if (item.key == hostapi::fourCC(*reinterpret_cast<const char(*)[5]>(key))) values.push_back(item.value);
        }
    }
    return values;
}

void pressKey(HWND dialog, WPARAM key) {
    HWND focus = GetFocus();
    PostMessageA(focus != nullptr ? focus : dialog, WM_KEYDOWN, key, 0);
}

TEST_F(SettingsDialog, ShowsTheSettingsAndFollowsEveryClick) {
    embedded_host::Host host(module.plugin);
    bool ran = false;
    // No descriptor: the first run after the parameters call asks for the
    // dialog, which opens with the default settings.
    const auto report = run(host, [&](const OpenDialog& dialog) {
        ran = true;
        const PluginView view{dialog};
        const HWND window = dialog.window;
        EXPECT_EQ(windowText(window), "Hushpix");
        EXPECT_TRUE(checked(window, 10));  // High
        EXPECT_TRUE(checked(window, 102));  // Normal contours
        EXPECT_TRUE(checked(window, 11));
        EXPECT_FALSE(checked(window, 8) || checked(window, 9) || checked(window, 100) ||
                     checked(window, 101) || checked(window, 103));
        EXPECT_EQ(windowText(GetDlgItem(window, 70)), "100%");
        EXPECT_EQ(windowText(GetDlgItem(window, 67)), "www.dravelin.com");
        EXPECT_TRUE(enabled(window, 68) && enabled(window, 69));
        expectPreviewIsEngineResult(view, image);
        expectScreenShowsPreview(view);

        // The look: white everywhere, a black outline one blank pixel off
        // the picture, the web address in dark blue.
        const Capture screen = captureClient(window);
        const RECT area = previewArea(window);
        EXPECT_EQ(screen.at(2, screen.height - 3), kWhite);
        EXPECT_EQ(screen.at(area.left - 2, area.top - 2), kBlack);
        EXPECT_EQ(screen.at(area.left - 1, area.top - 1), kWhite);
        RECT web{};
        GetWindowRect(GetDlgItem(window, 67), &web);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&web), 2);
        int blue = 0;
        for (int y = web.top; y < web.bottom; ++y) {
            for (int x = web.left; x < web.right; ++x) blue += screen.at(x, y) == kDarkBlue;
        }
        EXPECT_GT(blue, 20);
        screenshot(window, "dialog-100");

        struct Choice {
            int control;
            std::int32_t noise, contour;
        };
        for (const Choice choice : {Choice{8, 0, 2}, Choice{9, 1, 2}, Choice{10, 2, 2}, Choice{100, 2, 0},
                                    Choice{101, 2, 1}, Choice{103, 2, 3}, Choice{102, 2, 2}}) {
            click(window, choice.control);
            EXPECT_EQ(view.settings().noiseLevel, choice.noise) << choice.control;
            EXPECT_EQ(view.settings().contourLevel, choice.contour) << choice.control;
            EXPECT_TRUE(checked(window, choice.control));
            expectPreviewIsEngineResult(view, image);
        }
        click(window, 8);
        EXPECT_FALSE(checked(window, 9) || checked(window, 10));
        click(window, 11);
        EXPECT_EQ(view.settings().perPixel, 0);
        EXPECT_FALSE(checked(window, 11));
        expectPreviewIsEngineResult(view, image);
        UpdateWindow(window);
        expectScreenShowsPreview(view);
        view.settings().perPixel = 7;  // any non-zero value counts as on
        click(window, 11);
        EXPECT_EQ(view.settings().perPixel, 0);
        click(window, 11);
        EXPECT_EQ(view.settings().perPixel, 1);

        // Focus changes and double clicks are no clicks.
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(9, BN_DOUBLECLICKED), LPARAM(GetDlgItem(window, 9)));
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(11, BN_SETFOCUS), LPARAM(GetDlgItem(window, 11)));
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_KILLFOCUS), LPARAM(GetDlgItem(window, IDOK)));
        EXPECT_EQ(view.settings().noiseLevel, 0);
        EXPECT_EQ(view.settings().perPixel, 1);
        EXPECT_TRUE(IsWindow(window));

        // Zoom: "-" at 100 % stays, "+" steps 1, 2, 4 and stops.
        click(window, 68);
        EXPECT_EQ(view.engine().zoomFactor, 1);
        EXPECT_FALSE(enabled(window, 68));
        EXPECT_TRUE(enabled(window, 69));
        EXPECT_EQ(windowText(GetDlgItem(window, 70)), "100%");
        click(window, 69);
        EXPECT_EQ(view.engine().zoomFactor, 2);
        EXPECT_EQ(windowText(GetDlgItem(window, 70)), "200%");
        EXPECT_TRUE(enabled(window, 68));
        UpdateWindow(window);
        expectScreenShowsMagnified(view, 2);
        screenshot(window, "dialog-200");
        click(window, 69);
        EXPECT_EQ(view.engine().zoomFactor, 4);
        EXPECT_EQ(windowText(GetDlgItem(window, 70)), "400%");
        EXPECT_FALSE(enabled(window, 69));
        UpdateWindow(window);
        expectScreenShowsMagnified(view, 4);
        screenshot(window, "dialog-400");
        // The zoom buttons act on every notification they send.
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(69, BN_SETFOCUS), LPARAM(GetDlgItem(window, 69)));
        EXPECT_EQ(view.engine().zoomFactor, 4);
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(68, BN_SETFOCUS), LPARAM(GetDlgItem(window, 68)));
        EXPECT_EQ(view.engine().zoomFactor, 2);
        EXPECT_EQ(windowText(GetDlgItem(window, 70)), "200%");
        click(window, 68);
        EXPECT_EQ(view.engine().zoomFactor, 1);
        EXPECT_FALSE(enabled(window, 68));
        expectPreviewIsEngineResult(view, image);

        pressKey(window, VK_RETURN);  // the default button: OK
    });
    ASSERT_TRUE(ran);
    EXPECT_EQ(report.result, 0);
    EXPECT_NE(image.bytes, original.bytes);
    EXPECT_EQ(report.buffers.live(), 0);
    ASSERT_TRUE(report.recorded.has_value());
    // The settings the dialog left: Low, Normal, per pixel on.
    EXPECT_EQ(recorded(*report.recorded), (std::vector<std::int32_t>{0, 2, 1}));
}

TEST_F(SettingsDialog, DraggingPansTheSourceWithinTheImage) {
    embedded_host::Host host(module.plugin);
    const auto report = run(host, [&](const OpenDialog& dialog) {
        const PluginView view{dialog};
        const HWND window = dialog.window;
        const RECT area = previewArea(window);
        const int width = view.engine().previewWidth;
        const int height = view.engine().previewHeight;
        const Area start = view.inRect();
        EXPECT_EQ(start.left, 300 - width / 2);
        EXPECT_EQ(start.top, 210 - height / 2);

        // A press outside the preview, or on its first column, starts no drag.
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at(area.left, area.top + 10));
        EXPECT_NE(GetCapture(), window);
        SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, at(area.left + 30, area.top + 30));
        SendMessageA(window, WM_LBUTTONUP, 0, at(area.left + 30, area.top + 30));
        EXPECT_EQ(view.inRect(), start);

        // The pointer 10 to the left and 6 up moves the source 10 right and
        // 6 down; while dragging the preview shows raw pixels.
        const int x = (area.left + area.right) / 2;
        const int y = (area.top + area.bottom) / 2;
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at(x, y));
        EXPECT_EQ(GetCapture(), window);
        EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_HAND));
        SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, at(x - 10, y - 6));
        const Area moved{start.top + 6, start.left + 10, start.bottom + 6, start.right + 10};
        EXPECT_EQ(view.inRect(), moved);
        EXPECT_EQ(view.previewPixels(), crop(image, moved));
        // Outside the preview nothing moves; the anchor stays.
        SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, at(area.right + 40, y));
        EXPECT_EQ(view.inRect(), moved);
        // Released without moving: no step, but the engine runs.
        SendMessageA(window, WM_LBUTTONUP, 0, at(x - 10, y - 6));
        EXPECT_EQ(view.inRect(), moved);
        EXPECT_NE(GetCapture(), window);
        EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
        expectPreviewIsEngineResult(view, image);

        // Far to the right: the source stops at the image's left and top.
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at(area.left + 2, area.top + 2));
        SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, at(area.right - 2, area.bottom - 2));
        EXPECT_EQ(view.inRect(), (Area{0, 0, height, width}));
        SendMessageA(window, WM_LBUTTONUP, 0, at(area.right - 2, area.bottom - 2));
        // Far to the left, twice: it stops at the right and bottom edges.
        for (int i = 0; i < 2; ++i) {
            SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at(area.right - 2, area.bottom - 2));
            SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, at(area.left + 2, area.top + 2));
            SendMessageA(window, WM_LBUTTONUP, 0, at(area.left + 2, area.top + 2));
        }
        EXPECT_EQ(view.inRect(), (Area{420 - height, 600 - width, 420, 600}));
        expectPreviewIsEngineResult(view, image);
        UpdateWindow(window);
        expectScreenShowsPreview(view);

        click(window, IDOK);
    });
    EXPECT_EQ(report.result, 0);
    EXPECT_EQ(report.buffers.live(), 0);
}

TEST_F(SettingsDialog, CancelAndEscapeRestoreTheSettingsAndLeaveTheImage) {
    embedded_host::Host host(module.plugin);
    // Every run starts with the parameters call, so that each asks for the
    // dialog; the settings come back from the host's registry.
    RunOptions options;
    options.runParameters = true;
    const auto accepted = run(
        host,
        [](const OpenDialog& dialog) {
            click(dialog.window, 9);
            click(dialog.window, 103);
            click(dialog.window, 11);
            click(dialog.window, IDOK);
        },
        options);
    ASSERT_EQ(accepted.result, 0);
    const embedded_host::RgbImage acceptedImage = image;

    for (const bool escape : {false, true}) {
        const auto report = run(
            host,
            [&](const OpenDialog& dialog) {
                const PluginView view{dialog};
                EXPECT_TRUE(checked(dialog.window, 9));
                EXPECT_TRUE(checked(dialog.window, 103));
                EXPECT_FALSE(checked(dialog.window, 11));
                click(dialog.window, 8);
                click(dialog.window, 100);
                click(dialog.window, 11);
                EXPECT_EQ(view.settings().noiseLevel, 0);
                EXPECT_EQ(view.settings().contourLevel, 0);
                EXPECT_EQ(view.settings().perPixel, 1);
                if (escape) {
                    pressKey(dialog.window, VK_ESCAPE);
                } else {
                    click(dialog.window, IDCANCEL);
                }
            },
            options);
        EXPECT_EQ(report.result, hostapi::userCanceledErr);
        EXPECT_EQ(image.bytes, acceptedImage.bytes);
        EXPECT_EQ(report.buffers.live(), 0);
        // What the host remembers is what the user accepted last.
        const auto remembered = host.registryEntry("d9543o0d-3a91-11v4-97ov-00u0r0204937");
        ASSERT_TRUE(remembered.has_value());
        EXPECT_EQ(recorded(*remembered), (std::vector<std::int32_t>{1, 3, 0}));
    }
}

// A host that refuses the preview's pixels leaves the preview blank; OK
// still runs the whole image.
TEST_F(SettingsDialog, ARefusedPreviewStillFiltersOnOk) {
    embedded_host::Host host(module.plugin);
    RunOptions options;
    options.failAdvanceStateAt = 1;  // the preview's first fetch
    const auto report = run(
        host,
        [](const OpenDialog& dialog) {
            click(dialog.window, 9);  // the settings still work
            EXPECT_EQ(PluginView{dialog}.settings().noiseLevel, 1);
            UpdateWindow(dialog.window);
            const RECT area = previewArea(dialog.window);
            const Capture screen = captureClient(dialog.window);
            EXPECT_EQ(screen.at((area.left + area.right) / 2, (area.top + area.bottom) / 2), kWhite);
            click(dialog.window, IDOK);
        },
        options);
    EXPECT_EQ(report.result, 0);
    EXPECT_NE(image.bytes, original.bytes);
    EXPECT_EQ(report.buffers.live(), 0);
}

// The preview is 8-bit whatever the image: the host's 16-bit samples,
// 0 to 32768, are scaled to 0 to 255 as they are copied.
TEST_F(SettingsDialog, PreviewsSixteenBitImagesScaledToEightBits) {
    embedded_host::RgbImage deep{image.width, image.height, 16, {}};
    embedded_host::RgbImage scaled = image;
    std::mt19937 random(3);
    std::uniform_int_distribution<std::uint32_t> sample(0, 32768);
    for (std::size_t i = 0; i < image.bytes.size(); ++i) {
        const auto value = std::uint16_t(i < 3 ? 32768 - 32640 * i / 2 : sample(random));  // 32768, 32704, 128
        deep.bytes.push_back(std::uint8_t(value & 0xFF));
        deep.bytes.push_back(std::uint8_t(value >> 8));
        scaled.bytes[i] = std::uint8_t(value * 10 / 1285);
    }
    EXPECT_EQ(scaled.bytes[0], 255);
    image = deep;
    embedded_host::Host host(module.plugin);
    const auto report = run(host, [&](const OpenDialog& dialog) {
        const PluginView view{dialog};
        expectPreviewIsEngineResult(view, scaled);
        click(dialog.window, IDCANCEL);
    });
    EXPECT_EQ(report.result, hostapi::userCanceledErr);
    EXPECT_EQ(image.bytes, deep.bytes);
}

// The selection's bounding box is found for every dialog: a second run
// with another selection previews and filters that one.
TEST_F(SettingsDialog, EachRunPreviewsAndFiltersItsOwnSelection) {
    embedded_host::Host host(module.plugin);
    const Area boxes[] = {{20, 30, 120, 150}, {300, 400, 400, 560}};
    for (const Area& box : boxes) {
        std::vector<std::uint8_t> mask(std::size_t(image.width) * image.height, 0);
        for (std::int32_t y = box.top; y < box.bottom; ++y) {
            for (std::int32_t x = box.left; x < box.right; ++x) {
                // A disc-like selection: the corners of the box stay out.
                const bool corner = (y - box.top < 5 || box.bottom - y <= 5) && (x - box.left < 5 || box.right - x <= 5);
                if (!corner) mask[std::size_t(y) * image.width + x] = 255;
            }
        }
        RunOptions options;
        options.mask = &mask;
        options.settings = embedded_host::ScriptSettings{};
        options.showDialog = true;
        const embedded_host::RgbImage before = image;
        const auto report = run(
            host,
            [&](const OpenDialog& dialog) {
                const PluginView view{dialog};
                const hushpix::Rectangle& bounds = view.engine().selectionBounds;
                EXPECT_EQ((Area{bounds.top, bounds.left, bounds.bottom, bounds.right}), box);
                const Area in = view.inRect();
                EXPECT_GE(in.left, box.left);
                EXPECT_GE(in.top, box.top);
                EXPECT_LE(in.right, box.right);
                EXPECT_LE(in.bottom, box.bottom);
                UpdateWindow(dialog.window);
                screenshot(dialog.window, "dialog-selection-" + std::to_string(box.top));
                click(dialog.window, IDOK);
            },
            options);
        EXPECT_EQ(report.result, 0);
        // Only the selected pixels change, and the selection does change.
        std::size_t changedInside = 0, changedOutside = 0;
        for (std::size_t pixel = 0; pixel < mask.size(); ++pixel) {
            const bool changed = !std::equal(before.bytes.begin() + 3 * pixel, before.bytes.begin() + 3 * pixel + 3,
                                             image.bytes.begin() + 3 * pixel);
            (mask[pixel] != 0 ? changedInside : changedOutside) += changed;
        }
        EXPECT_EQ(changedOutside, 0u);
        EXPECT_GT(changedInside, std::size_t(box.right - box.left) * (box.bottom - box.top) / 4);
    }
}

}  // namespace
}  // namespace ui_testing
