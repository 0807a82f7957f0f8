#include "cli/ImageFile.h"

#include <sys/sysinfo.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>

#include <OpenImageIO/filesystem.h>

#include "cli/FileError.h"
#include "cli/PngExif.h"

namespace hushpix::cli {
namespace {

namespace fs = std::filesystem;

// OpenImageIO's messages can span lines; a report is one line per file.
std::string oneLine(std::string message) {
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
        message.pop_back();
    }
    std::string line;
    for (const char c : message) {
        if (c == '\n') {
            line += "; ";
        } else {
            line += c;
        }
    }
    return line.empty() ? "unknown error" : line;
}

std::unique_ptr<OIIO::ImageInput> openInput(const fs::path& path) {
    std::error_code error;
    if (!fs::exists(path, error)) throw FileError(path, "no such file");
    if (fs::is_directory(path, error)) throw FileError(path, "is a folder, not an image");
    // Colour and alpha are handed to the filter as the file stores them:
    // premultiplying on the way in and dividing on the way out would change
    // the colours of every translucent pixel and filter the wrong values.
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto input = OIIO::ImageInput::open(path.string(), &config);
    if (!input) throw FileError(path, "cannot read: " + oneLine(OIIO::geterror()));
    return input;
}

// The colour model as the file declares it. OpenImageIO hands CMYK and
// L*a*b* files over as three converted or raw channels, which would be
// denoised and then saved as a different kind of image than the one given.
std::string unsupportedColourModel(const OIIO::ImageSpec& spec) {
    if (spec.get_string_attribute("tiff:ColorSpace") == "CMYK" ||
        spec.get_string_attribute("jpeg:ColorSpace") == "CMYK") {
        return "CMYK";
    }
    switch (spec.get_int_attribute("tiff:PhotometricInterpretation", 2)) {
    case 0:
    case 1: return "greyscale";
    case 5: return "CMYK";
    case 8:
    case 9:
    case 10: return "CIE L*a*b*";
    case 32844:
    case 32845: return "LogLuv";
    default: return "";
    }
}

void checkPhotoLayout(const fs::path& path, const OIIO::ImageSpec& spec) {
    const std::string model = unsupportedColourModel(spec);
    if (!model.empty()) {
        throw FileError(path, model + " images are not supported; convert it to RGB first");
    }
    if (spec.nchannels == 1 || (spec.nchannels == 2 && spec.alpha_channel == 1)) {
        throw FileError(path, "greyscale images are not supported; convert it to RGB first");
    }
    const bool rgb = spec.nchannels == 3;
    const bool rgba = spec.nchannels == 4 && spec.alpha_channel == 3;
    if (!rgb && !rgba) {
        throw FileError(path, "has " + std::to_string(spec.nchannels) +
                                  " channels; only RGB and RGB with alpha are supported");
    }
    if (spec.width <= 0 || spec.height <= 0 || spec.depth != 1) {
        throw FileError(path, "is not a two-dimensional image");
    }
}

// A header may claim any size, and a file of a few bytes gigabytes of
// pixels. An image wider or taller than the filter takes, or whose pixels
// would not fit in this machine's memory, is refused before anything is
// allocated, rather than have the system end the tool part way through a
// batch.
void checkImageSize(const fs::path& path, const OIIO::ImageSpec& spec, std::size_t sampleBytes) {
    constexpr long long kLargestSide = 2000000;
    const std::string size = std::to_string(spec.width) + " x " + std::to_string(spec.height);
    if (spec.width > kLargestSide || spec.height > kLargestSide) {
        throw FileError(path, "is " + size + " pixels; the filter takes at most 2000000 on a side");
    }
    struct sysinfo memory {};
    if (sysinfo(&memory) != 0) return;
    const long double available =
        (static_cast<long double>(memory.totalram) + memory.totalswap) * memory.mem_unit;
    const long double needed =
        static_cast<long double>(spec.width) * spec.height * spec.nchannels * sampleBytes;
    if (needed > available) {
        throw FileError(path, "is " + size + " pixels, more than this machine's memory holds");
    }
}

OIIO::TypeDesc sampleType(std::int32_t depth) {
    return depth == 16 ? OIIO::TypeDesc::UINT16 : OIIO::TypeDesc::UINT8;
}

std::int32_t photoDepth(const fs::path& path, const OIIO::ImageSpec& spec) {
    if (spec.format == OIIO::TypeDesc::UINT8) return 8;
    if (spec.format == OIIO::TypeDesc::UINT16) return 16;
    throw FileError(path, std::string("has ") + spec.format.c_str() +
                              " samples; only 8- and 16-bit integer samples are supported");
}

void readPixels(OIIO::ImageInput& input, const fs::path& path, int channels, OIIO::TypeDesc type,
                void* pixels) {
    // Some readers (JPEG's among them) fill in what a truncated file lacks
    // and report the damage only as an error message beside a success.
    if (!input.read_image(0, 0, 0, channels, type, pixels) || input.has_error()) {
        throw FileError(path, "cannot read: " + oneLine(input.geterror()));
    }
}

// Attributes that describe how the input was encoded rather than what it
// shows; the writer chooses its own.
constexpr const char* kEncodingAttributes[] = {
    "oiio:BitsPerSample", "oiio:UnassociatedAlpha",
    "planarconfig", "tiff:Compression", "tiff:RowsPerStrip", "tiff:PlanarConfiguration",
    "tiff:PhotometricInterpretation", "tiff:ColorSpace", "jpeg:ColorSpace", "jpeg:subsampling",
};

OIIO::ImageSpec outputSpec(const Photo& photo, const std::string& format) {
    OIIO::ImageSpec spec = photo.spec;
    for (const char* name : kEncodingAttributes) spec.erase_attribute(name);
    // Written in the input's own format, a photograph keeps its compression
    // (an uncompressed TIFF stays uncompressed); in another format the
    // writer chooses.
    if (format != photo.format) spec.erase_attribute("compression");
    // Fields decoded from the ICC profile for show; the profile itself stays.
    spec.erase_attribute("ICCProfile:.*", OIIO::TypeUnknown, false);
    spec.set_format(sampleType(photo.rgb.depth));
    spec.channelformats.clear();
    spec.tile_width = spec.tile_height = spec.tile_depth = 0;
    if (!photo.alpha.empty()) spec.attribute("oiio:UnassociatedAlpha", 1);
    return spec;
}

}  // namespace

