// The whole-image pass as a photo editor runs it: the plug-in through our
// host with 256-pixel host tiles, on a 6000 x 4000 noisy RGB photograph at
// High (contour Normal, per-pixel on), 8 and 16 bits, once with the plain
// reference engine and then with the engine reduceNoise chooses. Reports
// megapixels per second and the speed-up; a fast pass whose image differs
// from the reference's by a single byte is reported as an error instead.
//
//   build/native/bench/host_bench
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "embedded_host/EmbeddedHost.h"
#include "engine/fast/EnginePath.h"
#include "engine/fast/WorkerPool.h"
#include "MedianTime.h"
#include "support/EngineHarness.h"

using hushpix::fast::EnginePath;

namespace {

constexpr std::int32_t kWidth = 6000;
constexpr std::int32_t kHeight = 4000;
constexpr std::int32_t kHostTile = 256;

template <typename Sample>
embedded_host::RgbImage noisyPhoto() {
    std::mt19937 random(6000);
    const auto image = testing_support::noisyImage<Sample>(kWidth, kHeight, random);
    embedded_host::RgbImage photo{kWidth, kHeight, int(sizeof(Sample)) * 8, {}};
    photo.bytes.resize(image.samples.size() * sizeof(Sample));
    std::memcpy(photo.bytes.data(), image.samples.data(), photo.bytes.size());
    return photo;
}

struct ReferencePass {
    std::vector<std::uint8_t> image;
    double seconds = 0;
};

// One pass over a copy of `photo` on `path`; the copy is made outside the
// timing. The host lives on between passes, as a photo editor does, so
// that its memory is warm after the first: each depth's first pass, the
// reference's, is the one that maps it.
double filterOnce(embedded_host::Host& host, EnginePath path,
                  const embedded_host::RgbImage& photo, embedded_host::RgbImage& result) {
    hushpix::fast::forceEnginePath(path);
    result = photo;
    embedded_host::RunOptions options;
    options.settings = embedded_host::ScriptSettings{hushpix::kNoiseHigh,
                                                     hushpix::kContourNormal, true};
    options.tileWidth = options.tileHeight = kHostTile;
    const auto start = std::chrono::steady_clock::now();
    const std::int16_t status = host.apply(result, options).result;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return status == 0 ? seconds : -1;
}

template <typename Sample>
void tiledPass(benchmark::State& state) {
    static const embedded_host::RgbImage photo = noisyPhoto<Sample>();
    static std::map<int, ReferencePass> references;
    static embedded_host::Host host;
    const bool reference = state.range(0) == 0;
    const EnginePath fastest = hushpix::fast::selectedEnginePath();
    ReferencePass& pass = references[int(sizeof(Sample))];
    embedded_host::RgbImage result;
    if (pass.image.empty()) {
        pass.seconds = filterOnce(host, EnginePath::kReference, photo, result);
        pass.image = result.bytes;
    }
    const int threads = reference ? 1 : hushpix::fast::threadBudget();
    state.SetLabel(std::string(reference ? "reference" : hushpix::fast::enginePathName(fastest)) +
                   ", " + std::to_string(threads) + (threads == 1 ? " thread" : " threads"));
    std::vector<double> runs;
    for (auto _ : state) {
        const double seconds =
            reference ? pass.seconds : filterOnce(host, fastest, photo, result);
        if (seconds < 0) {
            state.SkipWithError("the pass failed");
            break;
        }
        if (!reference && result.bytes != pass.image) {
            state.SkipWithError("output differs from the reference engine's");
            break;
        }
        state.SetIterationTime(seconds);
        runs.push_back(seconds);
    }
    hushpix::fast::forceEnginePath(fastest);
    const double seconds = medianSeconds(runs);
    state.counters["Mpix/s"] = double(kWidth) * kHeight / 1e6 / seconds;
    state.counters["x reference"] = pass.seconds / seconds;
}

// The reference's pass takes seconds, so it runs once; the fast one five
// times, reporting its median pass (MedianTime.h).
void referenceThenFast(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgName("fast")->UseManualTime()->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(tiledPass<std::uint8_t>)->Apply(referenceThenFast)->Arg(0)->Iterations(1);
BENCHMARK(tiledPass<std::uint8_t>)->Apply(referenceThenFast)->Arg(1)->Iterations(5);
BENCHMARK(tiledPass<std::uint16_t>)->Apply(referenceThenFast)->Arg(0)->Iterations(1);
BENCHMARK(tiledPass<std::uint16_t>)->Apply(referenceThenFast)->Arg(1)->Iterations(5);

BENCHMARK_MAIN();
