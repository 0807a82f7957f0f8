#include "pnm_tool/Arguments.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace pnm_tool {

const char* const usage =
    "usage: hushpix-pnm [options] INPUT.ppm -o OUTPUT.ppm\n"
    "Removes the colour noise of a binary netpbm image (P6, maxval 255 or 65535)\n"
    "with the Hushpix filter plug-in, run through an embedded host.\n"
    "  --noise low|normal|high                noise-reduction strength (default: high)\n"
    "  --contour none|watery|normal|strong    contour-detection strength (default: normal)\n"
    "  --per-pixel on|off                     per-pixel equalization (default: on)\n"
    "  --mask MASK.pgm                        selection (P5 of the image's size): 0 leaves a\n"
    "                                         pixel as it is, 255 denoises it fully\n"
    "  --tile-size N                          the host's tile size in pixels (1 ... 32767)\n"
#if defined(_WIN32)
    "  --module PATH                          the plug-in module (default: hushpix.8bf\n"
    "                                         beside this program)\n"
    "  --dialog                               choose the settings in the plug-in's dialog,\n"
    "                                         starting from the ones given; Cancel writes\n"
    "                                         nothing\n"
#endif
    "Exit status: 0 done, 1 the image could not be filtered, 2 wrong command line.\n";

namespace {

#if defined(_WIN32)
constexpr bool moduleOption = true;
#else
constexpr bool moduleOption = false;  // the native program has the plug-in linked in
#endif

template <typename Value>
Value choice(const std::string& option, std::string word, const std::map<std::string, Value>& choices) {
    std::transform(word.begin(), word.end(), word.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    const auto found = choices.find(word);
    if (found == choices.end()) {
        std::string names;
        for (const auto& entry : choices) names += (names.empty() ? "" : "|") + entry.first;
        throw UsageError(option + " takes " + names + ", not '" + word + "'");
    }
    return found->second;
}

std::int32_t tileSize(const std::string& word) {
    std::size_t used = 0;
    long value = 0;
    try {
        value = std::stol(word, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != word.size() || value < 1 || value > 32767) {
        throw UsageError("--tile-size takes a whole number from 1 to 32767, not '" + word + "'");
    }
    return std::int32_t(value);
}

}  // namespace

Arguments parseArguments(const std::vector<std::string>& words) {
    Arguments arguments;
    bool haveInput = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "-h" || word == "--help") {
            arguments.help = true;
            return arguments;
        }
        if (moduleOption && word == "--dialog") {
            arguments.dialog = true;
            continue;
        }
        const bool takesValue = word == "-o" || word == "--output" || word == "--noise" || word == "--contour" ||
                                word == "--per-pixel" || word == "--mask" || word == "--tile-size" ||
                                (moduleOption && word == "--module");
        if (!takesValue) {
            if (word.size() > 1 && word[0] == '-') throw UsageError("unknown option " + word);
            if (haveInput) throw UsageError("one input only; '" + word + "' is a second");
            arguments.input = word;
            haveInput = true;
            continue;
        }
        if (i + 1 == words.size()) throw UsageError(word + " needs a value");
        const std::string& value = words[++i];
        if (word == "-o" || word == "--output") {
            arguments.output = value;
        } else if (word == "--noise") {
            arguments.noiseLevel = choice<std::int32_t>(word, value, {{"low", 0}, {"normal", 1}, {"high", 2}});
        } else if (word == "--contour") {
            arguments.contourLevel =
                choice<std::int32_t>(word, value, {{"none", 0}, {"watery", 1}, {"normal", 2}, {"strong", 3}});
        } else if (word == "--per-pixel") {
            arguments.perPixel = choice<bool>(word, value, {{"on", true}, {"off", false}});
        } else if (word == "--mask") {
            arguments.mask = value;
        } else if (word == "--tile-size") {
            arguments.tileSize = tileSize(value);
        } else {
            arguments.module = value;
        }
    }
    if (!haveInput) throw UsageError("no input image");
    if (arguments.output.empty()) throw UsageError("no output image (-o)");
    return arguments;
}

}  // namespace pnm_tool
