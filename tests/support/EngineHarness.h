// Runs the engine on in-memory images with working buffers from a fake host
// that sizes them exactly, so that AddressSanitizer sees any stray access.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "engine/ReduceNoise.h"
#include "engine/Settings.h"
#include "engine/WorkBuffers.h"
#include "support/FakeBufferHost.h"

namespace testing_support {

template <typename Sample>
struct Image {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<Sample> samples;  // packed interleaved RGB

    static constexpr std::int32_t depth = sizeof(Sample) == 1 ? 8 : 16;

    Sample& at(std::int32_t x, std::int32_t y, int channel) {
        return samples[3 * (std::size_t(y) * width + x) + channel];
    }
    Sample at(std::int32_t x, std::int32_t y, int channel) const {
        return samples[3 * (std::size_t(y) * width + x) + channel];
    }
};

template <typename Sample>
Image<Sample> uniformImage(std::int32_t width, std::int32_t height, Sample r, Sample g, Sample b) {
    Image<Sample> image{width, height, {}};
    for (std::int64_t i = 0; i < std::int64_t(width) * height; ++i) {
        image.samples.insert(image.samples.end(), {r, g, b});
    }
    return image;
}

// Noise around a few flat patches and edges, so that every label and both
// despeckle passes have work to do.
template <typename Sample>
Image<Sample> noisyImage(std::int32_t width, std::int32_t height, std::mt19937& random) {
    const std::uint32_t top = sizeof(Sample) == 1 ? 255 : 65535;
    std::uniform_int_distribution<std::uint32_t> noise(0, top / 6);
    std::uniform_int_distribution<std::uint32_t> any(0, top);
    const std::uint32_t base[3] = {any(random) / 2, any(random) / 2, any(random) / 2};
    Image<Sample> image{width, height, std::vector<Sample>(std::size_t(width) * height * 3)};
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const bool bright = (x * 3 + y * 2) % 23 < 9;
            for (int c = 0; c < 3; ++c) {
                std::uint32_t value = base[c] + (bright ? top / 3 : 0) + noise(random);
                if (random() % 97 == 0) value = any(random);  // isolated spikes
                image.at(x, y, c) = Sample(value > top ? top : value);
            }
        }
    }
    return image;
}

struct EngineHarness {
    FakeBufferHost host;
    hostapi::BufferProcs procs = host.procs();
    hushpix::FilterSettings settings{};
    hushpix::EngineState engine{};
    // The plain path leaves its intermediate planes in the working buffers
    // for tests to read; the fast path keeps no such promise.
    bool referencePath = false;

    EngineHarness(std::int32_t noiseLevel, std::int32_t contourLevel, bool perPixel) {
        hushpix::resetEngineState(engine);
        settings = {noiseLevel, contourLevel, hostapi::Boolean(perPixel)};
        hushpix::deriveKernel(settings, engine);
    }
    ~EngineHarness() { hushpix::freeWorkBuffers(engine, host.procs()); }

    // Filters raw rows with working buffers sized exactly for them.
    void runRaw(const void* source, std::ptrdiff_t sourceRowBytes, void* destination,
                std::ptrdiff_t destinationRowBytes, const std::uint8_t* mask,
                std::int32_t maskRowBytes, std::int32_t width, std::int32_t height,
                std::int32_t depth, std::int32_t lastSkippedColumn = -1,
                std::int32_t lastSkippedRow = -1) {
        procs = host.procs();
        hushpix::allocateWorkBuffers(engine, procs, width, height, depth);
        const auto pass = referencePath ? hushpix::reduceNoiseReference : hushpix::reduceNoise;
        pass(engine, settings.perPixel != 0, source, destination, mask, maskRowBytes, width,
             height, depth, lastSkippedColumn, lastSkippedRow, sourceRowBytes,
             destinationRowBytes);
    }

    template <typename Sample>
    void run(const Image<Sample>& source, Image<Sample>& destination,
             const std::uint8_t* mask = nullptr, std::int32_t maskRowBytes = 0,
             std::int32_t lastSkippedColumn = -1, std::int32_t lastSkippedRow = -1) {
        const std::int32_t depth = Image<Sample>::depth;
        const std::ptrdiff_t rowBytes = hushpix::packedRowBytes(source.width, depth);
        runRaw(source.samples.data(), rowBytes, destination.samples.data(), rowBytes, mask,
               maskRowBytes, source.width, source.height, depth, lastSkippedColumn,
               lastSkippedRow);
    }

    template <typename Sample>
    Image<Sample> filtered(const Image<Sample>& source) {
        Image<Sample> destination = source;
        run(source, destination);
        return destination;
    }
};

}  // namespace testing_support
