// What the plug-in checks of the host before trusting it with the image:
// the kind of image, the area to filter, and each tile it delivers. A host
// that gets one of these wrong would have the plug-in filter garbage or
// read and write past the end of the host's buffers.
#pragma once

#include <cstdint>

#include "engine/Settings.h"
#include "hostapi/FilterRecord.h"

namespace hushpix {

// The largest image height and width the plug-in declares to the host.
constexpr std::int32_t kLargestImageSide = 2000000;

// noErr for RGB at 8 or 16 bits per channel; filterBadMode for any other
// image.
hostapi::OSErr checkImageMode(const hostapi::FilterRecord& record);

// noErr for a non-empty area inside the image and within the declared
// largest side; paramErr otherwise.
hostapi::OSErr checkPassArea(const Rectangle& area);

// After advanceState: noErr when the host delivered the input, output and
// (with a selection) mask of exactly `tile`, with rows at least as long as
// the tile's; paramErr otherwise.
hostapi::OSErr checkDelivery(const hostapi::FilterRecord& record, const Rectangle& tile);

}  // namespace hushpix
