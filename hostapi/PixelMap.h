// The pixel map a plug-in hands to the host's displayPixels to draw.
#pragma once

#include "hostapi/HostTypes.h"

namespace hostapi {

struct PSPixelMask {
    PSPixelMask* next;
    void* maskData;
    int32 rowBytes;
    int32 colBytes;
    int32 maskDescription;  // 0 simple, 1 black, 2 grey, 3 white matte, 4 inverted
};

struct PSPixelOverlay;

// Version 1 ends after maskPhaseCol; a host must not read further then.
struct PSPixelMap {
    int32 version;
    VRect bounds;
    int32 imageMode;
    int32 rowBytes;
    int32 colBytes;
    int32 planeBytes;
    void* baseAddr;
    PSPixelMask* mat;
    PSPixelMask* masks;
    int32 maskPhaseRow;
    int32 maskPhaseCol;
    PSPixelOverlay* pixelOverlays;
    uint32 colorManagementOptions;
    int16 depth;
};

using DisplayPixelsProc = OSErr(HOSTAPI*)(const PSPixelMap* source, const VRect* srcRect,
                                          int32 dstRow, int32 dstCol, void* platformContext);

#if defined(HOSTAPI_CHECK_LAYOUT)
static_assert(offsetof(PSPixelMask, maskData) == layout(4, 8), "maskData offset");
static_assert(offsetof(PSPixelMask, maskDescription) == layout(16, 24), "maskDescription offset");
static_assert(sizeof(PSPixelMask) == layout(20, 32), "PSPixelMask size");
static_assert(offsetof(PSPixelMap, bounds) == 4, "bounds offset");
static_assert(offsetof(PSPixelMap, planeBytes) == 32, "planeBytes offset");
static_assert(offsetof(PSPixelMap, baseAddr) == layout(36, 40), "baseAddr offset");
static_assert(offsetof(PSPixelMap, mat) == layout(40, 48), "mat offset");
static_assert(offsetof(PSPixelMap, masks) == layout(44, 56), "masks offset");
static_assert(offsetof(PSPixelMap, maskPhaseCol) == layout(52, 68), "maskPhaseCol offset");
static_assert(offsetof(PSPixelMap, pixelOverlays) == layout(56, 72), "pixelOverlays offset");
static_assert(offsetof(PSPixelMap, colorManagementOptions) == layout(60, 80),
              "colorManagementOptions offset");
static_assert(offsetof(PSPixelMap, depth) == layout(64, 84), "depth offset");
static_assert(sizeof(PSPixelMap) == layout(68, 88), "PSPixelMap size");
#endif

// The size of a version-1 map, the only version the plug-in builds.
constexpr std::size_t kPixelMapVersion1Size = layout(56, 72);

}  // namespace hostapi
