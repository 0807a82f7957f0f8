#include "ui/Preview.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/ReduceNoise.h"
#include "host/HostContext.h"
#include "host/Rectangles.h"
#include "resources/DialogIds.h"

namespace hushpix {

using namespace hostapi;

namespace {

// The interaction state of the one dialog that can be open at a time.
struct PreviewDrag {
    std::int32_t panStepX = 0;  // waiting for the next fetch: anchor minus pointer
    std::int32_t panStepY = 0;
    std::int32_t panTotalX = 0;  // applied since the dialog opened
    std::int32_t panTotalY = 0;
    std::int32_t dragAnchorX = -1;  // -1: no drag under way
    std::int32_t dragAnchorY = -1;
    bool previewRunsEngine = true;
};

PreviewDrag drag;

FilterRecord& record() { return *hostContext().filterRecord; }
EngineState& engine() { return *hostContext().engine; }
OSErr& resultCell() { return *hostContext().resultCell; }

OSErr advance() {
    if (record().advanceState == nullptr) return errPlugInHostInsufficient;
    return record().advanceState();
}

const BufferProcs* bufferProcs() {
    const BufferProcs* procs = record().bufferProcs;
    if (procs == nullptr || procs->numBufferProcs < kBufferProcsNeeded) return nullptr;
    return procs;
}

RECT previewAreaOnScreen(HWND dialog) {
    RECT area{};
    GetWindowRect(GetDlgItem(dialog, IDC_PREVIEW_AREA), &area);
    return area;
}

std::int32_t width(const Rectangle& rect) { return rect.right - rect.left; }
std::int32_t height(const Rectangle& rect) { return rect.bottom - rect.top; }

// The bounding box of the non-zero bytes of a mask that covers `area`; the
// empty rectangle when nothing is selected.
Rectangle selectedBounds(const std::uint8_t* mask, std::int32_t rowBytes, const Rectangle& area) {
    std::int32_t top = -1, left = width(area), bottom = -1, right = -1;
    for (std::int32_t row = 0; row < height(area); ++row) {
        const std::uint8_t* bytes = mask + std::ptrdiff_t(row) * rowBytes;
        for (std::int32_t column = 0; column < width(area); ++column) {
            if (bytes[column] == 0) continue;
            if (top < 0) top = row;
            bottom = row;
            left = std::min(left, column);
            right = std::max(right, column);
        }
    }
    if (top < 0) return Rectangle{0, 0, 0, 0};
    return Rectangle{area.top + top, area.left + left, area.top + bottom + 1, area.left + right + 1};
}

// Applies the waiting pan step to the source rectangle, keeping it inside
// the selection's bounding box or the filter rectangle.
void applyPanStep() {
    drag.panTotalX += drag.panStepX;
    drag.panTotalY += drag.panStepY;
    const Rectangle in = getInRect();
    const std::int32_t w = std::min(width(in), engine().previewWidth);
    const std::int32_t h = std::min(height(in), engine().previewHeight);
    const Rectangle limits = record().haveMask ? engine().selectionBounds : getFilterRect();

    Rectangle moved{};
    moved.left = std::max(limits.left, in.left + drag.panStepX);
    moved.top = std::max(limits.top, in.top + drag.panStepY);
    moved.right = moved.left + w;
    if (moved.right > limits.right) {
        moved.left = std::max(0, limits.right - w);
        moved.right = limits.right;
    }
    moved.bottom = moved.top + h;
    if (moved.bottom > limits.bottom) {
        moved.top = std::max(0, limits.bottom - h);
        moved.bottom = limits.bottom;
    }
    setInRect(moved);
}

// The host's 16-bit samples run from 0 to 32768. A host that hands out more
// than that must not make a preview byte wrap around to black.
std::uint8_t previewByte(std::uint16_t sample) {
    return std::uint8_t(std::min<std::uint32_t>(255, std::uint32_t(sample) * 10 / 1285));
}

void copyRows(const FilterRecord& host, std::uint8_t* pixels, std::int32_t w, std::int32_t h) {
    const std::size_t samples = std::size_t(w) * 3;
    for (std::int32_t row = 0; row < h; ++row) {
        const auto* source = static_cast<const std::uint8_t*>(host.inData) + std::ptrdiff_t(row) * host.inRowBytes;
        std::uint8_t* target = pixels + std::ptrdiff_t(row) * std::ptrdiff_t(samples);
        if (host.depth == 8) {
            std::memcpy(target, source, samples);
        } else if (host.depth == 16) {
            for (std::size_t i = 0; i < samples; ++i) {
                std::uint16_t sample;
                std::memcpy(&sample, source + 2 * i, sizeof sample);
                target[i] = previewByte(sample);
            }
        }
    }
}

void fetchPreviewPixels() {
    EngineState& state = engine();
    if (state.previewPixels == nullptr) return;
    if (drag.panStepX != 0 || drag.panStepY != 0) applyPanStep();

    const Rectangle in = getInRect();
    state.previewWidth = std::min(state.previewWidth, width(in));
    state.previewHeight = std::min(state.previewHeight, height(in));
    state.previewFrame.right = state.previewFrame.left + state.previewWidth;
    state.previewFrame.bottom = state.previewFrame.top + state.previewHeight;
    if (record().haveMask) setMaskRect(in);
    record().inLoPlane = 0;
    record().inHiPlane = 2;

    resultCell() = advance();
    if (resultCell() != noErr || record().inData == nullptr) return;
    copyRows(record(), static_cast<std::uint8_t*>(state.previewPixels), state.previewWidth,
             state.previewHeight);
}

void filterPreviewPixels() {
    HostContext& context = hostContext();
    EngineState& state = *context.engine;
    if (state.previewPixels == nullptr) return;
    deriveKernel(*context.settings, state);
    const auto* mask = record().haveMask ? static_cast<const std::uint8_t*>(record().maskData) : nullptr;
    const std::int32_t w = width(state.previewFrame);
    const std::int32_t h = height(state.previewFrame);
    reduceNoise(state, context.settings->perPixel != 0, state.previewPixels, state.previewPixels, mask,
                record().maskRowBytes, w, h, 8, -1, -1, packedRowBytes(w, 8), packedRowBytes(w, 8));
}

std::int32_t displayModeOf(std::int32_t imageMode) {
    switch (imageMode) {
        case plugInModeRGBColor:
        case plugInModeRGB48:
        case plugInModeRGB96: return plugInModeRGBColor;
        default: return imageMode;
    }
}

PSPixelMap previewPixelMap(const RECT& drawn) {
    const EngineState& state = engine();
    PSPixelMap map{};
    map.version = 1;
    map.bounds = VRect{drawn.top, drawn.left, drawn.bottom, drawn.right};
    map.imageMode = displayModeOf(record().imageMode);
    map.rowBytes = state.previewWidth * 3;
    map.colBytes = 3;
    map.planeBytes = state.previewPlaneBytes;
    map.baseAddr = state.previewPixels;
    return map;
}

// Magnified: the host draws the preview once into a bitmap of its own size,
// and a stretch blit enlarges the part the pan has moved to.
void paintMagnified(HDC target, const PSPixelMap& map, const RECT& drawn, std::int32_t zoom) {
    const std::int32_t dw = drawn.right - drawn.left;
    const std::int32_t dh = drawn.bottom - drawn.top;
    HDC memory = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, dw, dh);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    const VRect source = map.bounds;
    record().displayPixels(&map, &source, 0, 0, memory);

