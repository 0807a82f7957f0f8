// The engine's three working buffers, borrowed from the host.
#pragma once

#include <cstdint>

#include "engine/Settings.h"
#include "hostapi/BufferProcs.h"

namespace hushpix {

// Allocates and locks the luminance plane, the region map and the
// horizontal sums for width x height pixels at the given depth, giving back
// any buffers the engine still held first. If the host
// cannot provide one of them, whatever was obtained is given back, the
// engine is left without buffers, and memFullErr is returned; no buffer the
// host did not provide is ever touched.
hostapi::OSErr allocateWorkBuffers(EngineState& engine, const hostapi::BufferProcs& procs,
                                   std::int32_t width, std::int32_t height, std::int32_t depth);

// Unlocks and frees every buffer the engine holds; harmless when it holds
// none.
void freeWorkBuffers(EngineState& engine, const hostapi::BufferProcs& procs);

}  // namespace hushpix
