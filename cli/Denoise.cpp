#include "cli/Denoise.h"

#include <string>

#include "cli/FileError.h"

namespace hushpix::cli {
namespace {

std::string describeResult(std::int16_t result) {
    switch (result) {
    case -108: return "not enough memory";
    case -128: return "cancelled";
    case -30100: return "the plug-in's parameters are missing";
    default: return "the plug-in reported error " + std::to_string(result);
    }
}

}  // namespace

void denoisePhoto(Photo& photo, const Options& options, const Mask* mask, ProgressBar& progress,
                  const std::filesystem::path& file) {
    embedded_host::RunOptions run;
    run.settings = embedded_host::ScriptSettings{options.noiseLevel, options.contourLevel,
                                                 options.perPixel};
    run.mask = mask != nullptr ? &mask->values : nullptr;
    run.tileWidth = options.tileSize;
    run.tileHeight = options.tileSize;
    run.progress = [&progress](std::int32_t done, std::int32_t total) {
        showProgress(progress, done, total);
    };
    embedded_host::Host host(embedded_host::loadLinkedPlugin());
    const embedded_host::RunReport report = host.apply(photo.rgb, run);
    endProgress(progress);
    if (report.result != 0) throw FileError(file, "cannot denoise: " + describeResult(report.result));
}

}  // namespace hushpix::cli
