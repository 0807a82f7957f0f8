// Where the program gets the plug-in: on Windows from a .8bf module loaded
// as a host loads it, elsewhere from the copy linked into the program.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "embedded_host/PluginModule.h"

namespace pnm_tool {

struct Plugin {
    embedded_host::PluginModule module;
    std::shared_ptr<void> keepLoaded;
};

// `path` is the module to load on Windows (by default hushpix.8bf beside the
// program); the native program takes none. Throws std::runtime_error with a
// message for the user when the module cannot be used.
Plugin openPlugin(const std::optional<std::filesystem::path>& path);

}  // namespace pnm_tool
