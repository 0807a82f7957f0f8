// The noise-reduction pass over one rectangle of RGB pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/Settings.h"

namespace hushpix {

// Denoises a width x height rectangle of interleaved RGB samples (8 or 16
// bits, as `depth` says) from `source` into `destination`, which may be the
// same buffer. A pixel is written only where the mask (if any) is non-zero
// and x > lastSkippedColumn and y > lastSkippedRow. Rows are
// `sourceRowBytes` and `destinationRowBytes` apart; the mask's rows are
// `maskRowBytes` apart.
//
// Uses the kernel that deriveKernel put into `engine` and the three working
// buffers that allocateWorkBuffers gave it, which must hold at least
// width x height pixels; without them it does nothing.
void reduceNoise(EngineState& engine, bool perPixel, const void* source, void* destination,
                 const std::uint8_t* mask, std::int32_t maskRowBytes, std::int32_t width,
                 std::int32_t height, std::int32_t depth, std::int32_t lastSkippedColumn,
                 std::int32_t lastSkippedRow, std::ptrdiff_t sourceRowBytes,
                 std::ptrdiff_t destinationRowBytes);

// The plain implementation of reduceNoise, one pixel at a time on the
// calling thread: the definition of the results, which the fast path
// (engine/fast) reproduces bit for bit. reduceNoise runs the fast path
// unless HUSHPIX_ENGINE_PATH=reference asks for this one.
void reduceNoiseReference(EngineState& engine, bool perPixel, const void* source,
                          void* destination, const std::uint8_t* mask,
                          std::int32_t maskRowBytes, std::int32_t width, std::int32_t height,
                          std::int32_t depth, std::int32_t lastSkippedColumn,
                          std::int32_t lastSkippedRow, std::ptrdiff_t sourceRowBytes,
                          std::ptrdiff_t destinationRowBytes);

// Bytes from one packed row of RGB samples to the next.
constexpr std::ptrdiff_t packedRowBytes(std::int32_t width, std::int32_t depth) {
    return std::ptrdiff_t(width) * 3 * (depth == 16 ? 2 : 1);
}

}  // namespace hushpix
