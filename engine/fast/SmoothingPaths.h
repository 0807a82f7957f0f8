// The smoothing passes compiled for each instruction set.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/fast/FastJob.h"

namespace hushpix::fast {

// The widest vector, in floats, of any instruction set; scratch rows keep
// this many spare elements so that a vector load never leaves them.
constexpr std::int32_t kMaxLanes = 16;

struct SmoothingKernels {
    // The horizontal sums of rows [firstRow, endRow), from source and labels.
    void (*smoothRows)(const FastJob& job, std::int32_t firstRow, std::int32_t endRow,
                       void* scratch);
    // The vertical sums, luminance restoration and writes of rows
    // [firstRow, endRow); every horizontal sum must be in place.
    void (*smoothColumns)(const FastJob& job, std::int32_t firstRow, std::int32_t endRow,
                          void* scratch);
};

// Scratch memory for one worker, for either pass: three padded float rows,
// three more float rows and a padded byte row, about 25 * width bytes.
constexpr std::size_t smoothingScratchBytes(std::int32_t width, std::int32_t radius) {
    const std::size_t padded = std::size_t(width) + 2 * std::size_t(radius) + kMaxLanes;
    const std::size_t row = std::size_t(width) + kMaxLanes;
    return (3 * padded + 3 * row) * sizeof(float) + padded;
}

const SmoothingKernels& scalarKernels();
#if defined(HUSHPIX_X86)
const SmoothingKernels& sse2Kernels();
const SmoothingKernels& avxFmaKernels();

// The SSE2 kernels' exactly rounded a * b + c, four lanes at once; for its
// test, which can aim at the rare sums that rounding twice would get wrong.
void fusedMultiplyAddSse2(const float (&a)[4], const float (&b)[4], const float (&c)[4],
                          float (&out)[4]);
#endif

}  // namespace hushpix::fast
