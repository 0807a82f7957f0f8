#include "engine/fast/FastReduceNoise.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <vector>

#include "engine/ReduceNoise.h"
#include "engine/fast/ContourPass.h"
#include "engine/fast/SmoothingPaths.h"
#include "engine/fast/WorkerPool.h"

namespace hushpix::fast {

namespace {

// Rows per piece of shared work: small enough to balance two to a few
// dozen workers, large enough that the running column sums of the contour
// marking pay for their start, and that the vertical pass reads each row of
// sums from memory few times (a piece reads radius rows beyond each end).
constexpr std::int32_t kRowsPerPiece = 16;
constexpr std::int32_t kRowsPerVerticalPiece = 64;
// Columns per step of the despeckle wavefront.
constexpr std::int32_t kColumnsPerStep = 512;

const SmoothingKernels& kernelsOf(EnginePath path) {
    switch (path) {
#if defined(HUSHPIX_X86)
        case EnginePath::kAvxFma: return avxFmaKernels();
        case EnginePath::kSse2: return sse2Kernels();
#endif
        default: return scalarKernels();
    }
}

template <typename Body>
void forEachPieceOfRows(WorkerPool& pool, std::int32_t height, std::int32_t rowsPerPiece,
                        Body body) {
    std::atomic<std::int32_t> next{0};
    pool.runOnEach([&](int worker) {
        for (;;) {
            const std::int32_t first = next.fetch_add(rowsPerPiece, std::memory_order_relaxed);
            if (first >= height) return;
            body(worker, first, std::min(first + rowsPerPiece, height));
        }
    });
}

// The despeckle pass works in place and reads the row above as already
// despeckled, so rows are handed out in order and each one follows the row
// above it across the image: a row may treat columns up to x once the row
// above is final up to x + 1. progress[y] is the first column of row y
// that may still change.
template <typename Sample>
void despeckleInWavefront(WorkerPool& pool, Sample* plane, std::int32_t width,
                          std::int32_t height, std::vector<std::atomic<std::int32_t>>& progress) {
    if (width < 3 || height < 3) return;
    progress[0].store(width, std::memory_order_relaxed);
    for (std::int32_t y = 1; y < height; ++y) progress[y].store(0, std::memory_order_relaxed);
    std::atomic<std::int32_t> nextRow{1};
    pool.runOnEach([&](int) {
        for (;;) {
            const std::int32_t y = nextRow.fetch_add(1, std::memory_order_relaxed);
            if (y > height - 2) return;
            for (std::int32_t first = 1; first < width - 1; first += kColumnsPerStep) {
                const std::int32_t end = std::min(first + kColumnsPerStep, width - 1);
                while (progress[y - 1].load(std::memory_order_acquire) < end + 1) {
                    std::this_thread::yield();
                }
                despeckleSpan(plane, width, y, first, end);
                progress[y].store(end == width - 1 ? width : end, std::memory_order_release);
            }
        }
    });
}

struct Buffers {
    std::vector<std::vector<unsigned char>> scratch;  // one per worker
    std::vector<std::atomic<std::int32_t>> progress;  // one per row
};

void runPasses(const SmoothingKernels& kernels, WorkerPool& pool, Buffers& buffers,
               const FastJob& job, const ContourRule& rule, bool perPixel) {
    forEachPieceOfRows(pool, job.height, kRowsPerPiece, [&](int worker, std::int32_t first, std::int32_t end) {
        computeLuminanceRows(job, first, end);
        markContourRows(job, rule, first, end, buffers.scratch[worker].data());
    });
    if (perPixel) {
        if (job.sixteenBit) {
            despeckleInWavefront(pool, static_cast<std::uint16_t*>(job.luminance), job.width,
                                 job.height, buffers.progress);
        } else {
            despeckleInWavefront(pool, static_cast<std::uint8_t*>(job.luminance), job.width,
                                 job.height, buffers.progress);
        }
    }
    if (rule.enabled) {
        despeckleInWavefront(pool, job.labels, job.width, job.height, buffers.progress);
    }
    // Every source row is read into the sums before any destination row is
    // written, so the destination may be the source.
    forEachPieceOfRows(pool, job.height, kRowsPerPiece, [&](int worker, std::int32_t first, std::int32_t end) {
        kernels.smoothRows(job, first, end, buffers.scratch[worker].data());
    });
    forEachPieceOfRows(pool, job.height, kRowsPerVerticalPiece, [&](int worker, std::int32_t first, std::int32_t end) {
        kernels.smoothColumns(job, first, end, buffers.scratch[worker].data());
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

    const FastJob job{source, sourceRowBytes, destination, destinationRowBytes, mask,
                      maskRowBytes, width, height, depth == 16, lastSkippedColumn,
                      lastSkippedRow, engine.luminance, engine.regionMap, engine.sums,
                      engine.weights, engine.kernelLength / 2};
    const ContourRule rule = contourRule(engine.contourThreshold, job.sixteenBit,
                                         engine.contourKernel);
    const int workers = std::max(1, threads);
    const std::size_t scratchBytes =
        std::max(smoothingScratchBytes(width, job.radius), contourScratchBytes(width));

    Buffers buffers;
    try {
        buffers.scratch.assign(std::size_t(workers), std::vector<unsigned char>(scratchBytes));
        buffers.progress = std::vector<std::atomic<std::int32_t>>(std::size_t(height));
    } catch (const std::bad_alloc&) {
        // The plain path needs no memory of its own.
        reduceNoiseReference(engine, perPixel, source, destination, mask, maskRowBytes, width,
                             height, depth, lastSkippedColumn, lastSkippedRow, sourceRowBytes,
                             destinationRowBytes);
        return;
    }
    WorkerPool pool(workers);
    runPasses(kernelsOf(path), pool, buffers, job, rule, perPixel);
}

}  // namespace hushpix::fast
