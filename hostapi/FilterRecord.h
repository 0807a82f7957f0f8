// The record the host passes to a filter for selectors 1 to 5, and the
// 32-bit coordinates block it may point to.
#pragma once

#include <cstdint>

#include "hostapi/BufferProcs.h"
#include "hostapi/Descriptors.h"
#include "hostapi/HandleProcs.h"
#include "hostapi/PixelMap.h"
#include "hostapi/PlatformData.h"
#include "hostapi/Suites.h"

namespace hostapi {

using TestAbortProc = Boolean(HOSTAPI*)();
using ProgressProc = void(HOSTAPI*)(int32 done, int32 total);
using AdvanceStateProc = OSErr(HOSTAPI*)();
using HostProc = void(HOSTAPI*)(int16 selector, std::intptr_t* data);
using ProcessEventProc = void(HOSTAPI*)(void* event);
struct ColorServicesInfo;
using ColorServicesProc = OSErr(HOSTAPI*)(ColorServicesInfo* info);
using GetPropertyProc = OSErr(HOSTAPI*)(uint32 signature, uint32 key, int32 index,
                                        std::intptr_t* simpleProperty, Handle* complexProperty);

struct ResourceProcs;
struct ImageServicesProcs;
struct PropertyProcs;
struct ChannelPortProcs;
struct ReadImageDocumentDesc;

// Both records use 4-byte maximum alignment on every target: on x64 the
// pointers after abortProc therefore sit on 4-byte boundaries, as real
// hosts and plug-ins expect.
#pragma pack(push, 4)

struct BigDocumentStruct {
    int32 PluginUsing32BitCoordinates;  // set by the plug-in: use the 32-bit fields
    VPoint imageSize32;
    VRect filterRect32;
    VRect inRect32;
    VRect outRect32;
    VRect maskRect32;
    VPoint floatCoord32;
    VPoint wholeSize32;
};

struct FilterRecord {
    int32 serialNumber;
    TestAbortProc abortProc;
    ProgressProc progressProc;
    Handle parameters;
    Point imageSize;
    int16 planes;
    Rect filterRect;
    RGBColor background;
    RGBColor foreground;
    int32 maxSpace;
    int32 bufferSpace;
    Rect inRect;
    int16 inLoPlane;
    int16 inHiPlane;
    Rect outRect;
    int16 outLoPlane;
    int16 outHiPlane;
    void* inData;
    int32 inRowBytes;
    void* outData;
    int32 outRowBytes;
    Boolean isFloating;
    Boolean haveMask;
    Boolean autoMask;
    Rect maskRect;
    void* maskData;
    int32 maskRowBytes;
    FilterColor backColor;
    FilterColor foreColor;
    OSType hostSig;
    HostProc hostProc;
    int16 imageMode;
    Fixed imageHRes;
    Fixed imageVRes;
    Point floatCoord;
    Point wholeSize;
    PlugInMonitor monitor;
    PlatformData* platformData;
    BufferProcs* bufferProcs;
    ResourceProcs* resourceProcs;
    ProcessEventProc processEvent;
    DisplayPixelsProc displayPixels;
    HandleProcs* handleProcs;
    Boolean supportsDummyChannels;
    Boolean supportsAlternateLayouts;
    int16 wantLayout;
    int16 filterCase;
    int16 dummyPlaneValue;
    void* premiereHook;
    AdvanceStateProc advanceState;
    Boolean supportsAbsolute;
    Boolean wantsAbsolute;
    GetPropertyProc getPropertyObsolete;
    Boolean cannotUndo;
    Boolean supportsPadding;
    int16 inputPadding;
    int16 outputPadding;
    int16 maskPadding;
    char samplingSupport;
    char reservedByte;
    Fixed inputRate;
    Fixed maskRate;
    ColorServicesProc colorServices;
    int16 inLayerPlanes;
    int16 inTransparencyMask;
    int16 inLayerMasks;
    int16 inInvertedLayerMasks;
    int16 inNonLayerPlanes;
    int16 outLayerPlanes;
    int16 outTransparencyMask;
    int16 outLayerMasks;
    int16 outInvertedLayerMasks;
    int16 outNonLayerPlanes;
    int16 absLayerPlanes;
    int16 absTransparencyMask;
    int16 absLayerMasks;
    int16 absInvertedLayerMasks;
    int16 absNonLayerPlanes;
    int16 inPreDummyPlanes;
    int16 inPostDummyPlanes;
    int16 outPreDummyPlanes;
    int16 outPostDummyPlanes;
    int32 inColumnBytes;
    int32 inPlaneBytes;
    int32 outColumnBytes;
    int32 outPlaneBytes;
    ImageServicesProcs* imageServicesProcs;
    PropertyProcs* propertyProcs;
    int16 inTileHeight;
    int16 inTileWidth;
    Point inTileOrigin;
    int16 absTileHeight;
    int16 absTileWidth;
    Point absTileOrigin;
    int16 outTileHeight;  // height before width, unlike most pairs
    int16 outTileWidth;
    Point outTileOrigin;
    int16 maskTileHeight;
    int16 maskTileWidth;
    Point maskTileOrigin;
    PIDescriptorParameters* descriptorParameters;
    Str255* errorString;
    ChannelPortProcs* channelPortProcs;
    ReadImageDocumentDesc* documentInfo;
    SPBasicSuite* sSPBasic;
    void* plugInRef;
    int32 depth;  // bits per channel
    Handle iCCprofileData;
    int32 iCCprofileSize;
    int32 canUseICCProfiles;
    int32 hasImageScrap;
    BigDocumentStruct* bigDocumentData;  // null on hosts without 32-bit coordinates
    PIDescriptorParameters* input3DScene;
    PIDescriptorParameters* output3DScene;
    Boolean createNewLayer;
    Handle iCCWorkingProfileData;
    int32 iCCWorkingProfileSize;
    int64 bufferSpace64;  // older hosts end their record before these two
    int64 maxSpace64;
    char reserved[46];
};

#pragma pack(pop)

// Selectors: the first argument of PluginMain.
constexpr int16 filterSelectorAbout = 0;
constexpr int16 filterSelectorParameters = 1;
constexpr int16 filterSelectorPrepare = 2;
constexpr int16 filterSelectorStart = 3;
constexpr int16 filterSelectorContinue = 4;
constexpr int16 filterSelectorFinish = 5;

// Image modes.
constexpr int16 plugInModeBitmap = 0;
constexpr int16 plugInModeGrayScale = 1;
constexpr int16 plugInModeIndexedColor = 2;
constexpr int16 plugInModeRGBColor = 3;
constexpr int16 plugInModeCMYKColor = 4;
constexpr int16 plugInModeHSLColor = 5;
constexpr int16 plugInModeHSBColor = 6;
constexpr int16 plugInModeMultichannel = 7;
constexpr int16 plugInModeDuotone = 8;
constexpr int16 plugInModeLabColor = 9;
constexpr int16 plugInModeGray16 = 10;
constexpr int16 plugInModeRGB48 = 11;
constexpr int16 plugInModeLab48 = 12;
constexpr int16 plugInModeCMYK64 = 13;
constexpr int16 plugInModeDeepMultichannel = 14;
constexpr int16 plugInModeDuotone16 = 15;
constexpr int16 plugInModeRGB96 = 16;
constexpr int16 plugInModeGray32 = 17;

// Padding requests (inputPadding, outputPadding, maskPadding); 0..255 is a
// fill value.
constexpr int16 plugInWantsEdgeReplication = -1;
constexpr int16 plugInDoesNotWantPadding = -2;
constexpr int16 plugInWantsErrorOnBoundsException = -3;

// Filter cases (FilterRecord.filterCase).
constexpr int16 filterCaseUnsupported = -1;
constexpr int16 filterCaseFlatImageNoSelection = 1;
constexpr int16 filterCaseFlatImageWithSelection = 2;
constexpr int16 filterCaseFloatingSelection = 3;
constexpr int16 filterCaseEditableTransparencyNoSelection = 4;
constexpr int16 filterCaseEditableTransparencyWithSelection = 5;
constexpr int16 filterCaseProtectedTransparencyNoSelection = 6;
constexpr int16 filterCaseProtectedTransparencyWithSelection = 7;

constexpr OSType kPhotoshopSignature = fourCC("8BIM");
constexpr OSType kFilterKind = fourCC("8BFM");

static_assert(sizeof(BigDocumentStruct) == 92, "BigDocumentStruct size");
static_assert(offsetof(BigDocumentStruct, filterRect32) == 12, "filterRect32 offset");
static_assert(offsetof(BigDocumentStruct, inRect32) == 28, "inRect32 offset");
static_assert(offsetof(BigDocumentStruct, outRect32) == 44, "outRect32 offset");
static_assert(offsetof(BigDocumentStruct, maskRect32) == 60, "maskRect32 offset");
static_assert(offsetof(BigDocumentStruct, wholeSize32) == 84, "wholeSize32 offset");

#if defined(HOSTAPI_CHECK_LAYOUT)
static_assert(offsetof(FilterRecord, abortProc) == 4, "abortProc offset");
static_assert(offsetof(FilterRecord, progressProc) == layout(8, 12), "progressProc offset");
static_assert(offsetof(FilterRecord, parameters) == layout(12, 20), "parameters offset");
static_assert(offsetof(FilterRecord, imageSize) == layout(16, 28), "imageSize offset");
static_assert(offsetof(FilterRecord, filterRect) == layout(22, 34), "filterRect offset");
static_assert(offsetof(FilterRecord, maxSpace) == layout(44, 56), "maxSpace offset");
static_assert(offsetof(FilterRecord, inRect) == layout(52, 64), "inRect offset");
static_assert(offsetof(FilterRecord, inLoPlane) == layout(60, 72), "inLoPlane offset");
static_assert(offsetof(FilterRecord, outRect) == layout(64, 76), "outRect offset");
static_assert(offsetof(FilterRecord, outHiPlane) == layout(74, 86), "outHiPlane offset");
static_assert(offsetof(FilterRecord, inData) == layout(76, 88), "inData offset");
static_assert(offsetof(FilterRecord, inRowBytes) == layout(80, 96), "inRowBytes offset");
static_assert(offsetof(FilterRecord, outData) == layout(84, 100), "outData offset");
static_assert(offsetof(FilterRecord, outRowBytes) == layout(88, 108), "outRowBytes offset");
static_assert(offsetof(FilterRecord, haveMask) == layout(93, 113), "haveMask offset");
static_assert(offsetof(FilterRecord, maskRect) == layout(96, 116), "maskRect offset");
static_assert(offsetof(FilterRecord, maskData) == layout(104, 124), "maskData offset");
static_assert(offsetof(FilterRecord, maskRowBytes) == layout(108, 132), "maskRowBytes offset");
static_assert(offsetof(FilterRecord, hostSig) == layout(120, 144), "hostSig offset");
static_assert(offsetof(FilterRecord, imageMode) == layout(128, 156), "imageMode offset");
static_assert(offsetof(FilterRecord, monitor) == layout(148, 176), "monitor offset");
static_assert(offsetof(FilterRecord, platformData) == layout(188, 216), "platformData offset");
static_assert(offsetof(FilterRecord, bufferProcs) == layout(192, 224), "bufferProcs offset");
static_assert(offsetof(FilterRecord, displayPixels) == layout(204, 248), "displayPixels offset");
static_assert(offsetof(FilterRecord, handleProcs) == layout(208, 256), "handleProcs offset");
static_assert(offsetof(FilterRecord, wantLayout) == layout(214, 266), "wantLayout offset");
static_assert(offsetof(FilterRecord, premiereHook) == layout(220, 272), "premiereHook offset");
static_assert(offsetof(FilterRecord, advanceState) == layout(224, 280), "advanceState offset");
static_assert(offsetof(FilterRecord, getPropertyObsolete) == layout(232, 292),
              "getPropertyObsolete offset");
static_assert(offsetof(FilterRecord, inputPadding) == layout(238, 302), "inputPadding offset");
static_assert(offsetof(FilterRecord, maskPadding) == layout(242, 306), "maskPadding offset");
static_assert(offsetof(FilterRecord, inputRate) == layout(248, 312), "inputRate offset");
static_assert(offsetof(FilterRecord, maskRate) == layout(252, 316), "maskRate offset");
static_assert(offsetof(FilterRecord, colorServices) == layout(256, 320), "colorServices offset");
static_assert(offsetof(FilterRecord, inLayerPlanes) == layout(260, 328), "inLayerPlanes offset");
static_assert(offsetof(FilterRecord, inColumnBytes) == layout(300, 368), "inColumnBytes offset");
static_assert(offsetof(FilterRecord, imageServicesProcs) == layout(316, 384),
              "imageServicesProcs offset");
static_assert(offsetof(FilterRecord, inTileHeight) == layout(324, 400), "inTileHeight offset");
static_assert(offsetof(FilterRecord, outTileHeight) == layout(340, 416), "outTileHeight offset");
static_assert(offsetof(FilterRecord, outTileWidth) == layout(342, 418), "outTileWidth offset");
static_assert(offsetof(FilterRecord, maskTileOrigin) == layout(352, 428), "maskTileOrigin offset");
static_assert(offsetof(FilterRecord, descriptorParameters) == layout(356, 432),
              "descriptorParameters offset");
static_assert(offsetof(FilterRecord, sSPBasic) == layout(372, 464), "sSPBasic offset");
static_assert(offsetof(FilterRecord, depth) == layout(380, 480), "depth offset");
static_assert(offsetof(FilterRecord, iCCprofileData) == layout(384, 484), "iCCprofileData offset");
static_assert(offsetof(FilterRecord, hasImageScrap) == layout(396, 500), "hasImageScrap offset");
static_assert(offsetof(FilterRecord, bigDocumentData) == layout(400, 504),
              "bigDocumentData offset");
static_assert(offsetof(FilterRecord, createNewLayer) == layout(412, 528), "createNewLayer offset");
static_assert(offsetof(FilterRecord, iCCWorkingProfileData) == layout(416, 532),
              "iCCWorkingProfileData offset");
static_assert(offsetof(FilterRecord, bufferSpace64) == layout(424, 544), "bufferSpace64 offset");
static_assert(offsetof(FilterRecord, maxSpace64) == layout(432, 552), "maxSpace64 offset");
static_assert(offsetof(FilterRecord, reserved) == layout(440, 560), "reserved offset");
static_assert(sizeof(FilterRecord) == layout(488, 608), "FilterRecord size");
#endif

}  // namespace hostapi
