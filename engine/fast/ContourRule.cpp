#include "engine/fast/ContourRule.h"

namespace hushpix::fast {

ContourRule contourRule(std::int32_t contourThreshold, bool sixteenBit,
                        const std::int32_t (&contourKernel)[kContourKernelSize]) {
    // The threshold and scale exactly as engine/Contours.cpp derives them.
    std::int64_t threshold = contourThreshold;
    std::int64_t multiplier = 255, divisor = 6120;
    if (sixteenBit) {
        threshold = contourThreshold <= 0 ? 0 : std::uint32_t(contourThreshold) * 32767u / 255u;
        multiplier = 32767;
        divisor = 786420;
    }
    ContourRule rule{};
    rule.enabled = threshold > 0;
    rule.scaledBound = (threshold - 1) * divisor;
    rule.bound = rule.enabled ? rule.scaledBound / multiplier : 0;
    rule.multiplier = multiplier;
    rule.kernel = contourKernel;
    rule.boxKernel = true;
    for (int i = 0; i < kContourKernelSize; ++i) {
        if (contourKernel[i] != (i == kContourKernelSize / 2 ? 24 : -1)) rule.boxKernel = false;
    }
    return rule;
}

}  // namespace hushpix::fast
