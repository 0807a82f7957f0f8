// The engine on fuzzed sizes, settings, masks, strides and skip values,
// over buffers of exactly the size it is told, on every path this CPU has:
// the fast paths must give the reference's bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/ReduceNoise.h"
#include "engine/WorkBuffers.h"
#include "engine/fast/EnginePath.h"
#include "engine/fast/FastReduceNoise.h"
#include "support/FakeBufferHost.h"

namespace {

using hushpix::fast::EnginePath;

struct Job {
    std::int32_t width, height, depth;
    hushpix::FilterSettings settings;
    std::ptrdiff_t sourceRowBytes, destinationRowBytes;
    std::int32_t maskRowBytes;
    std::int32_t lastSkippedColumn, lastSkippedRow;
    std::vector<std::uint8_t> source, mask;
    bool withMask;
};

std::vector<std::uint8_t> bytes(FuzzedDataProvider& input, std::size_t size) {
    std::vector<std::uint8_t> result = input.ConsumeBytes<std::uint8_t>(size);
    // Too few bytes left: repeat what there is, or a ramp when nothing is.
    const std::size_t given = result.size();
    result.resize(size);
    for (std::size_t i = given; i < size; ++i) {
        result[i] = given > 0 ? result[i % given] : std::uint8_t(i * 37);
    }
    return result;
}

Job jobFrom(FuzzedDataProvider& input) {
    Job job{};
    job.width = input.ConsumeIntegralInRange<std::int32_t>(1, 48);
    job.height = input.ConsumeIntegralInRange<std::int32_t>(1, 48);
    job.depth = input.ConsumeBool() ? 16 : 8;
    job.settings.noiseLevel = input.ConsumeIntegralInRange<std::int32_t>(-1, 3);
    job.settings.contourLevel = input.ConsumeIntegralInRange<std::int32_t>(-1, 4);
    job.settings.perPixel = input.ConsumeBool();
    const std::ptrdiff_t packed = hushpix::packedRowBytes(job.width, job.depth);
    const std::ptrdiff_t sample = job.depth / 8;
    job.sourceRowBytes = packed + sample * input.ConsumeIntegralInRange<std::int32_t>(0, 5);
    job.destinationRowBytes = packed + sample * input.ConsumeIntegralInRange<std::int32_t>(0, 5);
    job.withMask = input.ConsumeBool();
    job.maskRowBytes = job.width + input.ConsumeIntegralInRange<std::int32_t>(0, 5);
    job.lastSkippedColumn = input.ConsumeIntegralInRange<std::int32_t>(-1, job.width);
    job.lastSkippedRow = input.ConsumeIntegralInRange<std::int32_t>(-1, job.height);
    job.mask = bytes(input, std::size_t(job.maskRowBytes) * job.height);
    job.source = bytes(input, std::size_t(job.sourceRowBytes) * job.height);
    return job;
}

// The destination starts as a copy of the source in the destination's
// layout, as a host's output buffer does.
std::vector<std::uint8_t> run(const Job& job, EnginePath path, int threads) {
    std::vector<std::uint8_t> destination(std::size_t(job.destinationRowBytes) * job.height, 0);
    const std::size_t packed = std::size_t(hushpix::packedRowBytes(job.width, job.depth));
    for (std::int32_t y = 0; y < job.height; ++y) {
        std::memcpy(&destination[y * job.destinationRowBytes], &job.source[y * job.sourceRowBytes],
                    packed);
    }
    hushpix::EngineState engine{};
    hushpix::resetEngineState(engine);
    hushpix::deriveKernel(job.settings, engine);
    testing_support::FakeBufferHost host;
    const hostapi::BufferProcs procs = host.procs();
    if (hushpix::allocateWorkBuffers(engine, procs, job.width, job.height, job.depth) != 0) {
        std::abort();
    }
    hushpix::fast::reduceNoiseOnPath(path, threads, engine, job.settings.perPixel != 0,
                                     job.source.data(), destination.data(),
                                     job.withMask ? job.mask.data() : nullptr, job.maskRowBytes,
                                     job.width, job.height, job.depth, job.lastSkippedColumn,
                                     job.lastSkippedRow, job.sourceRowBytes,
                                     job.destinationRowBytes);
    hushpix::freeWorkBuffers(engine, procs);
    if (!host.live.empty()) std::abort();
    return destination;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const Job job = jobFrom(input);
    const std::vector<std::uint8_t> reference = run(job, EnginePath::kReference, 1);
    for (EnginePath path : hushpix::fast::kFastPaths) {
        if (!hushpix::fast::cpuCanRun(path)) continue;
        if (run(job, path, 1 + int(job.height % 2)) != reference) std::abort();
    }
    return 0;
}
