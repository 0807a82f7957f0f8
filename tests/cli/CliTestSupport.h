// Test images made on the spot with OpenImageIO, a scratch folder per test,
// and the hushpix command run in-process.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <OpenImageIO/imageio.h>

namespace hushpix::cli::test {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

struct TestImage {
    OIIO::ImageSpec spec;
    std::vector<std::uint8_t> pixels;  // interleaved, spec.format samples
};

// A deterministic noisy picture: a colour gradient with pseudo-random
// per-channel noise; the alpha channel, if any, is a ramp.
TestImage makeTestImage(int width, int height, int channels, int depth);

// The sample photograph's sRGB profile: a real one, since libpng drops
// profiles that are merely well-formed.
std::vector<std::uint8_t> testIccProfile();

// Adds an ICC profile and a few EXIF fields.
void addTestMetadata(OIIO::ImageSpec& spec);

void writeImage(const fs::path& path, const TestImage& image);
TestImage readImage(const fs::path& path);

struct RunResult {
    int status = 0;
    std::string err;
    std::string terminal;  // the progress bars, when run as on a terminal
};

enum class Terminal { kNo, kYes };

// Runs the command line "hushpix ARGS..." in this process.
RunResult runHushpix(const std::vector<std::string>& args, Terminal terminal = Terminal::kNo);

// Every file in the folder, by name, with its bytes.
std::map<std::string, std::string> folderContents(const fs::path& folder);

std::string fileBytes(const fs::path& path);
void writeBytes(const fs::path& path, const std::string& bytes);

}  // namespace hushpix::cli::test
