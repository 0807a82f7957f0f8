// Binary netpbm images: P6 colour at 8 bits (maxval 255) or 16 bits (maxval
// 65535, samples big-endian in the file) and P5 greyscale selection masks.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "embedded_host/EmbeddedHost.h"

namespace pnm_tool {

struct NetpbmError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Samples of 16-bit images in the machine's byte order.
embedded_host::RgbImage readP6(const std::filesystem::path& path);
void writeP6(const std::filesystem::path& path, const embedded_host::RgbImage& image);

// One byte per pixel, 0 not selected ... 255 fully selected; a mask of a
// smaller maxval is scaled to that range. Must be width x height.
std::vector<std::uint8_t> readP5Mask(const std::filesystem::path& path, std::int32_t width, std::int32_t height);

}  // namespace pnm_tool
