#include "cli/PngExif.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <OpenImageIO/tiffutils.h>

namespace hushpix::cli {
namespace {

constexpr std::size_t kSignatureBytes = 8;
constexpr std::size_t kHeaderChunkEnd = kSignatureBytes + 8 + 13 + 4;  // IHDR with its CRC

bool hasExifFields(const OIIO::ImageSpec& spec) {
    for (const OIIO::ParamValue& attribute : spec.extra_attribs) {
        int tag = 0, type = 0, count = 0;
        const std::string name = attribute.name().string();
        if (name.rfind("Exif:", 0) == 0 || name.rfind("GPS:", 0) == 0 ||
            (name.find(':') == std::string::npos &&
             OIIO::exif_tag_lookup(name, tag, type, count))) {
            return true;
        }
    }
    return false;
}

std::uint32_t crc32(const std::string& bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (const char byte : bytes) c = table[(c ^ std::uint8_t(byte)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::string bigEndian(std::uint32_t value) {
    return {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
}

bool hasChunk(const std::string& png, const char* type) {
    std::size_t at = kSignatureBytes;
    while (at + 8 <= png.size()) {
        const std::uint32_t length = (std::uint32_t(std::uint8_t(png[at])) << 24) |
                                     (std::uint32_t(std::uint8_t(png[at + 1])) << 16) |
                                     (std::uint32_t(std::uint8_t(png[at + 2])) << 8) |
                                     std::uint32_t(std::uint8_t(png[at + 3]));
        if (png.compare(at + 4, 4, type) == 0) return true;
        at += std::size_t(length) + 12;
    }
    return false;
}

}  // namespace

bool addPngExif(const std::filesystem::path& file, const OIIO::ImageSpec& spec) {
    if (!hasExifFields(spec)) return true;
    std::string png;
    {
        std::ifstream input(file, std::ios::binary);
        png.assign(std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>());
        if (!input.good() && !input.eof()) return false;
    }
    if (png.size() < kHeaderChunkEnd || png.compare(12, 4, "IHDR") != 0) return false;
    if (hasChunk(png, "eXIf")) return true;

    std::vector<char> blob;
    OIIO::encode_exif(spec, blob, OIIO::endian::big);
    std::string exif(blob.begin(), blob.end());
    // The chunk holds the TIFF structure itself, without JPEG's APP1 prefix.
    if (exif.compare(0, 6, std::string("Exif\0\0", 6)) == 0) exif.erase(0, 6);
    const std::string typed = "eXIf" + exif;
    const std::string chunk =
        bigEndian(std::uint32_t(exif.size())) + typed + bigEndian(crc32(typed));
    png.insert(kHeaderChunkEnd, chunk);

    std::ofstream output(file, std::ios::binary | std::ios::trunc);
    output.write(png.data(), std::streamsize(png.size()));
    output.close();
    return output.good();
}

}  // namespace hushpix::cli