Photo readPhoto(const fs::path& path) {
    auto input = openInput(path);
    Photo photo;
    photo.spec = input->spec();
    photo.format = input->format_name();
    checkPhotoLayout(path, photo.spec);
    const std::int32_t depth = photoDepth(path, photo.spec);
    const OIIO::TypeDesc type = sampleType(depth);
    // The samples are stored as `type` already. Asked for in the file's own
    // type, OpenImageIO reads them straight into our buffer; asked for by
    // name, it reads them through a converting copy of up to 64 MB, which
    // took a 24-megapixel TIFF three times as long to read. Channels of
    // differing types still need the conversion.
    const OIIO::TypeDesc request = photo.spec.channelformats.empty() ? OIIO::TypeUnknown : type;

    const std::size_t pixels = std::size_t(photo.spec.width) * std::size_t(photo.spec.height);
    const std::size_t sampleBytes = type.size();
    checkImageSize(path, photo.spec, sampleBytes);
    photo.rgb.width = photo.spec.width;
    photo.rgb.height = photo.spec.height;
    photo.rgb.depth = depth;
    if (photo.spec.nchannels == 3) {
        photo.rgb.bytes.resize(pixels * 3 * sampleBytes);
        readPixels(*input, path, 3, request, photo.rgb.bytes.data());
        return photo;
    }

    std::vector<std::uint8_t> rgba(pixels * 4 * sampleBytes);
    readPixels(*input, path, 4, request, rgba.data());
    photo.rgb.bytes.resize(pixels * 3 * sampleBytes);
    photo.alpha.resize(pixels * sampleBytes);
    for (std::size_t i = 0; i < pixels; ++i) {
        std::memcpy(&photo.rgb.bytes[i * 3 * sampleBytes], &rgba[i * 4 * sampleBytes],
                    3 * sampleBytes);
        std::memcpy(&photo.alpha[i * sampleBytes], &rgba[(i * 4 + 3) * sampleBytes], sampleBytes);
    }
    return photo;
}

