// The fast path against the plain reference: random images, settings
// (out-of-range ones too), depths, masks, strides, skip bounds and sizes,
// on every instruction-set path this CPU can run and on the scalar one.
// Destinations are compared byte for byte, row padding and unwritten pixels
// included; the working buffers start out full of junk, since their old
// contents must not matter.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/ReduceNoise.h"
#include "engine/Settings.h"
#include "engine/fast/EnginePath.h"
#include "engine/fast/FastReduceNoise.h"

using hushpix::fast::EnginePath;

namespace {

struct Case {
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::int32_t depth = 8;
    std::int32_t noiseLevel = hushpix::kNoiseHigh;
    std::int32_t contourLevel = hushpix::kContourNormal;
    bool perPixel = true;
    bool withMask = false;
    std::int32_t sourcePadding = 0;  // samples after each row
    std::int32_t destinationPadding = 0;
    std::int32_t maskPadding = 0;
    std::int32_t lastSkippedColumn = -1;
    std::int32_t lastSkippedRow = -1;
    bool inPlace = false;
    int threads = 1;
    int imageStyle = 0;
    bool oddContourKernel = false;
    std::int32_t contourThreshold = 0;  // overrides the derived one when non-zero
    // 1: one smoothing weight tiny, 2: weights that add up to more than 2.
    int oddWeights = 0;
    std::uint32_t seed = 0;

    std::string describe() const {
        std::ostringstream text;
        text << width << "x" << height << " depth " << depth << " noise " << noiseLevel
             << " contour " << contourLevel << " perPixel " << perPixel << " mask " << withMask
             << " padding " << sourcePadding << "/" << destinationPadding << "/" << maskPadding
             << " skip " << lastSkippedColumn << "," << lastSkippedRow << " inPlace " << inPlace
             << " threads " << threads << " style " << imageStyle << " oddKernel "
             << oddContourKernel << " threshold " << contourThreshold << " weights "
             << oddWeights << " seed " << seed;
        return text.str();
    }
};

// Noise, flat areas with steps, extremes, and bands: every label value and
// both despeckle passes get work, and out-of-range colours test the clamps.
std::uint32_t sampleAt(int style, std::int32_t x, std::int32_t y, int channel, std::uint32_t top,
                       std::mt19937& random) {
    switch (style) {
        case 0: return random() % (top + 1);
        case 1: return ((x / 3 + y / 4) % 2 ? top / 2 : top / 5) + random() % (top / 12 + 1);
        case 2: return random() % 2 ? top : 0;
        case 3: return (x * 7 + y * 3 + channel * 50) % 5 < 2 ? top : top / 3;
        default: {
            const std::uint32_t base = (x + y) % 17 < 8 ? top / 4 : top - top / 4;
            return random() % 29 == 0 ? random() % (top + 1) : base + random() % (top / 40 + 1);
        }
    }
}

struct Run {
    std::vector<unsigned char> source;
    std::vector<unsigned char> destination;
    std::vector<std::uint8_t> mask;
};

class Engine {
public:
    Engine(const Case& c, std::mt19937& random) {
        hushpix::resetEngineState(engine);
        const hushpix::FilterSettings settings{c.noiseLevel, c.contourLevel,
                                               hostapi::Boolean(c.perPixel)};
        hushpix::deriveKernel(settings, engine);
        if (c.contourThreshold != 0) engine.contourThreshold = c.contourThreshold;
        if (c.oddContourKernel) {
            for (std::int32_t& weight : engine.contourKernel)
                weight = std::int32_t(random() % 7) - 3;
        }
        const std::int32_t taps = engine.kernelLength;
        if (c.oddWeights == 1) engine.weights[random() % taps] = 1e-12f;
        if (c.oddWeights == 2) {
            for (std::int32_t i = 0; i < taps; ++i) engine.weights[i] *= 2.5f;
        }
        const std::size_t pixels = std::size_t(c.width) * c.height;
        luminance.resize(pixels * (c.depth == 16 ? 2 : 1));
        regionMap.resize(pixels);
        sums.resize(pixels * 3);
        engine.luminance = luminance.data();
        engine.regionMap = regionMap.data();
        engine.sums = sums.data();
    }

    void fillWithJunk(std::mt19937& random) {
        for (auto& byte : luminance) byte = std::uint8_t(random());
        for (auto& byte : regionMap) byte = std::uint8_t(random());
        for (float& sum : sums) sum = float(random() % 100000) - 50000.0f;
    }