    SetStretchBltMode(target, COLORONCOLOR);
    const std::int32_t sw = dw / zoom;
    const std::int32_t sh = dh / zoom;
    const std::int32_t sx = std::min(dw - sw, std::max(0, dw / (2 * zoom) + zoom * drag.panTotalX));
    const std::int32_t sy = std::min(dh - sh, std::max(0, dh / (2 * zoom) + zoom * drag.panTotalY));
    StretchBlt(target, drawn.left, drawn.top, dw, dh, memory, sx, sy, sw, sh, SRCCOPY);

    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
}

// Pointer position of a mouse message, each coordinate read as unsigned, so
// that a pointer left of or above the client area lies far outside.
POINT pointerOf(LPARAM position) {
    return POINT{LONG(LOWORD(position)), LONG(HIWORD(position))};
}

// Strictly inside the placeholder's rectangle: its first row and column do
// not count.
bool insidePreview(HWND dialog, POINT pointer) {
    ClientToScreen(dialog, &pointer);
    const RECT area = previewAreaOnScreen(dialog);
    return area.left < pointer.x && pointer.x < area.right && area.top < pointer.y &&
           pointer.y < area.bottom;
}

bool dragging() { return drag.dragAnchorX > -1; }

void endDrag() {
    drag.panStepX = drag.panStepY = 0;
    drag.dragAnchorX = drag.dragAnchorY = -1;
}

}  // namespace

