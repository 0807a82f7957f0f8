// reduceNoise over a 6000 x 4000 RGB photograph-sized image, contour Normal,
// per-pixel equalization on, at each noise-reduction strength and depth.
// Reports megapixels per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "support/EngineHarness.h"

using namespace testing_support;

namespace {

constexpr std::int32_t kWidth = 6000;
constexpr std::int32_t kHeight = 4000;

template <typename Sample>
const Image<Sample>& noisyPhoto() {
    static const Image<Sample> image = [] {
        std::mt19937 random(6000);
        return noisyImage<Sample>(kWidth, kHeight, random);
    }();
    return image;
}

template <typename Sample>
void reduceNoiseWholeImage(benchmark::State& state) {
    const Image<Sample>& source = noisyPhoto<Sample>();
    Image<Sample> destination = source;
    EngineHarness harness(std::int32_t(state.range(0)), hushpix::kContourNormal, true);
    for (auto _ : state) {
        harness.run(source, destination);
        benchmark::DoNotOptimize(destination.samples.data());
    }
    state.counters["Mpix/s"] = benchmark::Counter(double(kWidth) * kHeight / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

void noiseLevels(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgName("noise")->Arg(0)->Arg(1)->Arg(2);
    benchmark->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
}

BENCHMARK(reduceNoiseWholeImage<std::uint8_t>)->Apply(noiseLevels);
BENCHMARK(reduceNoiseWholeImage<std::uint16_t>)->Apply(noiseLevels);

}  // namespace

BENCHMARK_MAIN();
