// The settings dialog's preview: a window of the image, fetched from the
// host as 8-bit RGB, denoised with the current settings and drawn by the
// host at 100 %, 200 % or 400 %, panned by dragging with the mouse.
#pragma once

#include <windows.h>

namespace hushpix {

// The dialog's start sequence, in this order.
void resetPreviewDrag();
void readPreviewFrame(HWND dialog);
void placePreview();
void allocatePreviewBuffer();
void setPreviewRunsEngine();
void placePreviewInSelection();

// Fetches (and, unless a drag is under way, denoises) the preview again and
// schedules its painting. Does nothing while the result cell holds an error.
void refreshPreview(HWND dialog);
void paintPreview(HWND dialog);
void freePreviewBuffer();

// Drag-panning: the dialog's reactions to WM_LBUTTONDOWN, WM_MOUSEMOVE and
// WM_LBUTTONUP.
void pressPreview(HWND dialog, LPARAM position);
void dragPreview(HWND dialog, LPARAM position);
void releasePreview(HWND dialog, LPARAM position);

}  // namespace hushpix