void resetPreviewDrag() { endDrag(); }

void readPreviewFrame(HWND dialog) {
    const RECT area = previewAreaOnScreen(dialog);
    POINT corners[2] = {{area.left, area.top}, {area.right, area.bottom}};
    ScreenToClient(dialog, &corners[0]);
    ScreenToClient(dialog, &corners[1]);
    engine().previewFrame = Rectangle{corners[0].y, corners[0].x, corners[1].y, corners[1].x};
    drag.panTotalX = drag.panTotalY = 0;
}

void placePreview() {
    EngineState& state = engine();
    state.previewWidth = width(state.previewFrame);
    state.previewHeight = height(state.previewFrame);
    state.previewPlaneBytes = 1;

    const Rectangle filter = getFilterRect();
    Rectangle in = filter;
    if (width(filter) > state.previewWidth) {
        in.left = filter.left + width(filter) / 2 - state.previewWidth / 2;
        in.right = in.left + state.previewWidth;
    }
    if (height(filter) > state.previewHeight) {
        in.top = filter.top + height(filter) / 2 - state.previewHeight / 2;
        in.bottom = in.top + state.previewHeight;
    }
    setInRect(in);
    setMaskRect(in);

    FilterRecord& host = record();
    host.inputRate = kFixedOne;
    host.maskRate = kFixedOne;
    host.inputPadding = 255;
    host.maskPadding = 255;
}

void allocatePreviewBuffer() {
    EngineState& state = engine();
    state.previewBufferID = nullptr;
    state.previewPixels = nullptr;
    const BufferProcs* procs = bufferProcs();
    if (procs == nullptr) return;
    if (procs->allocateProc(state.previewWidth * state.previewHeight * 3, &state.previewBufferID) != noErr) {
        state.previewBufferID = nullptr;
        return;
    }
    state.previewPixels = procs->lockProc(state.previewBufferID, true);
}

// Only a buffer the host handed out goes back to it.
void freePreviewBuffer() {
    EngineState& state = engine();
    const BufferProcs* procs = bufferProcs();
    if (state.previewBufferID != nullptr && procs != nullptr) {
        procs->unlockProc(state.previewBufferID);
        procs->freeProc(state.previewBufferID);
    }
    state.previewBufferID = nullptr;
    state.previewPixels = nullptr;
}

void setPreviewRunsEngine() { drag.previewRunsEngine = true; }

