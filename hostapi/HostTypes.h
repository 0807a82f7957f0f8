// Scalar and opaque types of the Photoshop-compatible filter host interface.
// Declared here from the interface's published binary layout; shared by the
// plug-in and by our embedded host so that both sides agree by construction.
#pragma once

#include <cstddef>
#include <cstdint>

// Every host callback and the entry point use the C calling convention on
// 32-bit Windows; on x64 and on non-Windows builds there is only one.
#if defined(_WIN32) && !defined(_WIN64)
#define HOSTAPI __cdecl
#else
#define HOSTAPI
#endif

// The two Windows layouts, checked by static_asserts in every header. A
// native 64-bit build (Linux x86_64) lays the records out as Windows x64
// does, because every member has a fixed width and pointers are 8 bytes.
#if defined(_WIN64) || (defined(__x86_64__) && !defined(_WIN32))
#define HOSTAPI_LAYOUT_X64 1
#elif defined(_WIN32) || defined(__i386__)
#define HOSTAPI_LAYOUT_X86 1
#endif

#if defined(HOSTAPI_LAYOUT_X64) || defined(HOSTAPI_LAYOUT_X86)
#define HOSTAPI_CHECK_LAYOUT 1
#endif

namespace hostapi {

using int16 = std::int16_t;
using int32 = std::int32_t;
using int64 = std::int64_t;
using uint8 = std::uint8_t;
using uint16 = std::uint16_t;
using uint32 = std::uint32_t;

using Boolean = std::uint8_t;  // 0 false, any other value true
using OSErr = std::int16_t;
using Fixed = std::int32_t;  // 16.16 fixed point
using OSType = std::uint32_t;
using ResType = std::uint32_t;
using Ptr = char*;
using Handle = char**;
using SPErr = std::int32_t;
using SPBoolean = std::int32_t;  // a PICA boolean is 32 bits wide on Windows

struct OpaqueBuffer;
using BufferID = OpaqueBuffer*;

// Pascal string: a length byte, then up to 255 characters.
using Str255 = uint8[256];

// Geometry and colour records: natural alignment, the same on x86 and x64.
// Points put the row (v) before the column (h).
struct Point {
    int16 v;
    int16 h;
};

// Half-open: bottom and right are exclusive.
struct Rect {
    int16 top;
    int16 left;
    int16 bottom;
    int16 right;
};

struct VPoint {
    int32 v;
    int32 h;
};

struct VRect {
    int32 top;
    int32 left;
    int32 bottom;
    int32 right;
};

struct RGBColor {
    uint16 red;
    uint16 green;
    uint16 blue;
};

struct PlugInMonitor {
    Fixed gamma;
    Fixed redX, redY;
    Fixed greenX, greenY;
    Fixed blueX, blueY;
    Fixed whiteX, whiteY;
    Fixed ambient;
};

using FilterColor = uint8[4];

constexpr Fixed kFixedOne = 0x00010000;

// Picks the x86 or the x64 value of a size or offset for the layout checks.
constexpr std::size_t layout([[maybe_unused]] std::size_t x86, [[maybe_unused]] std::size_t x64) {
#if defined(HOSTAPI_LAYOUT_X64)
    return x64;
#else
    return x86;
#endif
}

static_assert(sizeof(Point) == 4 && offsetof(Point, h) == 2, "Point layout");
static_assert(sizeof(Rect) == 8 && offsetof(Rect, right) == 6, "Rect layout");
static_assert(sizeof(VPoint) == 8 && offsetof(VPoint, h) == 4, "VPoint layout");
static_assert(sizeof(VRect) == 16 && offsetof(VRect, right) == 12, "VRect layout");
static_assert(sizeof(RGBColor) == 6 && offsetof(RGBColor, blue) == 4, "RGBColor layout");
static_assert(sizeof(PlugInMonitor) == 40 && offsetof(PlugInMonitor, ambient) == 36,
              "PlugInMonitor layout");

// Four-character code: the first character is the most significant byte.
constexpr uint32 fourCC(const char (&code)[5]) {
    return (uint32(uint8(code[0])) << 24) | (uint32(uint8(code[1])) << 16) |
           (uint32(uint8(code[2])) << 8) | uint32(uint8(code[3]));
}

// Result codes.
constexpr OSErr noErr = 0;
constexpr OSErr readErr = -19;
constexpr OSErr eofErr = -39;
constexpr OSErr paramErr = -50;
constexpr OSErr memFullErr = -108;
constexpr OSErr userCanceledErr = -128;
constexpr OSErr errMissingParameter = -1715;
constexpr OSErr filterBadParameters = -30100;
constexpr OSErr filterBadMode = -30101;
constexpr OSErr errPlugInHostInsufficient = -30900;
constexpr OSErr errReportString = -30904;

}  // namespace hostapi
