// Loads a plug-in module (.8bf) the way a Windows host does: the system
// loads the DLL, the PiPL resource says what it is and names the entry
// point, and the entry point is looked up by that name.
#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>

#include "embedded_host/Pipl.h"
#include "embedded_host/PluginModule.h"

namespace embedded_host {

struct ModuleError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct LoadedModule {
    PiplInfo pipl;
    PluginModule plugin;
    std::shared_ptr<void> library;  // keeps the DLL loaded while the plug-in is used
};

// Throws ModuleError when the file cannot be loaded, carries no PiPL of type
// "PIPL" and ID 16000, its PiPL does not enable RGB 8 and 16 bits per
// channel, or the entry point it names is not exported.
LoadedModule loadPluginModule(const std::filesystem::path& path);

}  // namespace embedded_host
