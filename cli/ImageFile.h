// Reading photographs, masks and results through OpenImageIO, keeping the
// file's metadata (ICC profile, EXIF, XMP) so that it can be written back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <OpenImageIO/imageio.h>

#include "embedded_host/EmbeddedHost.h"

namespace hushpix::cli {

// An RGB photograph, split the way the filter needs it: the colour samples go
// through the plug-in, the alpha samples (one per pixel, same depth) are kept
// aside and written back untouched.
struct Photo {
    embedded_host::RgbImage rgb;
    std::vector<std::uint8_t> alpha;  // empty when the file has no alpha channel
    OIIO::ImageSpec spec;             // the file's header and metadata, as read
    std::string format;               // the file's format, as OpenImageIO names it
};

// Throws FileError naming `path` when the file is missing, unreadable,
// truncated, or not an RGB or RGBA image of 8 or 16 bits per channel.
Photo readPhoto(const std::filesystem::path& path);

// A selection: one 8-bit value per pixel, 0 unselected, 255 fully selected.
struct Mask {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> values;
};

// Reads a one-channel (greyscale) image of any supported depth as a Mask.
Mask readMask(const std::filesystem::path& path);

// Throws the FileError that writePhoto would, naming `formatPath`, when no
// writer takes its extension or its format cannot keep the photo's alpha
// channel: so that a run can stop before the filter's work rather than after.
void checkWritable(const Photo& photo, const std::filesystem::path& formatPath);

// Writes `photo` to `file` in the format of `formatPath`'s extension (the file
// itself may be a temporary name). Errors name `formatPath`.
void writePhoto(const Photo& photo, const std::filesystem::path& file,
                const std::filesystem::path& formatPath);

}  // namespace hushpix::cli
