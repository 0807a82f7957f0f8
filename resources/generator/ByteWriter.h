// Appends the little-endian integers, four-character codes and strings of
// Windows resource formats to a byte vector.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "hostapi/HostTypes.h"

namespace hushpix {

using Bytes = std::vector<std::uint8_t>;

void putByte(Bytes& out, std::uint8_t value);
void putInt16(Bytes& out, std::int32_t value);
void putInt32(Bytes& out, std::int64_t value);

// A four-character code is a 32-bit value with the first character in the
// most significant byte; stored little-endian its characters come out reversed.
void putFourCC(Bytes& out, const char (&code)[5]);

// A length byte followed by the characters, nothing after them.
void putCountedString(Bytes& out, std::string_view text);

// The characters followed by one zero byte.
void putTerminatedString(Bytes& out, std::string_view text);

void putBytes(Bytes& out, const Bytes& data);

// Appends zero bytes until out.size() is a multiple of four.
void padToMultipleOfFour(Bytes& out);

}  // namespace hushpix
