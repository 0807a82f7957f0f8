// Replacing a file so that no failure leaves a half-written file behind or
// destroys the one that was there.
#pragma once

#include <filesystem>
#include <functional>

namespace hushpix::cli {

// Calls `write` with a fresh temporary file in the destination's folder
// (same extension, so writers that go by the name pick the right format),
// makes it durable, then renames it over `destination`. If `write` throws or
// any step fails, the temporary file is removed and `destination` is left as
// it was. Failures are FileErrors naming `destination`. An interruption
// (SIGINT, SIGTERM, SIGHUP) while the temporary file exists removes it
// before the process dies of the signal.
void writeAtomically(const std::filesystem::path& destination,
                     const std::function<void(const std::filesystem::path& temporary)>& write);

}  // namespace hushpix::cli
