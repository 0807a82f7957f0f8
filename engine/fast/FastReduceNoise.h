// The fast path of reduceNoise: the same results as reduceNoiseReference,
// from vector kernels shared out over a few threads.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/Settings.h"
#include "engine/fast/EnginePath.h"

namespace hushpix::fast {

// reduceNoise on the given path (which the CPU must be able to run) with
// `threads` threads (fewer if the system refuses some). The arguments are those of reduceNoise.
void reduceNoiseOnPath(EnginePath path, int threads, EngineState& engine, bool perPixel,
                       const void* source, void* destination, const std::uint8_t* mask,
                       std::int32_t maskRowBytes, std::int32_t width, std::int32_t height,
                       std::int32_t depth, std::int32_t lastSkippedColumn,
                       std::int32_t lastSkippedRow, std::ptrdiff_t sourceRowBytes,
                       std::ptrdiff_t destinationRowBytes);

// Whether the path's vertical pass finds any of 16 sums too near a point
// halfway between two floats to add them in its shorter order; for the
// tests.
bool anyNearFloatMidpoint(EnginePath path, const double (&sums)[16]);

}  // namespace hushpix::fast
