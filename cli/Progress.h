// A one-line progress bar on a terminal, fed by the plug-in's progress calls.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace hushpix::cli {

struct ProgressBar {
    std::ostream* terminal = nullptr;  // null: show nothing (not a terminal)
    std::string label;
    int shownPercent = -1;  // -1: nothing drawn yet
};

// Redraws the bar when the whole percentage changes.
void showProgress(ProgressBar& bar, std::int32_t done, std::int32_t total);

// Ends the bar's line, if one was drawn, so that the next message starts on
// a line of its own.
void endProgress(ProgressBar& bar);

}  // namespace hushpix::cli
