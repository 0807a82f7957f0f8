// Runs the Hushpix plug-in over one photograph through the embedded host.
#pragma once

#include <filesystem>

#include "cli/ImageFile.h"
#include "cli/Options.h"
#include "cli/Progress.h"

namespace hushpix::cli {

// The settings always reach the plug-in as a recorded action hands them
// over: a descriptor with all three keys, played back without the dialog.
// Throws FileError naming `file` when the plug-in reports a failure.
void denoisePhoto(Photo& photo, const Options& options, const Mask* mask, ProgressBar& progress,
                  const std::filesystem::path& file);

}  // namespace hushpix::cli
