#include "embedded_host/HostPlatform.h"

namespace embedded_host {

// Outlives every session: a plug-in releases the suites it kept when it is
// unloaded, after the host's last call.
HostPlatform& hostPlatform() {
    static HostPlatform platform;
    return platform;
}

}  // namespace embedded_host
