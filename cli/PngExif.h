// OpenImageIO 2.4 reads a PNG's eXIf chunk but writes none, so a photograph
// saved as PNG would lose its camera data. This adds the chunk afterwards.
#pragma once

#include <filesystem>

#include <OpenImageIO/imageio.h>

namespace hushpix::cli {

// Inserts an eXIf chunk holding the EXIF fields of `spec` right after the
// header of the PNG `file`, unless `spec` has no EXIF field or the file has
// such a chunk already. Returns false if the file cannot be read or written.
bool addPngExif(const std::filesystem::path& file, const OIIO::ImageSpec& spec);

}  // namespace hushpix::cli
