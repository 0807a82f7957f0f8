// reduceNoise over a 6000 x 4000 RGB photograph-sized image, contour Normal,
// per-pixel equalization on, at each noise-reduction strength and depth, on
// the plain reference path and on each fast path this CPU can run (the
// dispatching path with every thread it would use, plus the narrower
// instruction sets). Reports megapixels per second and the speed-up over the
// reference; a path whose output differs from the reference's by a single
// byte is reported as an error instead.
//
//   build/native/bench/engine_bench
//
// The reference takes seconds per run, so it runs once per setting; the
// fast paths run for at least two seconds each and report their median pass
// (MedianTime.h).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/ReduceNoise.h"
#include "engine/fast/EnginePath.h"
#include "engine/fast/FastReduceNoise.h"
#include "engine/fast/WorkerPool.h"
#include "MedianTime.h"
#include "support/EngineHarness.h"

using namespace testing_support;
using hushpix::fast::EnginePath;

namespace {

constexpr std::int32_t kWidth = 6000;
constexpr std::int32_t kHeight = 4000;
constexpr double kMegapixels = double(kWidth) * kHeight / 1e6;

template <typename Sample>
const Image<Sample>& noisyPhoto() {
    static const Image<Sample> image = [] {
        std::mt19937 random(6000);
        return noisyImage<Sample>(kWidth, kHeight, random);
    }();
    return image;
}

// What the reference produced, and how long it took, per depth and noise level.
struct ReferenceRun {
    std::vector<unsigned char> output;
    double seconds = 0;
};

std::map<std::pair<int, int>, ReferenceRun>& referenceRuns() {
    static std::map<std::pair<int, int>, ReferenceRun> runs;
    return runs;
}

template <typename Sample>
std::vector<unsigned char> bytesOf(const Image<Sample>& image) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(image.samples.data());
    return {bytes, bytes + image.samples.size() * sizeof(Sample)};
}

// One pass over the whole image on the given path, into `destination`.
template <typename Sample>
void filterOnce(EngineHarness& harness, EnginePath path, int threads, Image<Sample>& destination) {
    const Image<Sample>& source = noisyPhoto<Sample>();
    const std::ptrdiff_t rowBytes = hushpix::packedRowBytes(kWidth, Image<Sample>::depth);
    hushpix::fast::reduceNoiseOnPath(path, threads, harness.engine, true, source.samples.data(),
                                     destination.samples.data(), nullptr, 0, kWidth, kHeight,
                                     Image<Sample>::depth, -1, -1, rowBytes, rowBytes);
}

template <typename Sample>
void reduceNoiseWholeImage(benchmark::State& state) {
    const int level = int(state.range(0));
    const EnginePath path = EnginePath(state.range(1));
    const bool dispatched = state.range(2) != 0;
    const int threads = dispatched ? hushpix::fast::threadBudget() : 1;
    state.SetLabel(std::string(hushpix::fast::enginePathName(path)) +
                   (dispatched ? " (reduceNoise)" : "") + ", " + std::to_string(threads) +
                   (threads == 1 ? " thread" : " threads"));
    if (!hushpix::fast::cpuCanRun(path)) {
        state.SkipWithError("this CPU cannot run the path");
        return;
    }
    const Image<Sample>& source = noisyPhoto<Sample>();
    Image<Sample> destination = source;
    EngineHarness harness(level, hushpix::kContourNormal, true);
    harness.run(source, destination);  // gets the working buffers, outside the timing

    ReferenceRun& reference = referenceRuns()[{Image<Sample>::depth, level}];
    double seconds = 0;  // per pass
    if (path == EnginePath::kReference) {
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            filterOnce(harness, path, 1, destination);
            reference.seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        reference.output = bytesOf(destination);
        seconds = reference.seconds;
    } else {
        if (reference.output.empty()) {  // the reference's own run was filtered out
            Image<Sample> expected = source;
            const auto start = std::chrono::steady_clock::now();
            filterOnce(harness, EnginePath::kReference, 1, expected);
            reference.seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            reference.output = bytesOf(expected);
        }
        filterOnce(harness, path, threads, destination);
        if (bytesOf(destination) != reference.output) {
            state.SkipWithError("output differs from the reference path");
            return;
        }
        std::vector<double> runs;
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            filterOnce(harness, path, threads, destination);
            benchmark::DoNotOptimize(destination.samples.data());
            runs.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        seconds = medianSeconds(runs);
    }
    state.counters["Mpix/s"] = kMegapixels / seconds;
    state.counters["x reference"] = reference.seconds / seconds;
}

// Arguments: noise level, path, and whether it is reduceNoise's own choice
// with all its threads. The reference comes first, once per setting.
void pathsAndLevels(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"noise", "path", "dispatched"});
    const EnginePath fastest = hushpix::fast::selectedEnginePath();
    for (int level : {hushpix::kNoiseLow, hushpix::kNoiseNormal, hushpix::kNoiseHigh}) {
        benchmark->Args({level, int(EnginePath::kReference), 0});
        benchmark->Args({level, int(fastest), 1});
        for (EnginePath path : hushpix::fast::kFastPaths) {
            if (hushpix::fast::cpuCanRun(path)) benchmark->Args({level, int(path), 0});
        }
    }
    benchmark->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
}

BENCHMARK(reduceNoiseWholeImage<std::uint8_t>)->Apply(pathsAndLevels);
BENCHMARK(reduceNoiseWholeImage<std::uint16_t>)->Apply(pathsAndLevels);

}  // namespace

BENCHMARK_MAIN();
