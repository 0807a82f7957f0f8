#include "embedded_host/WindowsModule.h"

#include <windows.h>

#include <string>

namespace embedded_host {
namespace {

constexpr int piplID = 16000;

#if defined(_WIN64)
constexpr ModuleArchitecture ownArchitecture = ModuleArchitecture::x64;
#else
constexpr ModuleArchitecture ownArchitecture = ModuleArchitecture::x86;
#endif

std::vector<std::uint8_t> piplResource(HMODULE library, const std::string& moduleName) {
    HRSRC found = FindResourceA(library, MAKEINTRESOURCEA(piplID), "PIPL");
    HGLOBAL loaded = found ? LoadResource(library, found) : nullptr;
    const auto* bytes = loaded ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
    if (!bytes) {
        throw ModuleError(moduleName + " has no PiPL resource " + std::to_string(piplID));
    }
    return std::vector<std::uint8_t>(bytes, bytes + SizeofResource(library, found));
}

}  // namespace

LoadedModule loadPluginModule(const std::filesystem::path& path) {
    const std::string name = path.u8string();
    HMODULE library = LoadLibraryW(path.c_str());
    if (!library) {
        throw ModuleError("cannot load " + name + " (Windows error " + std::to_string(GetLastError()) + ")");
    }
    LoadedModule module;
    module.library = std::shared_ptr<void>(library, [](void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); });
    try {
        module.pipl = readPipl(piplResource(library, name), ownArchitecture);
        requireRgbSupport(module.pipl);
    } catch (const PiplError& error) {
        throw ModuleError(name + ": " + error.what());
    }
    // GetProcAddress returns a generic function pointer; the PiPL's entry
    // point has the entry-point signature by contract.
    const FARPROC entry = GetProcAddress(library, module.pipl.entryPoint.c_str());
    if (!entry) {
        throw ModuleError(name + " does not export " + module.pipl.entryPoint + ", the entry point its PiPL names");
    }
    module.plugin.entry = reinterpret_cast<hostapi::PluginEntryProc>(reinterpret_cast<void*>(entry));
    return module;
}

}  // namespace embedded_host
