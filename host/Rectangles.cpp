#include "host/Rectangles.h"

#include "host/HostContext.h"

namespace hushpix {

using namespace hostapi;

namespace {

BigDocumentStruct* bigDocument() {
    BigDocumentStruct* big = hostContext().filterRecord->bigDocumentData;
    return big != nullptr && big->PluginUsing32BitCoordinates != 0 ? big : nullptr;
}

Rectangle widen(const Rect& rect) { return Rectangle{rect.top, rect.left, rect.bottom, rect.right}; }

Rectangle widen(const VRect& rect) { return Rectangle{rect.top, rect.left, rect.bottom, rect.right}; }

Rect narrow(const Rectangle& rect) {
    return Rect{int16(rect.top), int16(rect.left), int16(rect.bottom), int16(rect.right)};
}

VRect asVRect(const Rectangle& rect) { return VRect{rect.top, rect.left, rect.bottom, rect.right}; }

Rectangle get(Rect FilterRecord::*small, VRect BigDocumentStruct::*big) {
    if (BigDocumentStruct* document = bigDocument()) return widen(document->*big);
    return widen(hostContext().filterRecord->*small);
}

void set(Rect FilterRecord::*small, VRect BigDocumentStruct::*big, const Rectangle& rect) {
    if (BigDocumentStruct* document = bigDocument()) {
        document->*big = asVRect(rect);
    } else {
        hostContext().filterRecord->*small = narrow(rect);
    }
}

}  // namespace

Rectangle getImageBounds() {
    if (BigDocumentStruct* document = bigDocument()) {
        return Rectangle{0, 0, document->imageSize32.v, document->imageSize32.h};
    }
    const Point size = hostContext().filterRecord->imageSize;
    return Rectangle{0, 0, size.v, size.h};
}

Rectangle getFilterRect() { return get(&FilterRecord::filterRect, &BigDocumentStruct::filterRect32); }
Rectangle getInRect() { return get(&FilterRecord::inRect, &BigDocumentStruct::inRect32); }
Rectangle getOutRect() { return get(&FilterRecord::outRect, &BigDocumentStruct::outRect32); }
Rectangle getMaskRect() { return get(&FilterRecord::maskRect, &BigDocumentStruct::maskRect32); }

void setInRect(const Rectangle& rect) { set(&FilterRecord::inRect, &BigDocumentStruct::inRect32, rect); }
void setOutRect(const Rectangle& rect) {
    set(&FilterRecord::outRect, &BigDocumentStruct::outRect32, rect);
}
void setMaskRect(const Rectangle& rect) {
    set(&FilterRecord::maskRect, &BigDocumentStruct::maskRect32, rect);
}

}  // namespace hushpix
