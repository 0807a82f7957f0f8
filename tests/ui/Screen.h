// Reading back what is on the screen of a Windows test: the pixels a
// window shows, and screenshots saved as bitmaps.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ui_testing {

struct Colour {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const Colour& other) const {
        return red == other.red && green == other.green && blue == other.blue;
    }
};

// Pixels copied from a device context; top row first.
struct Capture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bgr;  // blue, green, red; rows of width * 3 bytes
    Colour at(int x, int y) const;
};

// The client area of a window as it is painted now.
Capture captureClient(HWND window);

// The part of the screen a window covers, its frame included.
Capture captureScreenOf(HWND window);

// A 24-bit Windows bitmap file.
void saveBitmap(const Capture& capture, const std::string& path);

}  // namespace ui_testing
