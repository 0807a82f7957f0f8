#include "pnm_tool/Netpbm.h"

#include <cctype>
#include <fstream>
#include <string>

namespace pnm_tool {
namespace {

struct Header {
    std::int32_t width = 0, height = 0;
    std::int32_t maxval = 0;
};

[[noreturn]] void fail(const std::filesystem::path& path, const std::string& what) {
    throw NetpbmError(path.u8string() + ": " + what);
}

// Reads one header number, skipping white space and '#' comments before it.
std::int32_t headerNumber(std::istream& in, const std::filesystem::path& path, const char* what) {
    int c = in.get();
    while (c != EOF && (std::isspace(c) || c == '#')) {
        if (c == '#') {
            while (c != EOF && c != '\n') c = in.get();
        }
        c = in.get();
    }
    std::int64_t value = 0;
    if (c == EOF || !std::isdigit(c)) fail(path, std::string("no ") + what + " in the header");
    while (c != EOF && std::isdigit(c)) {
        value = value * 10 + (c - '0');
        if (value > INT32_MAX) fail(path, std::string(what) + " too large");
        c = in.get();
    }
    // Exactly one white-space character ends the header's last number.
    if (c == EOF || !std::isspace(c)) fail(path, std::string("bad ") + what + " in the header");
    return std::int32_t(value);
}

Header readHeader(std::istream& in, const std::filesystem::path& path, const char* magic) {
    char read[2] = {};
    if (!in.read(read, 2) || read[0] != magic[0] || read[1] != magic[1]) {
        fail(path, std::string("not a binary netpbm ") + magic + " image");
    }
    Header header;
    header.width = headerNumber(in, path, "width");
    header.height = headerNumber(in, path, "height");
    header.maxval = headerNumber(in, path, "maxval");
    if (header.width < 1 || header.height < 1) fail(path, "empty image");
    // The plug-in's limit, announced in its PiPL; it also keeps the byte
    // count of the largest image far from overflowing.
    if (header.width > 2000000 || header.height > 2000000) fail(path, "more than 2000000 pixels a side");
    if (header.maxval < 1 || header.maxval > 65535) fail(path, "maxval outside 1 ... 65535");
    return header;
}

std::ifstream openInput(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) fail(path, "cannot open");
    return in;
}

std::vector<std::uint8_t> readSamples(std::istream& in, const std::filesystem::path& path, std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(count))) {
        fail(path, "image data ends early");
    }
    return bytes;
}

// Netpbm stores 16-bit samples most significant byte first.
void swapToOrFromBigEndian(std::vector<std::uint8_t>& bytes) {
    const std::uint16_t probe = 1;
    if (*reinterpret_cast<const std::uint8_t*>(&probe) == 0) return;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
}

}  // namespace

embedded_host::RgbImage readP6(const std::filesystem::path& path) {
    std::ifstream in = openInput(path);
    const Header header = readHeader(in, path, "P6");
    if (header.maxval != 255 && header.maxval != 65535) {
        fail(path, "maxval " + std::to_string(header.maxval) + ": only 255 (8 bits) and 65535 (16 bits) are read");
    }
    embedded_host::RgbImage image;
    image.width = header.width;
    image.height = header.height;
    image.depth = header.maxval == 255 ? 8 : 16;
    image.bytes = readSamples(in, path, std::size_t(header.width) * std::size_t(header.height) * 3 * std::size_t(image.depth / 8));
    if (image.depth == 16) swapToOrFromBigEndian(image.bytes);
    return image;
}

void writeP6(const std::filesystem::path& path, const embedded_host::RgbImage& image) {
    std::vector<std::uint8_t> bytes = image.bytes;
    if (image.depth == 16) swapToOrFromBigEndian(bytes);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "P6\n" << image.width << ' ' << image.height << '\n' << (image.depth == 16 ? 65535 : 255) << '\n';
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) fail(path, "cannot write");
}

std::vector<std::uint8_t> readP5Mask(const std::filesystem::path& path, std::int32_t width, std::int32_t height) {
    std::ifstream in = openInput(path);
    const Header header = readHeader(in, path, "P5");
    if (header.width != width || header.height != height) {
        fail(path, "mask is " + std::to_string(header.width) + " x " + std::to_string(header.height) +
                       ", the image " + std::to_string(width) + " x " + std::to_string(height));
    }
    if (header.maxval > 255) fail(path, "16-bit masks are not read; use maxval 255");
    std::vector<std::uint8_t> mask = readSamples(in, path, std::size_t(width) * std::size_t(height));
    for (std::uint8_t& value : mask) {
        if (value > header.maxval) fail(path, "mask value above its maxval");
        value = std::uint8_t((value * 255 + header.maxval / 2) / header.maxval);
    }
    return mask;
}

}  // namespace pnm_tool
