// The benchmarks' measure of a pass: the median of its timed runs.
// Our machines share their cores with other guests, whose bursts can slow
// a run of a fraction of a second by a fifth or more; a mean takes such a
// run in, the median leaves it out.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

inline double medianSeconds(std::vector<double> runs) {
    if (runs.empty()) return 0;
    const auto middle = runs.begin() + std::ptrdiff_t(runs.size() / 2);
    std::nth_element(runs.begin(), middle, runs.end());
    if (runs.size() % 2 == 1) return *middle;
    return (*middle + *std::max_element(runs.begin(), middle)) / 2;
}
