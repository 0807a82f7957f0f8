#include "ByteWriter.h"

#include <stdexcept>
#include <string>

namespace hushpix {

void putByte(Bytes& out, std::uint8_t value) { out.push_back(value); }

void putInt16(Bytes& out, std::int32_t value) {
    if (value < -32768 || value > 65535) {
        throw std::out_of_range("16-bit field cannot hold " + std::to_string(value));
    }
    const auto bits = std::uint16_t(value);
    out.push_back(std::uint8_t(bits));
    out.push_back(std::uint8_t(bits >> 8));
}

void putInt32(Bytes& out, std::int64_t value) {
    if (value < INT32_MIN || value > INT64_C(0xFFFFFFFF)) {
        throw std::out_of_range("32-bit field cannot hold " + std::to_string(value));
    }
    const auto bits = std::uint32_t(value);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(std::uint8_t(bits >> shift));
    }
}

void putFourCC(Bytes& out, const char (&code)[5]) { putInt32(out, hostapi::fourCC(code)); }

void putCountedString(Bytes& out, std::string_view text) {
    if (text.size() > 255) {
        throw std::length_error("counted string longer than 255 characters: " + std::string(text));
    }
    out.push_back(std::uint8_t(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

void putTerminatedString(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

void putBytes(Bytes& out, const Bytes& data) { out.insert(out.end(), data.begin(), data.end()); }

void padToMultipleOfFour(Bytes& out) {
    while (out.size() % 4 != 0) {
        out.push_back(0);
    }
}

}  // namespace hushpix