Mask readMask(const fs::path& path) {
    auto input = openInput(path);
    const OIIO::ImageSpec& spec = input->spec();
    if (spec.nchannels != 1) {
        throw FileError(path, "a mask must be a greyscale image with one channel, not " +
                                  std::to_string(spec.nchannels));
    }
    checkImageSize(path, spec, 1);
    Mask mask;
    mask.width = spec.width;
    mask.height = spec.height;
    mask.values.resize(std::size_t(spec.width) * std::size_t(spec.height));
    readPixels(*input, path, 1, OIIO::TypeDesc::UINT8, mask.values.data());
    return mask;
}

namespace {

// OpenImageIO's PNG and JPEG writers do not notice a write that fails: on
// a full disk the PNG writer reports success and leaves the file cut short,
// the JPEG writer ends the whole process. So those two encode in memory
// and the file is written here, where every failure is seen. (The TIFF
// writer reports failures itself, and writes no usable file through
// memory.)
void writeEncoded(const std::vector<unsigned char>& bytes, const fs::path& file,
                const fs::path& formatPath) {
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    stream.close();
    if (!stream) {
        throw FileError(formatPath, std::string("cannot write: ") + std::strerror(errno));
    }
}

// The writer for the format of `formatPath`'s extension, one that can keep
// the photo's alpha channel if it has one.
std::unique_ptr<OIIO::ImageOutput> writerFor(const Photo& photo, const fs::path& formatPath) {
    auto output = OIIO::ImageOutput::create(formatPath.string());
    if (!output) throw FileError(formatPath, "cannot write: " + oneLine(OIIO::geterror()));
    if (!photo.alpha.empty() && !output->supports("alpha")) {
        throw FileError(formatPath, std::string("the ") + output->format_name() +
                                        " format cannot keep the alpha channel; write PNG or "
                                        "TIFF instead");
    }
    return output;
}

}  // namespace

void checkWritable(const Photo& photo, const fs::path& formatPath) {
    writerFor(photo, formatPath);
}

void writePhoto(const Photo& photo, const fs::path& file, const fs::path& formatPath) {
    const auto output = writerFor(photo, formatPath);
    const bool hasAlpha = !photo.alpha.empty();
    const OIIO::TypeDesc type = sampleType(photo.rgb.depth);
    const std::vector<std::uint8_t>* pixels = &photo.rgb.bytes;
    std::vector<std::uint8_t> rgba;
    if (hasAlpha) {
        const std::size_t sampleBytes = type.size();
        const std::size_t count = photo.alpha.size() / sampleBytes;
        rgba.resize(count * 4 * sampleBytes);
        for (std::size_t i = 0; i < count; ++i) {
            std::memcpy(&rgba[i * 4 * sampleBytes], &photo.rgb.bytes[i * 3 * sampleBytes],
                        3 * sampleBytes);
            std::memcpy(&rgba[(i * 4 + 3) * sampleBytes], &photo.alpha[i * sampleBytes],
                        sampleBytes);
        }
        pixels = &rgba;
    }

    const std::string format = output->format_name();
    const OIIO::ImageSpec spec = outputSpec(photo, format);
    const bool inMemory = format == "png" || format == "jpeg";
    std::vector<unsigned char> encoded;
    OIIO::Filesystem::IOVecOutput memory(encoded);
    if ((inMemory && !output->set_ioproxy(&memory)) || !output->open(file.string(), spec) ||
        !output->write_image(type, pixels->data()) || !output->close()) {
        throw FileError(formatPath, "cannot write: " + oneLine(output->geterror()));
    }
    if (inMemory) writeEncoded(encoded, file, formatPath);
    if (format == "png" && !addPngExif(file, spec)) {
        throw FileError(formatPath, "cannot add the EXIF data");
    }
}

}  // namespace hushpix::cli
