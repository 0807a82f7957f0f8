// reduceNoise over a 6000 x 4000 RGB photograph-sized image, contour Normal,
// per-pixel equalization on, at each noise-reduction strength and depth, on
// the plain reference path and on each fast path this CPU can run (the
// dispatching path with every thread it would use, plus each instruction
// set on one thread). Reports megapixels per second and the speed-up over
// the reference; a path whose output differs from the reference's by a
// single byte is reported as an error instead.
//
//   build/native/bench/engine_bench
//
// The reference and the dispatching path take turns (SideBySide); each
// instruction set on one thread runs for at least two seconds. Every figure
// is of a median pass (MedianTime.h).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <string>
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

template <typename Sample>
bool sameBytes(const Image<Sample>& image, const std::vector<unsigned char>& bytes) {
    return image.samples.size() * sizeof(Sample) == bytes.size() &&
           std::memcmp(image.samples.data(), bytes.data(), bytes.size()) == 0;
}

// One pass over the whole image on the given path, into `destination`; its
// time in seconds.
template <typename Sample>
double filterOnce(EngineHarness& harness, EnginePath path, int threads, Image<Sample>& destination) {
    const Image<Sample>& source = noisyPhoto<Sample>();
    const std::ptrdiff_t rowBytes = hushpix::packedRowBytes(kWidth, Image<Sample>::depth);
    const auto start = std::chrono::steady_clock::now();
    hushpix::fast::reduceNoiseOnPath(path, threads, harness.engine, true, source.samples.data(),
                                     destination.samples.data(), nullptr, 0, kWidth, kHeight,
                                     Image<Sample>::depth, -1, -1, rowBytes, rowBytes);
    benchmark::DoNotOptimize(destination.samples.data());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The reference's passes and those of the path reduceNoise chooses, with
// all its threads, at one depth and noise level. The reference takes
// seconds per pass, and on these shared machines another guest's load
// slows every pass for seconds at a time; so the two alternate, a
// reference pass and then fast ones for a while, round after round, and
// each side reports its median pass (MedianTime.h): both see the same
// spells of load.
struct SideBySide {
    std::vector<double> reference, fast;
    std::vector<unsigned char> output;  // the reference's
    bool differs = false;
};

constexpr int kRounds = 3;
constexpr double kFastSecondsPerRound = 0.7;

template <typename Sample>
SideBySide measureSideBySide(int level) {
    const Image<Sample>& source = noisyPhoto<Sample>();
    Image<Sample> destination = source;
    EngineHarness harness(level, hushpix::kContourNormal, true);
    harness.run(source, destination);  // gets the working buffers, outside the timing
    const EnginePath fastest = hushpix::fast::selectedEnginePath();
    const int threads = hushpix::fast::threadBudget();
    SideBySide runs;
    for (int round = 0; round < kRounds; ++round) {
        runs.reference.push_back(filterOnce(harness, EnginePath::kReference, 1, destination));
        if (round == 0) {
            const auto* bytes = reinterpret_cast<const unsigned char*>(destination.samples.data());
            runs.output.assign(bytes, bytes + destination.samples.size() * sizeof(Sample));
        }
        for (double spent = 0; spent < kFastSecondsPerRound;) {
            runs.fast.push_back(filterOnce(harness, fastest, threads, destination));
            spent += runs.fast.back();
            runs.differs = runs.differs || !sameBytes(destination, runs.output);
        }
    }
    return runs;
}

template <typename Sample>
const SideBySide& sideBySide(int level) {
    static std::map<int, SideBySide> measured;
    auto found = measured.find(level);
    if (found == measured.end()) {
        found = measured.emplace(level, measureSideBySide<Sample>(level)).first;
    }
    return found->second;
}

std::string threadsLabel(EnginePath path, bool dispatched, int threads) {
    return std::string(hushpix::fast::enginePathName(path)) + (dispatched ? " (reduceNoise)" : "") +
           ", " + std::to_string(threads) + (threads == 1 ? " thread" : " threads");
}

void report(benchmark::State& state, double seconds, double referenceSeconds) {
    state.counters["Mpix/s"] = kMegapixels / seconds;
    state.counters["x reference"] = referenceSeconds / seconds;
}

// The reference (path 0) or reduceNoise's own choice, from their
// alternating passes.
template <typename Sample>
void referenceAgainstReduceNoise(benchmark::State& state) {
    const int level = int(state.range(0));
    const EnginePath path = EnginePath(state.range(1));
    const bool reference = path == EnginePath::kReference;
    state.SetLabel(threadsLabel(path, !reference, reference ? 1 : hushpix::fast::threadBudget()));
    const SideBySide& runs = sideBySide<Sample>(level);
    if (runs.differs) {
        state.SkipWithError("output differs from the reference path");
        return;
    }
    const double referenceSeconds = medianSeconds(runs.reference);
    const double seconds = reference ? referenceSeconds : medianSeconds(runs.fast);
    for (auto _ : state) state.SetIterationTime(seconds);
    report(state, seconds, referenceSeconds);
}

// Each fast path on one thread, against the reference's median pass.
template <typename Sample>
void fastPathOnOneThread(benchmark::State& state) {
    const int level = int(state.range(0));
    const EnginePath path = EnginePath(state.range(1));
    state.SetLabel(threadsLabel(path, false, 1));
    const SideBySide& reference = sideBySide<Sample>(level);
    const Image<Sample>& source = noisyPhoto<Sample>();
    Image<Sample> destination = source;
    EngineHarness harness(level, hushpix::kContourNormal, true);
    harness.run(source, destination);
    filterOnce(harness, path, 1, destination);
    if (!sameBytes(destination, reference.output)) {
        state.SkipWithError("output differs from the reference path");
        return;
    }
    std::vector<double> runs;
    for (auto _ : state) runs.push_back(filterOnce(harness, path, 1, destination));
    report(state, medianSeconds(runs), medianSeconds(reference.reference));
}

const int kLevels[] = {hushpix::kNoiseLow, hushpix::kNoiseNormal, hushpix::kNoiseHigh};

// Arguments: noise level and path.
void referenceAndReduceNoise(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"noise", "path"});
    for (int level : kLevels) {
        benchmark->Args({level, int(EnginePath::kReference)});
        benchmark->Args({level, int(hushpix::fast::selectedEnginePath())});
    }
    benchmark->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

void pathsAndLevels(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"noise", "path"});
    for (int level : kLevels) {
        for (EnginePath path : hushpix::fast::kFastPaths) {
            if (hushpix::fast::cpuCanRun(path)) benchmark->Args({level, int(path)});
        }
    }
    benchmark->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
}

BENCHMARK(referenceAgainstReduceNoise<std::uint8_t>)->Apply(referenceAndReduceNoise);
BENCHMARK(referenceAgainstReduceNoise<std::uint16_t>)->Apply(referenceAndReduceNoise);
BENCHMARK(fastPathOnOneThread<std::uint8_t>)->Apply(pathsAndLevels);
BENCHMARK(fastPathOnOneThread<std::uint16_t>)->Apply(pathsAndLevels);

}  // namespace

BENCHMARK_MAIN();
