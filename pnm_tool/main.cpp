// hushpix-pnm: denoises one binary netpbm image through the embedded host.
// The Windows program loads the plug-in module as a host does; its native
// twin, built from the same source, runs the linked-in plug-in, so the two
// can be compared bit for bit.
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "embedded_host/EmbeddedHost.h"
#if defined(_WIN32)
#include "embedded_host/WindowsDialogHost.h"
#endif
#include "pnm_tool/Arguments.h"
#include "pnm_tool/Netpbm.h"
#include "pnm_tool/Plugin.h"

namespace {

void denoise(const pnm_tool::Arguments& arguments) {
    embedded_host::RgbImage image = pnm_tool::readP6(arguments.input);
    std::vector<std::uint8_t> mask;
    if (arguments.mask) mask = pnm_tool::readP5Mask(*arguments.mask, image.width, image.height);

    embedded_host::RunOptions options;
    options.settings = embedded_host::ScriptSettings{arguments.noiseLevel, arguments.contourLevel, arguments.perPixel};
    options.mask = arguments.mask ? &mask : nullptr;
    options.tileWidth = arguments.tileSize;
    options.tileHeight = arguments.tileSize;
    options.showDialog = arguments.dialog;
#if defined(_WIN32)
    // A window to own the dialog, and the drawing of its preview.
    std::optional<embedded_host::DialogHost> dialogs;
    if (arguments.dialog) dialogs.emplace();
#endif

    const pnm_tool::Plugin plugin = pnm_tool::openPlugin(arguments.module);
    embedded_host::Host host(plugin.module);
    const embedded_host::RunReport report = host.apply(image, options);
    if (report.result != 0) {
        throw std::runtime_error("the plug-in stopped with error " + std::to_string(report.result) +
                                 "; nothing was written");
    }
    pnm_tool::writeP6(arguments.output, image);
}

}  // namespace

int main(int argc, char** argv) {
    pnm_tool::Arguments arguments;
    try {
        arguments = pnm_tool::parseArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const pnm_tool::UsageError& error) {
        std::fprintf(stderr, "hushpix-pnm: %s\n%s", error.what(), pnm_tool::usage);
        return 2;
    }
    if (arguments.help) {
        std::fputs(pnm_tool::usage, stdout);
        return 0;
    }
    try {
        denoise(arguments);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "hushpix-pnm: %s\n", error.what());
        return 1;
    }
    return 0;
}
