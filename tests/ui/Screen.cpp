#include "Screen.h"

#include <fstream>

#include "embedded_host/WindowsDialogHost.h"

namespace ui_testing {

namespace {

Capture copyFrom(HDC source, int left, int top, int width, int height) {
    Capture capture;
    capture.width = width;
    capture.height = height;
    const BITMAPINFO info = embedded_host::topDownBitmapInfo(width, height);
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, left, top, SRCCOPY);
    GdiFlush();
    const int stride = (width * 3 + 3) & ~3;
    capture.bgr.resize(std::size_t(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(bits) + std::size_t(y) * stride;
        std::copy(row, row + width * 3, capture.bgr.begin() + std::ptrdiff_t(y) * width * 3);
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return capture;
}

}  // namespace

Colour Capture::at(int x, int y) const {
    const std::uint8_t* pixel = bgr.data() + (std::size_t(y) * width + x) * 3;
    return Colour{pixel[2], pixel[1], pixel[0]};
}

Capture captureClient(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    HDC context = GetDC(window);
    Capture capture = copyFrom(context, 0, 0, client.right, client.bottom);
    ReleaseDC(window, context);
    return capture;
}

Capture captureScreenOf(HWND window) {
    RECT outer{};
    GetWindowRect(window, &outer);
    HDC screen = GetDC(nullptr);
    Capture capture =
        copyFrom(screen, outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top);
    ReleaseDC(nullptr, screen);
    return capture;
}

void saveBitmap(const Capture& capture, const std::string& path) {
    const int stride = (capture.width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header = embedded_host::topDownBitmapInfo(capture.width, capture.height).bmiHeader;
    header.biSizeImage = DWORD(stride) * capture.height;
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    const std::vector<char> padding(std::size_t(stride - capture.width * 3), 0);
    for (int y = 0; y < capture.height; ++y) {
        out.write(reinterpret_cast<const char*>(capture.bgr.data()) + std::ptrdiff_t(y) * capture.width * 3,
                  capture.width * 3);
        out.write(padding.data(), std::streamsize(padding.size()));
    }
}

}  // namespace ui_testing
