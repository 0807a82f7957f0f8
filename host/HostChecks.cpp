#include "host/HostChecks.h"

#include "engine/ReduceNoise.h"
#include "host/Rectangles.h"

namespace hushpix {

using namespace hostapi;

namespace {

bool same(const Rectangle& a, const Rectangle& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

}  // namespace

OSErr checkImageMode(const FilterRecord& record) {
    const bool rgb = record.imageMode == plugInModeRGBColor || record.imageMode == plugInModeRGB48;
    const bool depth = record.depth == 8 || record.depth == 16;
    return rgb && depth ? noErr : filterBadMode;
}

OSErr checkPassArea(const Rectangle& area) {
    const Rectangle image = getImageBounds();
    const bool inside = area.top >= image.top && area.left >= image.left &&
                        area.bottom <= image.bottom && area.right <= image.right;
    const bool withinLimit = area.bottom - area.top <= kLargestImageSide &&
                             area.right - area.left <= kLargestImageSide;
    return inside && withinLimit ? noErr : paramErr;
}

OSErr checkDelivery(const FilterRecord& record, const Rectangle& tile) {
    const std::int32_t width = tile.right - tile.left;
    const std::ptrdiff_t rowBytes = packedRowBytes(width, record.depth);
    const bool pixels = record.inData != nullptr && record.outData != nullptr &&
                        same(getInRect(), tile) && same(getOutRect(), tile) &&
                        record.inRowBytes >= rowBytes && record.outRowBytes >= rowBytes;
    const bool mask = !record.haveMask || (record.maskData != nullptr &&
                                           same(getMaskRect(), tile) && record.maskRowBytes >= width);
    return pixels && mask ? noErr : paramErr;
}

}  // namespace hushpix
