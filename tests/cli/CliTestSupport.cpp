#include "CliTestSupport.h"

#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "cli/Batch.h"

namespace hushpix::cli::test {

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "hushpix-cli-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code error;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(path_, error);
}

TestImage makeTestImage(int width, int height, int channels, int depth) {
    TestImage image;
    const OIIO::TypeDesc type = depth == 16 ? OIIO::TypeDesc::UINT16 : OIIO::TypeDesc::UINT8;
    image.spec = OIIO::ImageSpec(width, height, channels, type);
    if (channels == 4) {
        image.spec.alpha_channel = 3;
        image.spec.attribute("oiio:UnassociatedAlpha", 1);  // store the samples as they are
    }
    const int maximum = depth == 16 ? 65535 : 255;
    std::uint32_t state = 12345;
    std::vector<int> samples;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                state = state * 1664525u + 1013904223u;
                const int noise = static_cast<int>(state >> 24) - 128;
                const int base = c == 3 ? (x + y) * maximum / (width + height)
                                        : (x * (c + 1) + y) * maximum / (width * 3 + height);
                const int value = c == 3 ? base : base + noise * maximum / 1024;
                samples.push_back(std::clamp(value, 0, maximum));
            }
        }
    }
    image.pixels.resize(samples.size() * type.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (depth == 16) {
            const auto sample = static_cast<std::uint16_t>(samples[i]);
            std::memcpy(&image.pixels[i * 2], &sample, 2);
        } else {
            image.pixels[i] = static_cast<std::uint8_t>(samples[i]);
        }
    }
    return image;
}

std::vector<std::uint8_t> testIccProfile() {
    auto input = OIIO::ImageInput::open(HUSHPIX_SAMPLE_PHOTO);
    const OIIO::ParamValue* profile =
        input ? input->spec().find_attribute("ICCProfile") : nullptr;
    if (profile == nullptr) throw std::runtime_error("the sample photograph has no ICC profile");
    const auto* bytes = static_cast<const std::uint8_t*>(profile->data());
    return {bytes, bytes + profile->datasize()};
}

void addTestMetadata(OIIO::ImageSpec& spec) {
    const std::vector<std::uint8_t> profile = testIccProfile();
    spec.attribute("ICCProfile", OIIO::TypeDesc(OIIO::TypeDesc::UINT8, int(profile.size())),
                   profile.data());
    spec.attribute("Make", "Hushpix Test Camera");
    spec.attribute("Copyright", "CC0");
    spec.attribute("ExposureTime", 1.0f / 60.0f);
    spec.attribute("FNumber", 2.8f);
}

void writeImage(const fs::path& path, const TestImage& image) {
    auto output = OIIO::ImageOutput::create(path.string());
    if (!output || !output->open(path.string(), image.spec) ||
        !output->write_image(image.spec.format, image.pixels.data()) || !output->close()) {
        throw std::runtime_error("cannot write test image " + path.string());
    }
}

TestImage readImage(const fs::path& path) {
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto input = OIIO::ImageInput::open(path.string(), &config);
    if (!input) throw std::runtime_error("cannot open " + path.string());
    TestImage image;
    image.spec = input->spec();
    image.pixels.resize(image.spec.image_bytes());
    if (!input->read_image(0, 0, 0, image.spec.nchannels, image.spec.format,
                           image.pixels.data())) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return image;
}

RunResult runHushpix(const std::vector<std::string>& args, Terminal terminal) {
    std::vector<const char*> argv{"hushpix"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    std::ostringstream out;
    std::ostringstream err;
    std::ostringstream progress;
    RunResult result;
    result.status = runCommandLine(int(argv.size()), argv.data(), out, err,
                                   terminal == Terminal::kYes ? &progress : nullptr);
    result.err = err.str();
    result.terminal = progress.str();
    return result;
}

std::map<std::string, std::string> folderContents(const fs::path& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::directory_iterator(folder)) {
        contents[entry.path().filename().string()] =
            entry.is_regular_file() ? fileBytes(entry.path()) : "<folder>";
    }
    return contents;
}

std::string fileBytes(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace hushpix::cli::test
