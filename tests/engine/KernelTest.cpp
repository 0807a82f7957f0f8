// The settings record, the engine record and the kernel derived from them.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/Settings.h"

using namespace hushpix;

namespace {

EngineState derived(std::int32_t noiseLevel, std::int32_t contourLevel) {
    EngineState engine{};
    deriveKernel(FilterSettings{noiseLevel, contourLevel, 1}, engine);
    return engine;
}

std::vector<float> weightsOf(const EngineState& engine) {
    return {engine.weights, engine.weights + engine.kernelLength};
}

TEST(Kernel, DefaultsGiveTheLongKernelAndNormalContours) {
    FilterSettings settings{};
    setDefaultSettings(settings);
    EXPECT_EQ(settings.noiseLevel, 2);
    EXPECT_EQ(settings.contourLevel, 2);
    EXPECT_EQ(settings.perPixel, 1);

    EngineState engine{};
    deriveKernel(settings, engine);
    EXPECT_EQ(engine.kernelLength, 23);
    EXPECT_EQ(engine.contourThreshold, 16);
}

TEST(Kernel, WeightsMatchTheReferenceTable) {
    const float low[] = {0.1126094f, 0.1411622f, 0.1616608f, 0.169135f,
                         0.1616608f, 0.1411622f, 0.1126094f};
    const float normal[] = {0.05727553f, 0.07419734f, 0.09074558f, 0.1047805f,
                            0.114223f,   0.117556f,   0.114223f,   0.1047805f,
                            0.09074558f, 0.07419734f, 0.05727553f};
    const EngineState lowKernel = derived(0, 2);
    ASSERT_EQ(lowKernel.kernelLength, 7);
    for (int i = 0; i < 7; ++i) EXPECT_NEAR(lowKernel.weights[i], low[i], 1e-7) << i;
    const EngineState normalKernel = derived(1, 2);
    ASSERT_EQ(normalKernel.kernelLength, 11);
    for (int i = 0; i < 11; ++i) EXPECT_NEAR(normalKernel.weights[i], normal[i], 1e-7) << i;
    const EngineState highKernel = derived(2, 2);
    ASSERT_EQ(highKernel.kernelLength, 23);
    EXPECT_NEAR(highKernel.weights[0], 0.01327166f, 1e-8);
    EXPECT_NEAR(highKernel.weights[22], 0.01327166f, 1e-8);
    EXPECT_NEAR(highKernel.weights[11], 0.07010923f, 1e-8);

    for (const EngineState* kernel : {&lowKernel, &normalKernel, &highKernel}) {
        double sum = 0;
        for (float w : weightsOf(*kernel)) sum += w;
        EXPECT_NEAR(sum, 1.0, 1e-6);
        const int centre = kernel->kernelLength / 2;
        for (int d = 1; d <= centre; ++d) {
            EXPECT_NEAR(kernel->weights[centre - d], kernel->weights[centre + d], 1e-8);
            EXPECT_LT(kernel->weights[centre + d], kernel->weights[centre + d - 1]);
        }
    }
}

TEST(Kernel, OutOfRangeSettingsTakeTheStrongestRow) {
    const EngineState high = derived(2, 3);
    for (std::int32_t noise : {5, -1, 1000}) {
        const EngineState engine = derived(noise, 3);
        EXPECT_EQ(engine.kernelLength, 23);
        EXPECT_EQ(weightsOf(engine), weightsOf(high));
    }
    for (std::int32_t contour : {7, -1, 3}) EXPECT_EQ(derived(2, contour).contourThreshold, 8);
    EXPECT_EQ(derived(2, 0).contourThreshold, 0);
    EXPECT_EQ(derived(2, 1).contourThreshold, 32);
    EXPECT_EQ(derived(2, 2).contourThreshold, 16);
}

TEST(Kernel, ContourKernelIsTheSameOnEveryCall) {
    for (std::int32_t contour : {0, 1, 2, 3, 9}) {
        const EngineState engine = derived(0, contour);
        int sum = 0;
        for (int i = 0; i < kContourKernelSize; ++i) {
            EXPECT_EQ(engine.contourKernel[i], i == 12 ? 24 : -1);
            sum += engine.contourKernel[i];
        }
        EXPECT_EQ(sum, 0);
    }
}

TEST(Kernel, WeightsBeyondTheKernelKeepTheirValues) {
    EngineState engine{};
    for (float& w : engine.weights) w = -5.0f;
    deriveKernel(FilterSettings{0, 2, 1}, engine);
    for (int i = 7; i < kMaxKernelLength; ++i) EXPECT_EQ(engine.weights[i], -5.0f);
}

TEST(EngineRecord, ResetClearsBuffersAndPreviewButKeepsBoundsAndKernel) {
    EngineState engine{};
    std::memset(&engine, 0x5A, sizeof engine);
    deriveKernel(FilterSettings{1, 1, 0}, engine);
    engine.selectionBounds = Rectangle{1, 2, 3, 4};
    const EngineState before = engine;

    resetEngineState(engine);
    EXPECT_EQ(engine.zoomFactor, 1);
    EXPECT_EQ(engine.promptOnStart, 1);
    EXPECT_EQ(engine.luminanceID, nullptr);
    EXPECT_EQ(engine.luminance, nullptr);
    EXPECT_EQ(engine.regionMapID, nullptr);
    EXPECT_EQ(engine.regionMap, nullptr);
    EXPECT_EQ(engine.sumsID, nullptr);
    EXPECT_EQ(engine.sums, nullptr);
    EXPECT_EQ(engine.previewBufferID, nullptr);
    EXPECT_EQ(engine.previewPixels, nullptr);
    EXPECT_EQ(engine.previewFrame.top | engine.previewFrame.left | engine.previewFrame.bottom |
                  engine.previewFrame.right,
              0);
    EXPECT_EQ(engine.previewWidth | engine.previewHeight | engine.previewPlaneBytes, 0);

    EXPECT_EQ(std::memcmp(&engine.selectionBounds, &before.selectionBounds,
                          sizeof engine.selectionBounds),
              0);
    EXPECT_EQ(engine.kernelLength, before.kernelLength);
    EXPECT_EQ(engine.contourThreshold, before.contourThreshold);
    EXPECT_EQ(std::memcmp(engine.weights, before.weights, sizeof engine.weights), 0);
    EXPECT_EQ(std::memcmp(engine.contourKernel, before.contourKernel, sizeof engine.contourKernel),
              0);
}

}  // namespace