// Computed for every dialog: the user may have changed the selection since
// the last one, and the whole-image pass tiles this box.
void placePreviewInSelection() {
    FilterRecord& host = record();
    if (!host.haveMask) return;
    const Rectangle filter = getFilterRect();
    const Rectangle previousMask = getMaskRect();

    setMaskRect(filter);
    resultCell() = advance();
    if (resultCell() != noErr) return;
    EngineState& state = engine();
    state.selectionBounds = Rectangle{0, 0, 0, 0};
    if (host.maskData != nullptr) {
        state.selectionBounds =
            selectedBounds(static_cast<const std::uint8_t*>(host.maskData), host.maskRowBytes, filter);
    }
    setMaskRect(previousMask);
    resultCell() = advance();

    const Rectangle& bounds = state.selectionBounds;
    Rectangle in{};
    in.left = std::max(bounds.left, bounds.left + (width(bounds) - state.previewWidth) / 2);
    in.top = std::max(bounds.top, bounds.top + (height(bounds) - state.previewHeight) / 2);
    in.right = in.left + std::min(width(bounds), state.previewWidth);
    in.bottom = in.top + std::min(height(bounds), state.previewHeight);
    setInRect(in);
}

void refreshPreview(HWND dialog) {
    if (resultCell() != noErr) return;
    fetchPreviewPixels();
    if (drag.previewRunsEngine) filterPreviewPixels();

    RECT area = previewAreaOnScreen(dialog);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
    InvalidateRect(dialog, &area, FALSE);
}

void paintPreview(HWND dialog) {
    const EngineState& state = engine();
    if (state.previewPixels == nullptr || record().displayPixels == nullptr) return;

    const RECT area = previewAreaOnScreen(dialog);
    POINT origin{0, 0};
    ClientToScreen(dialog, &origin);
    const Rectangle in = getInRect();
    const std::int32_t dw = std::min<std::int32_t>(area.right - area.left, width(in));
    const std::int32_t dh = std::min<std::int32_t>(area.bottom - area.top, height(in));
    RECT drawn{};
    drawn.left = area.left - origin.x;
    drawn.top = area.top - origin.y;
    drawn.right = drawn.left + dw;
    drawn.bottom = drawn.top + dh;

    PAINTSTRUCT paint;
    HDC target = BeginPaint(dialog, &paint);
    // One blank pixel between the outline and the picture.
    const RECT outline{drawn.left - 2, drawn.top - 2, drawn.right + 2, drawn.bottom + 2};
    FrameRect(target, &outline, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

    const PSPixelMap map = previewPixelMap(drawn);
    if (state.zoomFactor <= 1) {
        const VRect source = map.bounds;
        record().displayPixels(&map, &source, drawn.top, drawn.left, target);
    } else {
        paintMagnified(target, map, drawn, state.zoomFactor);
    }
    EndPaint(dialog, &paint);
}

void pressPreview(HWND dialog, LPARAM position) {
    endDrag();
    const POINT pointer = pointerOf(position);
    if (!insidePreview(dialog, pointer)) return;
    drag.dragAnchorX = pointer.x;
    drag.dragAnchorY = pointer.y;
    SetCapture(dialog);
    SetCursor(LoadCursor(nullptr, IDC_HAND));
}

// Each step fetches raw pixels only; the engine runs once, at the release.
void dragPreview(HWND dialog, LPARAM position) {
    const POINT pointer = pointerOf(position);
    if (!dragging() || !insidePreview(dialog, pointer)) return;
    const std::int32_t stepX = drag.dragAnchorX - pointer.x;
    const std::int32_t stepY = drag.dragAnchorY - pointer.y;
    if (stepX == 0 && stepY == 0) return;
    drag.panStepX = stepX;
    drag.panStepY = stepY;
    drag.previewRunsEngine = false;
    refreshPreview(dialog);
    drag.dragAnchorX = pointer.x;
    drag.dragAnchorY = pointer.y;
    drag.previewRunsEngine = true;
}

void releasePreview(HWND dialog, LPARAM position) {
    drag.previewRunsEngine = true;
    if (dragging()) {
        ReleaseCapture();
        const POINT pointer = pointerOf(position);
        if (insidePreview(dialog, pointer)) {
            drag.panStepX = drag.dragAnchorX - pointer.x;
            drag.panStepY = drag.dragAnchorY - pointer.y;
        } else {
            drag.panStepX = drag.panStepY = 0;
        }
        refreshPreview(dialog);
    }
    endDrag();
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

}  // namespace hushpix
