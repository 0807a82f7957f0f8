#include "cli/Progress.h"

#include <algorithm>
#include <ostream>

namespace hushpix::cli {
namespace {

constexpr int kBarWidth = 30;

}  // namespace

void showProgress(ProgressBar& bar, std::int32_t done, std::int32_t total) {
    if (bar.terminal == nullptr || total <= 0) return;
    const int percent =
        static_cast<int>(std::clamp<std::int64_t>(std::int64_t(done) * 100 / total, 0, 100));
    if (percent == bar.shownPercent) return;
    bar.shownPercent = percent;
    const int filled = percent * kBarWidth / 100;
    *bar.terminal << '\r' << bar.label << " [" << std::string(filled, '#')
                  << std::string(kBarWidth - filled, ' ') << "] " << percent << '%' << std::flush;
}

void endProgress(ProgressBar& bar) {
    if (bar.terminal != nullptr && bar.shownPercent >= 0) *bar.terminal << '\n' << std::flush;
    bar.shownPercent = -1;
}

}  // namespace hushpix::cli
