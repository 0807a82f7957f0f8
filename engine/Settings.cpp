#include "engine/Settings.h"

#include <cmath>

namespace hushpix {

void setDefaultSettings(FilterSettings& settings) {
    settings.noiseLevel = kNoiseHigh;
    settings.contourLevel = kContourNormal;
    settings.perPixel = 1;
}

void forgetBuffers(EngineState& engine) {
    engine.luminanceID = nullptr;
    engine.luminance = nullptr;
    engine.regionMapID = nullptr;
    engine.regionMap = nullptr;
    engine.sumsID = nullptr;
    engine.sums = nullptr;
    engine.previewBufferID = nullptr;
    engine.previewPixels = nullptr;
}

void resetEngineState(EngineState& engine) {
    engine.zoomFactor = 1;
    engine.promptOnStart = 1;
    forgetBuffers(engine);
    engine.previewFrame = Rectangle{0, 0, 0, 0};
    engine.previewWidth = 0;
    engine.previewHeight = 0;
    engine.previewPlaneBytes = 0;
}

namespace {

std::int32_t kernelLengthFor(std::int32_t noiseLevel) {
    switch (noiseLevel) {
        case kNoiseLow: return 7;
        case kNoiseNormal: return 11;
        default: return 23;
    }
}

std::int32_t contourThresholdFor(std::int32_t contourLevel) {
    switch (contourLevel) {
        case kContourNone: return 0;
        case kContourWatery: return 32;
        case kContourNormal: return 16;
        default: return 8;
    }
}

// A sampled Gaussian, normalised so that its taps sum to one. The base is
// 1/sqrt(12.56637061436) (a truncated 4*pi, kept as it is because the
// weights must come out the same to the last bit), and the single-precision
// running sum is part of that contract too.
void deriveWeights(std::int32_t n, float* weights) {
    const double base = 1.0 / std::sqrt(12.56637061436);
    for (std::int32_t i = 0; i < n; ++i) {
        const double exponent = ((double(i) + 2.0) / double(n) - 1.0) * (double(i) - 1.0) * 0.25;
        weights[i] = float(std::pow(base, exponent));
    }
    float sum = 0.0f;
    for (std::int32_t i = 0; i < n; ++i) sum += weights[i];
    const double reciprocal = 1.0 / double(sum);
    for (std::int32_t i = 0; i < n; ++i) weights[i] = float(double(weights[i]) * reciprocal);
}

}  // namespace

void deriveKernel(const FilterSettings& settings, EngineState& engine) {
    engine.kernelLength = kernelLengthFor(settings.noiseLevel);
    engine.contourThreshold = contourThresholdFor(settings.contourLevel);
    for (std::int32_t& weight : engine.contourKernel) weight = -1;
    engine.contourKernel[kContourKernelSize / 2] = 24;
    deriveWeights(engine.kernelLength, engine.weights);
}

}  // namespace hushpix
