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

struct OpaqueBuffer;
using BufferID = OpaqueBuffer*;

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
