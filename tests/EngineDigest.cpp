// Prints one digest of the engine's output over a fixed set of images and
// settings. The test command compares the digest of the native build with
// the one the Windows build prints under Wine: the engine must compute the
// same bits on every build.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>

#include "support/EngineHarness.h"

using namespace testing_support;

namespace {

struct Digest {
    std::uint64_t value = 14695981039346656037ull;  // FNV-1a

    void add(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) value = (value ^ bytes[i]) * 1099511628211ull;
    }
};

template <typename Sample>
void addRuns(Digest& digest, std::mt19937& random) {
    for (std::int32_t noise : {0, 1, 2, 7}) {
        for (std::int32_t contour : {0, 1, 2, 3}) {
            for (bool perPixel : {false, true}) {
                const std::int32_t width = 1 + random() % 90, height = 1 + random() % 70;
                const auto source = noisyImage<Sample>(width, height, random);
                std::vector<std::uint8_t> mask(std::size_t(width) * height);
                for (auto& byte : mask) byte = std::uint8_t(random() % 4 == 0 ? 0 : 255);
                EngineHarness harness(noise, contour, perPixel);
                digest.add(harness.engine.weights, sizeof(float) * harness.engine.kernelLength);
                Image<Sample> result = source;
                harness.run(source, result, random() % 2 ? mask.data() : nullptr, width);
                digest.add(result.samples.data(), result.samples.size() * sizeof(Sample));
            }
        }
    }
}

}  // namespace

int main() {
    Digest digest;
    std::mt19937 random(2026);
    addRuns<std::uint8_t>(digest, random);
    addRuns<std::uint16_t>(digest, random);
    std::printf("%016llx\n", static_cast<unsigned long long>(digest.value));
    return 0;
}
