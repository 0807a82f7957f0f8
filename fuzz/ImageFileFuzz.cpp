// The command-line tool's image loading on fuzzed files of each format it
// reads: a file either loads as a consistent photograph or mask, or is
// refused with a FileError.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/FileError.h"
#include "cli/ImageFile.h"

namespace {

void check(const hushpix::cli::Photo& photo) {
    const embedded_host::RgbImage& rgb = photo.rgb;
    const std::size_t pixels = std::size_t(rgb.width) * std::size_t(rgb.height);
    if (rgb.bytes.size() != pixels * (rgb.depth == 16 ? 6 : 3)) std::abort();
    if (!photo.alpha.empty() && photo.alpha.size() != pixels * (rgb.depth == 16 ? 2 : 1)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char* const extensions[] = {".png", ".jpg", ".tif", ".ppm", ".pgm", ".bmp"};
    if (size == 0) return 0;
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
        ("hushpix-fuzz-" + std::to_string(getpid()) + extensions[data[0] % 6]);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data + 1),
                                                std::streamsize(size - 1));
    // A header may claim gigabytes that the machine has; the tool then
    // allocates them, as it must for a real photograph that large. The
    // fuzzer's memory limit would take that for a fault: such files are
    // opened, not read.
    if (const auto input = OIIO::ImageInput::open(path.string())) {
        const OIIO::ImageSpec& spec = input->spec();
        if (double(spec.width) * spec.height * spec.nchannels * 2 > 256e6) {
            std::filesystem::remove(path);
            return 0;
        }
    }
    try {
        check(hushpix::cli::readPhoto(path));
    } catch (const hushpix::cli::FileError&) {
    }
    try {
        const hushpix::cli::Mask mask = hushpix::cli::readMask(path);
        if (mask.values.size() != std::size_t(mask.width) * std::size_t(mask.height)) std::abort();
    } catch (const hushpix::cli::FileError&) {
    }
    std::filesystem::remove(path);
    return 0;
}
