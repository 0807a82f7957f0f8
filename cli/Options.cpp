#include "cli/Options.h"

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace hushpix::cli {
namespace {

const std::map<std::string, std::int32_t> kNoiseLevels{{"low", 0}, {"normal", 1}, {"high", 2}};
const std::map<std::string, std::int32_t> kContourLevels{
    {"none", 0}, {"watery", 1}, {"normal", 2}, {"strong", 3}};
const std::map<std::string, bool> kSwitch{{"on", true}, {"off", false}};

// A named choice: the option takes exactly one of the map's names, in any
// case, and stores the value it stands for once parsing is done.
template <typename Value>
CLI::Option* addChoice(CLI::App& app, const std::string& name, std::string& word,
                       const std::map<std::string, Value>& choices, const std::string& help) {
    std::vector<std::string> names;
    for (const auto& choice : choices) names.push_back(choice.first);
    return app.add_option(name, word, help)
        ->transform(CLI::IsMember(names, CLI::ignore_case).description(""));
}

constexpr const char* kDescription =
    "Removes the colour noise of photographs with the Hushpix filter plug-in, run "
    "through an embedded host exactly as a photo editor runs it.\n"
    "Reads and writes PNG and TIFF at 8 or 16 bits per channel and JPEG at 8 bits; "
    "RGB, optionally with an alpha channel, which passes through unchanged. "
    "Keeps the ICC profile and the EXIF and XMP metadata. Each output is written "
    "to a temporary file beside it and renamed into place only when complete.\n"
    "Exit status: 0 every file was denoised, 1 at least one file failed (the "
    "others were still processed), 2 the command line was wrong.";

}  // namespace

ParsedCommandLine parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                                   std::ostream& err) {
    Options options;
    std::string noise = "high";
    std::string contour = "normal";
    std::string perPixel = "on";
    CLI::App app{kDescription, "hushpix"};
    app.add_option("INPUT", options.inputs, "Photographs to denoise")->required()->type_name("");
    app.add_option("-o,--output", options.output,
                   "Output file for one input; an existing folder for several, where each "
                   "output keeps its input's file name. The output's extension chooses its "
                   "format.")
        ->required()
        ->type_name("OUTPUT");
    addChoice(app, "--noise", noise, kNoiseLevels, "Noise-reduction strength (default: high)")
        ->type_name("low|normal|high");
    addChoice(app, "--contour", contour, kContourLevels,
              "Contour-detection strength; none smooths across edges (default: normal)")
        ->type_name("none|watery|normal|strong");
    addChoice(app, "--per-pixel", perPixel, kSwitch,
              "Per-pixel equalization: restore every pixel's own brightness (default: on)")
        ->type_name("on|off");
    app.add_option("--mask", options.mask,
                   "Greyscale selection of the same size as every input: 0 leaves a pixel "
                   "as it is, 255 denoises it fully, values between blend")
        ->type_name("MASK");
    app.add_option("--tile-size", options.tileSize,
                   "The host's preferred tile size in pixels; a size at least as large as "
                   "the image processes it in one tile (default: 1024)")
        ->check(CLI::Range(1, 32767))
        ->type_name("N");
    app.add_flag("--overwrite-input", options.overwriteInput,
                 "Allow an output to replace its own input file (refused otherwise)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error, out, err);
        return {std::nullopt, status == 0 ? kExitSuccess : kExitUsage};
    }
    options.noiseLevel = kNoiseLevels.at(noise);
    options.contourLevel = kContourLevels.at(contour);
    options.perPixel = kSwitch.at(perPixel);
    return {options, kExitSuccess};
}

}  // namespace hushpix::cli
