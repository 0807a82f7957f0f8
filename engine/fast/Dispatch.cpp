// reduceNoise as the rest of the program calls it: the fast path with the
// widest instruction set the CPU has, on as many threads as allowed.
#include "engine/ReduceNoise.h"
#include "engine/fast/EnginePath.h"
#include "engine/fast/FastReduceNoise.h"
#include "engine/fast/WorkerPool.h"

namespace hushpix {

namespace {

// Below this many pixels per thread, starting threads costs more than it
// saves (a host's small tiles and previews run on its own thread alone).
constexpr std::int64_t kPixelsPerThread = 1 << 14;

int threadsFor(std::int32_t width, std::int32_t height) {
    const std::int64_t pixels = std::int64_t(width) * height;
    const std::int64_t useful = pixels / kPixelsPerThread;
    const int budget = fast::threadBudget();
    return useful < 1 ? 1 : useful < budget ? int(useful) : budget;
}

}  // namespace

void reduceNoise(EngineState& engine, bool perPixel, const void* source, void* destination,
                 const std::uint8_t* mask, std::int32_t maskRowBytes, std::int32_t width,
                 std::int32_t height, std::int32_t depth, std::int32_t lastSkippedColumn,
                 std::int32_t lastSkippedRow, std::ptrdiff_t sourceRowBytes,
                 std::ptrdiff_t destinationRowBytes) {
    fast::reduceNoiseOnPath(fast::selectedEnginePath(), threadsFor(width, height), engine, perPixel,
                            source, destination, mask, maskRowBytes, width, height, depth,
                            lastSkippedColumn, lastSkippedRow, sourceRowBytes, destinationRowBytes);
}

}  // namespace hushpix
