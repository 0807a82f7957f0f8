#include <windows.h>

#include <vector>

#include "embedded_host/WindowsModule.h"
#include "pnm_tool/Plugin.h"

namespace pnm_tool {
namespace {

std::filesystem::path besideProgram(const wchar_t* name) {
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()))) == buffer.size()) {
        buffer.resize(buffer.size() * 2);
    }
    return std::filesystem::path(std::wstring(buffer.data(), length)).parent_path() / name;
}

}  // namespace

Plugin openPlugin(const std::optional<std::filesystem::path>& path) {
    const embedded_host::LoadedModule loaded =
        embedded_host::loadPluginModule(path ? *path : besideProgram(L"hushpix.8bf"));
    return Plugin{loaded.plugin, loaded.library};
}

}  // namespace pnm_tool
