// The user's three settings and the engine's record, plus the steps that
// initialise them and derive the smoothing kernel from the settings.
#pragma once

#include <cstdint>

#include "hostapi/HostTypes.h"

namespace hushpix {

enum NoiseReductionLevel : std::int32_t { kNoiseLow = 0, kNoiseNormal = 1, kNoiseHigh = 2 };

enum ContourDetectionLevel : std::int32_t {
    kContourNone = 0,
    kContourWatery = 1,
    kContourNormal = 2,
    kContourStrong = 3,
};

// Lives in the host's parameters handle. Values are stored as they come,
// without a range test: a recorded action may carry anything, and
// deriveKernel maps every unknown value to the strongest row.
struct FilterSettings {
    std::int32_t noiseLevel;
    std::int32_t contourLevel;
    hostapi::Boolean perPixel;
};

// Image coordinates; bottom and right are exclusive.
struct Rectangle {
    std::int32_t top;
    std::int32_t left;
    std::int32_t bottom;
    std::int32_t right;
};

constexpr int kMaxKernelLength = 23;
constexpr int kContourKernelSize = 25;

// The plug-in's global record, kept by the host between calls.
struct EngineState {
    std::int16_t zoomFactor;
    hostapi::Boolean promptOnStart;
    hostapi::BufferID luminanceID;
    void* luminance;
    hostapi::BufferID regionMapID;
    std::uint8_t* regionMap;
    hostapi::BufferID sumsID;
    float* sums;
    Rectangle previewFrame;
    Rectangle selectionBounds;
    hostapi::BufferID previewBufferID;
    void* previewPixels;
    std::int32_t previewWidth;
    std::int32_t previewHeight;
    std::int32_t previewPlaneBytes;
    float weights[kMaxKernelLength];
    std::int32_t kernelLength;
    std::int32_t contourThreshold;
    std::int32_t contourKernel[kContourKernelSize];
};

void setDefaultSettings(FilterSettings& settings);

// Clears everything but the selection bounds and the derived fields, which
// are rewritten before every use anyway.
void resetEngineState(EngineState& engine);

// Drops the record's references to the working and preview buffers without
// giving them back (as a reset does).
void forgetBuffers(EngineState& engine);

void deriveKernel(const FilterSettings& settings, EngineState& engine);

}  // namespace hushpix
