// The built module hushpix.8bf in our embedded host, with what a Windows
// host offers its dialogs, and views of the plug-in's records while one of
// its dialogs is open.
#pragma once

#include <windows.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "embedded_host/EmbeddedHost.h"
#include "embedded_host/WindowsDialogHost.h"
#include "embedded_host/WindowsModule.h"
#include "engine/Settings.h"
#include "support/EngineHarness.h"

namespace ui_testing {

// A noisy 8-bit picture larger than the preview in both directions.
inline embedded_host::RgbImage testImage(std::int32_t width = 600, std::int32_t height = 420) {
    std::mt19937 random(7);
    const auto noisy = testing_support::noisyImage<std::uint8_t>(width, height, random);
    return embedded_host::RgbImage{width, height, 8, noisy.samples};
}

// The plug-in's records as the host holds them during a dialog.
struct PluginView {
    const embedded_host::OpenDialog& dialog;

    hushpix::FilterSettings& settings() const {
        return *static_cast<hushpix::FilterSettings*>(dialog.parameters);
    }
    hushpix::EngineState& engine() const { return *static_cast<hushpix::EngineState*>(dialog.data); }

    // The source rectangle of the preview, in whichever form the plug-in
    // exchanges it.
    embedded_host::Area inRect() const {
        const hostapi::FilterRecord& record = *dialog.record;
        if (record.bigDocumentData != nullptr && record.bigDocumentData->PluginUsing32BitCoordinates) {
            const hostapi::VRect& in = record.bigDocumentData->inRect32;
            return {in.top, in.left, in.bottom, in.right};
        }
        return {record.inRect.top, record.inRect.left, record.inRect.bottom, record.inRect.right};
    }

    std::vector<std::uint8_t> previewPixels() const {
        const auto* pixels = static_cast<const std::uint8_t*>(engine().previewPixels);
        return {pixels, pixels + std::size_t(engine().previewWidth) * engine().previewHeight * 3};
    }
};

// The pixels of `area` of the image, packed.
inline std::vector<std::uint8_t> crop(const embedded_host::RgbImage& image, const embedded_host::Area& area) {
    std::vector<std::uint8_t> pixels;
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        const auto row = image.bytes.begin() + (std::ptrdiff_t(y) * image.width + area.left) * 3;
        pixels.insert(pixels.end(), row, row + std::ptrdiff_t(area.right - area.left) * 3);
    }
    return pixels;
}

// What the engine makes of `area` with the given settings, on its own.
inline std::vector<std::uint8_t> engineResult(const embedded_host::RgbImage& image,
                                              const embedded_host::Area& area,
                                              const hushpix::FilterSettings& settings) {
    const std::vector<std::uint8_t> source = crop(image, area);
    std::vector<std::uint8_t> result(source.size());
    const std::int32_t width = area.right - area.left;
    testing_support::EngineHarness harness(settings.noiseLevel, settings.contourLevel, settings.perPixel != 0);
    harness.runRaw(source.data(), width * 3, result.data(), width * 3, nullptr, 0, width,
                   area.bottom - area.top, 8);
    return result;
}

// The preview placeholder's rectangle in the dialog's client coordinates.
inline RECT previewArea(HWND dialog) {
    RECT area{};
    GetWindowRect(GetDlgItem(dialog, 5), &area);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
    return area;
}

inline std::string windowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Clicks a button the way the mouse does: the button sends its parent the
// notification.
inline void click(HWND dialog, int control) { SendMessageA(GetDlgItem(dialog, control), BM_CLICK, 0, 0); }

inline LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

}  // namespace ui_testing
