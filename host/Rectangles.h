// The host's rectangles as the shared Rectangle type: the 32-bit copies in
// bigDocumentData when the plug-in has announced that it uses them, the
// 16-bit fields of the FilterRecord otherwise.
#pragma once

#include "engine/Settings.h"

namespace hushpix {

// The whole image: (0, 0, image height, image width).
Rectangle getImageBounds();
Rectangle getFilterRect();
Rectangle getInRect();
Rectangle getOutRect();
Rectangle getMaskRect();

void setInRect(const Rectangle& rect);
void setOutRect(const Rectangle& rect);
void setMaskRect(const Rectangle& rect);

}  // namespace hushpix
