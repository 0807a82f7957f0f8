// Shared pieces of the protocol tests: steerable stand-ins for the dialogs,
// test images for the embedded host, and the engine run over a host's tiles.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "embedded_host/EmbeddedHost.h"
#include "engine/Settings.h"

namespace protocol_testing {

// Stands in for the Win32 dialogs: counts how often each is shown and
// confirms or cancels as told, after letting the test edit the settings.
struct DialogStandIn {
    int shown = 0;
    int aboutShown = 0;
    bool confirm = true;
    std::function<void(hushpix::FilterSettings&)> edit;
    const void* aboutBasicSuite = nullptr;  // what the about box was given
};
DialogStandIn& dialog();

embedded_host::RgbImage noisyRgbImage(std::int32_t width, std::int32_t height,
                                      std::int32_t depth, unsigned seed = 7);

// The image the plug-in's settings give when the engine runs over exactly
// these tiles, each filtered from the original into the result so far.
embedded_host::RgbImage filteredOverTiles(const embedded_host::RgbImage& image,
                                          const embedded_host::ScriptSettings& settings,
                                          const std::vector<embedded_host::Area>& tiles,
                                          std::int32_t tileWidth, std::int32_t tileHeight,
                                          const embedded_host::Area& filterRect);

embedded_host::Descriptor descriptorOf(std::int32_t noise, std::int32_t contour, bool perPixel);

}  // namespace protocol_testing
