#include "ProtocolSupport.h"

#include <cstring>
#include <random>

#include "engine/ReduceNoise.h"
#include "host/Dialogs.h"
#include "host/HostContext.h"
#include "host/PluginMain.h"
#include "host/TilePlan.h"
#include "hostapi/Descriptors.h"
#include "support/EngineHarness.h"

namespace protocol_testing {

DialogStandIn& dialog() {
    static DialogStandIn standIn;
    return standIn;
}

embedded_host::RgbImage noisyRgbImage(std::int32_t width, std::int32_t height,
                                      std::int32_t depth, unsigned seed) {
    std::mt19937 random(seed);
    embedded_host::RgbImage image{width, height, depth, {}};
    if (depth == 16) {
        const auto pixels = testing_support::noisyImage<std::uint16_t>(width, height, random);
        image.bytes.resize(pixels.samples.size() * 2);
        std::memcpy(image.bytes.data(), pixels.samples.data(), image.bytes.size());
    } else {
        image.bytes = testing_support::noisyImage<std::uint8_t>(width, height, random).samples;
    }
    return image;
}

namespace {

std::vector<std::uint8_t> cut(const embedded_host::RgbImage& image, const hushpix::Rectangle& r) {
    const std::size_t pixel = image.depth == 16 ? 6 : 3;
    const std::size_t rowBytes = std::size_t(r.right - r.left) * pixel;
    std::vector<std::uint8_t> plane(rowBytes * std::size_t(r.bottom - r.top));
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        std::memcpy(&plane[(y - r.top) * rowBytes],
                    &image.bytes[(std::size_t(y) * image.width + r.left) * pixel], rowBytes);
    }
    return plane;
}

void paste(const std::vector<std::uint8_t>& plane, const hushpix::Rectangle& r,
           embedded_host::RgbImage& image) {
    const std::size_t pixel = image.depth == 16 ? 6 : 3;
    const std::size_t rowBytes = std::size_t(r.right - r.left) * pixel;
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        std::memcpy(&image.bytes[(std::size_t(y) * image.width + r.left) * pixel],
                    &plane[(y - r.top) * rowBytes], rowBytes);
    }
}

}  // namespace

embedded_host::RgbImage filteredOverTiles(const embedded_host::RgbImage& image,
                                          const embedded_host::ScriptSettings& settings,
                                          const std::vector<embedded_host::Area>& tiles,
                                          std::int32_t tileWidth, std::int32_t tileHeight,
                                          const embedded_host::Area& filterRect) {
    testing_support::EngineHarness harness(settings.noiseLevel, settings.contourLevel,
                                           settings.perPixel);
    const hushpix::Rectangle area{filterRect.top, filterRect.left, filterRect.bottom,
                                  filterRect.right};
    const hushpix::TilePlan plan =
        hushpix::planTiles(area, harness.engine.kernelLength, tileWidth, tileHeight);
    embedded_host::RgbImage result = image;
    std::size_t index = 0;
    for (std::int32_t row = 0; row < plan.rows; ++row) {
        for (std::int32_t column = 0; column < plan.columns; ++column, ++index) {
            const hushpix::Tile tile = hushpix::tileAt(plan, row, column);
            const hushpix::Rectangle& r = tile.rect;
            if (index >= tiles.size() || !(tiles[index] == embedded_host::Area{r.top, r.left,
                                                                              r.bottom, r.right})) {
                return {};  // the host was handed other tiles: no expectation
            }
            const std::vector<std::uint8_t> source = cut(image, r);
            std::vector<std::uint8_t> destination = cut(result, r);
            const std::int32_t width = r.right - r.left;
            const std::ptrdiff_t rowBytes = hushpix::packedRowBytes(width, image.depth);
            harness.runRaw(source.data(), rowBytes, destination.data(), rowBytes, nullptr, 0, width,
                           r.bottom - r.top, image.depth, tile.lastSkippedColumn,
                           tile.lastSkippedRow);
            paste(destination, r, result);
        }
    }
    return result;
}

embedded_host::Descriptor descriptorOf(std::int32_t noise, std::int32_t contour, bool perPixel) {
    using hostapi::fourCC;
    return {{fourCC("CGfc"), hostapi::typeInteger, noise},
            {fourCC("CGct"), hostapi::typeInteger, contour},
            {fourCC("CGpp"), hostapi::typeBoolean, perPixel ? 1 : 0}};
}

}  // namespace protocol_testing

// The plug-in's dialogs, as the tests steer them.
namespace hushpix {

bool runDialog() {
    protocol_testing::DialogStandIn& standIn = protocol_testing::dialog();
    ++standIn.shown;
    if (standIn.edit) standIn.edit(*hostContext().settings);
    return standIn.confirm;
}

void showAbout() {
    ++protocol_testing::dialog().aboutShown;
    protocol_testing::dialog().aboutBasicSuite = hostContext().basicSuite;
}

}  // namespace hushpix

namespace embedded_host {

PluginModule loadLinkedPlugin() { return PluginModule{&PluginMain}; }

}  // namespace embedded_host
