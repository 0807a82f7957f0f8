// The command line of hushpix-pnm, with the setting options of hushpix.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pnm_tool {

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Arguments {
    std::filesystem::path input;
    std::filesystem::path output;
    std::int32_t noiseLevel = 2;  // the plug-in's defaults: high, normal, on
    std::int32_t contourLevel = 2;
    bool perPixel = true;
    std::optional<std::filesystem::path> mask;
    std::int32_t tileSize = 0;  // 0: the host's own
    std::optional<std::filesystem::path> module;  // Windows: the .8bf to load
    bool dialog = false;  // Windows: the user chooses in the plug-in's dialog
    bool help = false;
};

extern const char* const usage;

// Throws UsageError naming what is wrong.
Arguments parseArguments(const std::vector<std::string>& words);

}  // namespace pnm_tool
