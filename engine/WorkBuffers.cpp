#include "engine/WorkBuffers.h"

#include <limits>

namespace hushpix {

namespace {

// Allocates and locks one buffer. The ID is kept even when the lock fails,
// so that freeWorkBuffers gives the buffer back.
void* acquire(const hostapi::BufferProcs& procs, std::int64_t size, hostapi::BufferID& id) {
    // The host measures buffers in 32-bit sizes; a larger request cannot be
    // expressed, let alone met.
    if (size > std::numeric_limits<std::int32_t>::max()) return nullptr;
    hostapi::BufferID obtained = nullptr;
    if (procs.allocateProc(std::int32_t(size), &obtained) != hostapi::noErr || !obtained) {
        return nullptr;
    }
    id = obtained;
    return procs.lockProc(id, 1);
}

template <typename Element>
void release(const hostapi::BufferProcs& procs, hostapi::BufferID& id, Element*& address) {
    if (!id) return;
    if (address) procs.unlockProc(id);
    procs.freeProc(id);
    id = nullptr;
    address = nullptr;
}

}  // namespace

hostapi::OSErr allocateWorkBuffers(EngineState& engine, const hostapi::BufferProcs& procs,
                                   std::int32_t width, std::int32_t height, std::int32_t depth) {
    freeWorkBuffers(engine, procs);
    const std::int64_t pixels = std::int64_t(width < 0 ? 0 : width) * (height < 0 ? 0 : height);
    engine.luminance = acquire(procs, pixels * (depth == 16 ? 2 : 1), engine.luminanceID);
    if (engine.luminance) {
        engine.regionMap = static_cast<std::uint8_t*>(acquire(procs, pixels, engine.regionMapID));
    }
    if (engine.regionMap) {
        engine.sums = static_cast<float*>(acquire(procs, pixels * 12, engine.sumsID));
    }
    if (engine.sums) return hostapi::noErr;
    freeWorkBuffers(engine, procs);
    return hostapi::memFullErr;
}

void freeWorkBuffers(EngineState& engine, const hostapi::BufferProcs& procs) {
    release(procs, engine.luminanceID, engine.luminance);
    release(procs, engine.regionMapID, engine.regionMap);
    release(procs, engine.sumsID, engine.sums);
}

}  // namespace hushpix