    hushpix::EngineState engine{};

private:
    std::vector<std::uint8_t> luminance;
    std::vector<std::uint8_t> regionMap;
    std::vector<float> sums;
};

std::vector<unsigned char> runOn(EnginePath path, const Case& c) {
    std::mt19937 random(c.seed);
    const std::int32_t sampleBytes = c.depth == 16 ? 2 : 1;
    const std::uint32_t top = c.depth == 16 ? 65535 : 255;
    const std::ptrdiff_t sourceRowBytes =
        hushpix::packedRowBytes(c.width, c.depth) + c.sourcePadding * sampleBytes;
    const std::ptrdiff_t destinationRowBytes =
        c.inPlace ? sourceRowBytes
                  : hushpix::packedRowBytes(c.width, c.depth) + c.destinationPadding * sampleBytes;
    const std::int32_t maskRowBytes = c.width + c.maskPadding;

    Run run;
    run.source.resize(std::size_t(sourceRowBytes) * c.height);
    for (auto& byte : run.source) byte = std::uint8_t(random());
    for (std::int32_t y = 0; y < c.height; ++y) {
        for (std::int32_t x = 0; x < c.width; ++x) {
            for (int channel = 0; channel < 3; ++channel) {
                const std::uint32_t value = sampleAt(c.imageStyle, x, y, channel, top, random);
                unsigned char* at =
                    run.source.data() + y * sourceRowBytes + (3 * x + channel) * sampleBytes;
                if (sampleBytes == 2) {
                    const std::uint16_t sample = std::uint16_t(value);
                    std::memcpy(at, &sample, 2);
                } else {
                    *at = std::uint8_t(value);
                }
            }
        }
    }
    run.destination.resize(std::size_t(destinationRowBytes) * c.height);
    for (auto& byte : run.destination) byte = std::uint8_t(random());
    if (c.withMask) {
        const std::uint32_t density = random() % 4;
        run.mask.resize(std::size_t(maskRowBytes) * c.height);
        for (auto& byte : run.mask)
            byte = random() % 4 < density ? std::uint8_t(1 + random() % 255) : 0;
    }

    Engine engine(c, random);
    engine.fillWithJunk(random);
    void* destination = c.inPlace ? run.source.data() : run.destination.data();
    hushpix::fast::reduceNoiseOnPath(path, c.threads, engine.engine, c.perPixel, run.source.data(),
                                     destination, c.withMask ? run.mask.data() : nullptr,
                                     maskRowBytes, c.width, c.height, c.depth, c.lastSkippedColumn,
                                     c.lastSkippedRow, sourceRowBytes, destinationRowBytes);
    return c.inPlace ? run.source : run.destination;
}

std::vector<EnginePath> fastPathsOfThisCpu() {
    std::vector<EnginePath> paths;
    for (EnginePath path : hushpix::fast::kFastPaths) {
        if (hushpix::fast::cpuCanRun(path)) paths.push_back(path);
    }
    return paths;
}

void expectSameAsReference(const Case& c) {
    const std::vector<unsigned char> expected = runOn(EnginePath::kReference, c);
    for (EnginePath path : fastPathsOfThisCpu()) {
        const std::vector<unsigned char> actual = runOn(path, c);
        ASSERT_EQ(expected.size(), actual.size());
        std::size_t firstDifference = 0;
        while (firstDifference < expected.size() &&
               expected[firstDifference] == actual[firstDifference]) {
            ++firstDifference;
        }
        ASSERT_EQ(firstDifference, expected.size())
            << hushpix::fast::enginePathName(path) << " differs at byte " << firstDifference
            << " for " << c.describe();
    }
}

std::int32_t anyOf(std::mt19937& random, std::initializer_list<std::int32_t> values) {
    return *(values.begin() + random() % values.size());
}

Case randomCase(std::mt19937& random, std::int32_t maxWidth, std::int32_t maxHeight) {
    Case c;
    c.seed = random();
    c.width = 1 + std::int32_t(random() % std::uint32_t(maxWidth));
    c.height = 1 + std::int32_t(random() % std::uint32_t(maxHeight));
    c.depth = random() % 2 ? 16 : 8;
    c.noiseLevel = anyOf(random, {0, 1, 2, 2, -1, 3, 1000});
    c.contourLevel = anyOf(random, {0, 1, 2, 2, 3, -5, 4, 77});
    c.perPixel = random() % 4 != 0;
    c.withMask = random() % 3 == 0;
    c.sourcePadding = random() % 2 ? std::int32_t(random() % 13) : 0;
    c.destinationPadding = random() % 2 ? std::int32_t(random() % 13) : 0;
    c.maskPadding = std::int32_t(random() % 5);
    if (random() % 3 == 0) c.lastSkippedColumn = std::int32_t(random() % (c.width + 2)) - 2;
    if (random() % 3 == 0) c.lastSkippedRow = std::int32_t(random() % (c.height + 2)) - 2;
    c.inPlace = random() % 5 == 0;
    c.threads = 1 + int(random() % 3);
    c.imageStyle = int(random() % 5);
    return c;
}

TEST(Differential, TinyImagesOfEveryShape) {
    std::mt19937 random(1);
    for (std::int32_t width = 1; width <= 7; ++width) {
        for (std::int32_t height = 1; height <= 7; ++height) {
            Case c = randomCase(random, 1, 1);
            c.width = width;
            c.height = height;
            expectSameAsReference(c);
        }
    }
}

TEST(Differential, RandomSmallCases) {
    std::mt19937 random(2);
    for (int i = 0; i < 150; ++i) expectSameAsReference(randomCase(random, 40, 40));
}

TEST(Differential, RandomWideAndTallCases) {
    std::mt19937 random(3);
    for (int i = 0; i < 6; ++i) expectSameAsReference(randomCase(random, 600, 40));
    for (int i = 0; i < 6; ++i) expectSameAsReference(randomCase(random, 30, 300));
}

// Several workers over rows in pieces, the two despeckle passes side by
// side, and the horizontal pass starting while the luminance is still being
// despeckled: the order of work must not show in the result.
TEST(Differential, ManyThreadsOverManyPieces) {
    std::mt19937 random(4);
    for (int threads : {2, 3}) {
        Case c = randomCase(random, 1, 1);
        c.width = 600;
        c.height = 75;
        c.threads = threads;
        c.noiseLevel = hushpix::kNoiseHigh;
        c.contourLevel = hushpix::kContourStrong;
        c.perPixel = true;
        c.imageStyle = 0;
        expectSameAsReference(c);
    }
}

// The vertical pass in pieces of rows, strips of columns and runs of tap
// limits, in place and not: without contours every tap reads its
// neighbour, so a piece that took a row's sums from the wrong place shows.
TEST(Differential, PiecesStripsAndRuns) {
    std::mt19937 random(6);
    for (bool inPlace : {false, true}) {
        for (std::int32_t noiseLevel : {hushpix::kNoiseLow, hushpix::kNoiseHigh}) {
            for (std::int32_t contourLevel : {hushpix::kContourNone, hushpix::kContourStrong}) {
                Case c = randomCase(random, 1, 1);
                c.width = 300;
                c.height = 290;
                c.threads = 1 + int(random() % 3);
                c.noiseLevel = noiseLevel;
                c.contourLevel = contourLevel;
                c.inPlace = inPlace;
                c.withMask = false;
                c.imageStyle = 0;
                expectSameAsReference(c);
            }
        }
    }
}

// A photo editor's tile: rows and columns skipped before the written
// area, which the vertical pass's strips start after, and workers that
// take each strip of each piece of rows on its own.
TEST(Differential, HostTilesOverSeveralWorkers) {
    std::mt19937 random(7);
    for (int threads : {2, 3}) {
        for (std::int32_t skipped : {23, 130}) {
            Case c = randomCase(random, 1, 1);
            c.width = 322;
            c.height = 322;
            c.lastSkippedColumn = skipped;
            c.lastSkippedRow = skipped;
            c.threads = threads;
            c.noiseLevel = hushpix::kNoiseHigh;
            c.contourLevel = hushpix::kContourNormal;
            c.withMask = false;
            c.imageStyle = 4;
            expectSameAsReference(c);
        }
    }
}

// Contour thresholds that no setting gives (the engine record may hold
// anything) and a contour kernel other than the usual one.
TEST(Differential, UnusualContourRules) {
    std::mt19937 random(5);
    for (std::int32_t threshold : {1, 2, 255, 256, 100000, 2147483647, -7}) {
        Case c = randomCase(random, 30, 30);
        c.contourThreshold = threshold;
        expectSameAsReference(c);
    }
    for (int i = 0; i < 6; ++i) {
        Case c = randomCase(random, 30, 30);
        c.oddContourKernel = true;
        c.contourLevel = hushpix::kContourStrong;
        expectSameAsReference(c);
    }
}

// Smoothing weights that no setting gives: the vertical pass may add its
// sums in a shorter order only for weights whose partial sums are exact.
TEST(Differential, UnusualSmoothingWeights) {
    std::mt19937 random(8);
    for (int oddWeights : {1, 2}) {
        for (int i = 0; i < 6; ++i) {
            Case c = randomCase(random, 60, 60);
            c.oddWeights = oddWeights;
            expectSameAsReference(c);
        }
    }
}

}  // namespace
