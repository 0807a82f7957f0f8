#include "pnm_tool/Plugin.h"

namespace pnm_tool {

Plugin openPlugin(const std::optional<std::filesystem::path>& /*path*/) {
    return Plugin{embedded_host::loadLinkedPlugin(), nullptr};
}

}  // namespace pnm_tool
