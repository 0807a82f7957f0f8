#include "engine/fast/FastReduceNoise.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>
#include <vector>

#include "engine/ReduceNoise.h"
#include "engine/fast/ContourRule.h"
#include "engine/fast/PathKernels.h"
#include "engine/fast/WorkerPool.h"

namespace hushpix::fast {

namespace {

// Rows per piece of shared work: small enough to balance two to a few
// dozen workers, large enough that the running column sums of the contour
// marking pay for their start.
constexpr std::int32_t kRowsPerPiece = 16;

// The vertical pass's pieces: one per worker for a host's small tile, whose
// rows near the ends of a piece (their horizontal sums go through the
// working buffer, and each piece's walk starts again above its first row)
// would otherwise be many; for a large image 128 rows, so that the pieces
// balance.
std::int32_t rowsPerVerticalPiece(std::int32_t height, int workers) {
    const std::int32_t share = (height + workers - 1) / workers;
    return std::clamp<std::int32_t>(share, 32, 128);
}

// Whether writing the destination may change the source.
bool mayOverlap(const void* source, std::ptrdiff_t sourceRowBytes, const void* destination,
                std::ptrdiff_t destinationRowBytes, std::int32_t height) {
    const auto start = [](const void* p) { return reinterpret_cast<std::uintptr_t>(p); };
    const std::uintptr_t sourceEnd = start(source) + std::uintptr_t(sourceRowBytes) * height;
    const std::uintptr_t destinationEnd =
        start(destination) + std::uintptr_t(destinationRowBytes) * height;
    return start(source) < destinationEnd && start(destination) < sourceEnd;
}

// On each side of the centre, the sum of the weights of taps k + 1 to
// radius. The vertical pass may add its sums in the shorter order only if
// every sum of some of the weights is exact in double, as it is when each
// weight is at least 2^-29 (a multiple of 2^-52) and all of them add up to
// less than 2: the usual kernels' weights are.
struct WeightsPast {
    double above[kMaxRadius + 1];
    double below[kMaxRadius + 1];
    bool exact;
};

WeightsPast weightsPast(const float* weights, std::int32_t radius) {
    WeightsPast past{};
    double total = 0.0;
    past.exact = true;
    for (std::int32_t i = 0; i <= 2 * radius; ++i) {
        past.exact = past.exact && weights[i] >= 0x1p-29f && std::isfinite(weights[i]);
        total += weights[i];
    }
    past.exact = past.exact && total < 2.0;
    for (std::int32_t k = radius - 1; k >= 0; --k) {
        past.above[k] = past.above[k + 1] + weights[radius - (k + 1)];
        past.below[k] = past.below[k + 1] + weights[radius + k + 1];
    }
    return past;
}

const PathKernels& kernelsOf(EnginePath path) {
    switch (path) {
#if defined(HUSHPIX_X86)
        case EnginePath::kAvx2Fma: return avx2FmaKernels();
        case EnginePath::kAvxFma: return avxFmaKernels();
        case EnginePath::kSse2: return sse2Kernels();
#endif
        default: return scalarKernels();
    }
}

// Takes pieces of `rows` rows, [first, end), from a counter that the
// workers share, until none is left.
template <typename Body>
void takePieces(std::atomic<std::int32_t>& next, std::int32_t height, std::int32_t rows,
                Body body) {
    for (;;) {
        const std::int32_t first = next.fetch_add(rows);
        if (first >= height) return;
        body(first, std::min(first + rows, height));
    }
}

// One worker's scratch memory, zeroed; empty if the system has no memory
// for it.
std::vector<unsigned char> allocateScratch(std::size_t bytes) {
    try {
        return std::vector<unsigned char>(bytes);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

// The whole pass on every worker at once, each step shared out in pieces of
// rows by atomic counters, so that any number of workers finishes it.
//
// The luminance and the contour marks come first, for all rows. Each
// despeckle pass works in place and sees its own replacements, so it runs
// in order on one worker; the two planes go to two workers. The horizontal
// sums that go through the buffer need the final labels but not the
// luminance, so they start as soon as the labels are done. They are all in
// place before the vertical pass writes a destination row, and the
// vertical pass works out the others only from source rows of its own
// piece, which it writes last (sumsInBuffer). Its restoration is the only
// step that reads the luminance, so a piece of rows starts as soon as their
// luminance is final: the vertical pass follows the luminance's despeckle
// down the image rather than waiting for its end.
void runPasses(const PathKernels& kernels, int workers, std::vector<unsigned char>& mainScratch,
               const FastJob& job, const ContourRule& rule, bool perPixel) {
    const std::int32_t height = job.height;
    std::atomic<std::int32_t> nextMarkRow{0}, markedRows{0};
    std::atomic<int> nextPlane{0};
    std::atomic<bool> labelsFinal{!rule.enabled};
    std::atomic<std::int32_t> finalLuminanceRows{perPixel ? 1 : height};  // rows [0, n) final
    std::atomic<std::int32_t> nextSumsRow{0}, sumsRowsDone{0};
    // The vertical pass's units of work: each piece of rows in each strip
    // of columns, a piece's strips one after another. Strips rather than
    // whole pieces, so that the workers end close together even when a
    // host's tile has only two or three pieces.
    const std::int32_t strips = stripCount(job);
    const std::int32_t units = (height + job.rowsPerPiece - 1) / job.rowsPerPiece * strips;
    std::atomic<std::int32_t> nextUnit{0};
    runOnWorkers(workers, [&](int worker) {
        // The other workers allocate their memory themselves, on their own
        // thread: the calling thread starts them without first filling
        // memory for each, and each finds its memory in its own core's
        // cache. One that gets none leaves its share to the others.
        std::vector<unsigned char> ownScratch;
        if (worker > 0) {
            ownScratch = allocateScratch(mainScratch.size());
            if (ownScratch.empty()) return;
        }
        void* memory = worker == 0 ? mainScratch.data() : ownScratch.data();
        takePieces(nextMarkRow, height, kRowsPerPiece, [&](std::int32_t first, std::int32_t end) {
            kernels.luminanceRows(job, first, end);
            kernels.markContours(job, rule, first, end, memory);
            markedRows.fetch_add(end - first, std::memory_order_release);
        });
        waitUntil([&] { return markedRows.load(std::memory_order_acquire) == height; });

        for (int plane = nextPlane.fetch_add(1); plane < 2; plane = nextPlane.fetch_add(1)) {
            if (plane == 0 && rule.enabled) {
                kernels.despeckleLabelRows(job, 0, height);
                labelsFinal.store(true, std::memory_order_release);
            }
            if (plane == 1 && perPixel) {
                for (std::int32_t first = 0; first < height; first += kRowsPerPiece) {
                    const std::int32_t end = std::min(first + kRowsPerPiece, height);
                    kernels.despeckleLuminanceRows(job, first, end);
                    // The last row never changes.
                    finalLuminanceRows.store(end == height - 1 ? height : end,
                                             std::memory_order_release);
                }
            }
        }
        waitUntil([&] { return labelsFinal.load(std::memory_order_acquire); });

        takePieces(nextSumsRow, height, kRowsPerPiece, [&](std::int32_t first, std::int32_t end) {
            kernels.smoothRows(job, first, end, memory);
            sumsRowsDone.fetch_add(end - first, std::memory_order_release);
        });
        waitUntil([&] { return sumsRowsDone.load(std::memory_order_acquire) == height; });

        for (std::int32_t unit = nextUnit.fetch_add(1); unit < units; unit = nextUnit.fetch_add(1)) {
            const std::int32_t first = unit / strips * job.rowsPerPiece;
            const std::int32_t end = std::min(first + job.rowsPerPiece, height);
            waitUntil([&] { return finalLuminanceRows.load(std::memory_order_acquire) >= end; });
            kernels.smoothColumns(job, first, end, unit % strips, memory);
        }
    });
}

}  // namespace

void reduceNoiseOnPath(EnginePath path, int threads, EngineState& engine, bool perPixel,
                       const void* source, void* destination, const std::uint8_t* mask,
                       std::int32_t maskRowBytes, std::int32_t width, std::int32_t height,
                       std::int32_t depth, std::int32_t lastSkippedColumn,
                       std::int32_t lastSkippedRow, std::ptrdiff_t sourceRowBytes,
                       std::ptrdiff_t destinationRowBytes) {
    const bool usualKernel = engine.kernelLength >= 1 && engine.kernelLength <= kMaxKernelLength;
    if (path == EnginePath::kReference || !usualKernel) {
        reduceNoiseReference(engine, perPixel, source, destination, mask, maskRowBytes, width,
                             height, depth, lastSkippedColumn, lastSkippedRow, sourceRowBytes,
                             destinationRowBytes);
        return;
    }
    if (width <= 0 || height <= 0) return;
    if (!engine.luminance || !engine.regionMap || !engine.sums) return;

    double wideWeights[kMaxKernelLength];
    for (int i = 0; i < kMaxKernelLength; ++i) wideWeights[i] = engine.weights[i];
    const std::int32_t radius = engine.kernelLength / 2;
    const WeightsPast past = weightsPast(engine.weights, radius);
    const int workers = std::max(1, threads);
    const FastJob job{source,
                      sourceRowBytes,
                      destination,
                      destinationRowBytes,
                      mask,
                      maskRowBytes,
                      width,
                      height,
                      depth == 16,
                      lastSkippedColumn,
                      lastSkippedRow,
                      engine.luminance,
                      engine.regionMap,
                      engine.sums,
                      engine.weights,
                      wideWeights,
                      past.exact ? past.above : nullptr,
                      past.exact ? past.below : nullptr,
                      radius,
                      rowsPerVerticalPiece(height, workers),
                      mayOverlap(source, sourceRowBytes, destination, destinationRowBytes, height)};
    const ContourRule rule =
        contourRule(engine.contourThreshold, job.sixteenBit, engine.contourKernel);
    const std::size_t scratchBytes =
        std::max({rowScratchBytes(width, job.radius), columnScratchBytes(job.radius),
                  contourScratchBytes(width)});

    std::vector<unsigned char> scratch = allocateScratch(scratchBytes);
    if (scratch.empty()) {
        // The plain path needs no memory of its own.
        reduceNoiseReference(engine, perPixel, source, destination, mask, maskRowBytes, width,
                             height, depth, lastSkippedColumn, lastSkippedRow, sourceRowBytes,
                             destinationRowBytes);
        return;
    }
    runPasses(kernelsOf(path), workers, scratch, job, rule, perPixel);
}

bool anyNearFloatMidpoint(EnginePath path, const double (&sums)[16]) {
    static_assert(kMaxLanes == 16);
    return kernelsOf(path).anyNearFloatMidpoint(sums);
}

}  // namespace hushpix::fast
