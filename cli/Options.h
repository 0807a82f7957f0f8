// What the user asked the hushpix tool to do, and the parser that turns the
// command line into it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <vector>

namespace hushpix::cli {

// The three filter settings start at the plug-in's own defaults (noise High,
// contours Normal, per-pixel equalization on), so that an option left out
// means what it means in the plug-in's dialog.
struct Options {
    std::vector<std::filesystem::path> inputs;
    std::filesystem::path output;
    std::int32_t noiseLevel = 2;
    std::int32_t contourLevel = 2;
    bool perPixel = true;
    std::optional<std::filesystem::path> mask;
    // Larger than the 256 pixels a photo editor might offer: fewer tiles
    // overlap less and the engine's threads get more work each, while the
    // engine's working memory stays near 17 MB.
    std::int32_t tileSize = 1024;
    bool overwriteInput = false;
};

constexpr int kExitSuccess = 0;
constexpr int kExitFileFailed = 1;
constexpr int kExitUsage = 2;

// Either the options to run with, or the status to exit with at once (after
// --help, or after a usage error already reported on `err`).
struct ParsedCommandLine {
    std::optional<Options> options;
    int exitStatus = kExitSuccess;
};

ParsedCommandLine parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                                   std::ostream& err);

}  // namespace hushpix::cli
