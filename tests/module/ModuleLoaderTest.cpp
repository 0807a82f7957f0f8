// Our host loads the built hushpix.8bf as a Windows host does, and the
// plug-in behind the module's entry point behaves as the linked-in one.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "embedded_host/EmbeddedHost.h"
#include "embedded_host/WindowsModule.h"

namespace {

using embedded_host::loadPluginModule;
using embedded_host::ModuleError;

embedded_host::RgbImage noisyImage(std::int32_t width, std::int32_t height, std::int32_t depth) {
    embedded_host::RgbImage image{width, height, depth, {}};
    std::uint32_t state = 12345;
    const std::size_t samples = std::size_t(width) * std::size_t(height) * 3;
    for (std::size_t i = 0; i < samples; ++i) {
        state = state * 1664525u + 1013904223u;
        const std::uint32_t value = (i / 3 % std::size_t(width) < std::size_t(width) / 2 ? 60u : 190u) + (state >> 28);
        if (depth == 8) {
            image.bytes.push_back(std::uint8_t(value));
        } else {
            const std::uint16_t sample = std::uint16_t(value * 257 + (state >> 20 & 0xFF));
            image.bytes.insert(image.bytes.end(), {std::uint8_t(sample), std::uint8_t(sample >> 8)});
        }
    }
    return image;
}

TEST(ModuleLoader, ReadsThePiplOfTheBuiltModule) {
    const auto module = loadPluginModule(HUSHPIX_MODULE);
    EXPECT_EQ(module.pipl.category, "Dravelin");
    EXPECT_EQ(module.pipl.title, "Hushpix...");
    EXPECT_EQ(module.pipl.entryPoint, "PluginMain");
    EXPECT_EQ(module.pipl.enablingExpression, "in (PSHOP_ImageMode, RGBMode, RGB48Mode )");
    EXPECT_NE(module.plugin.entry, nullptr);
}

TEST(ModuleLoader, RefusesFilesThatAreNoPlugin) {
    EXPECT_THROW(loadPluginModule("kernel32.dll"), ModuleError);  // no PiPL
    EXPECT_THROW(loadPluginModule("no-such-module.8bf"), ModuleError);
}

TEST(ModuleLoader, AboutTouchesNoHandle) {
    const auto module = loadPluginModule(HUSHPIX_MODULE);
    embedded_host::Host host(module.plugin);
    const embedded_host::RunReport report = host.about();
    EXPECT_EQ(report.result, 0);
    EXPECT_EQ(report.handles.allocated, 0);
    EXPECT_EQ(report.handles.locked, 0);
    EXPECT_EQ(report.handles.invalid, 0);
    EXPECT_EQ(report.buffers.allocated, 0);
}

TEST(ModuleLoader, TheModuleFiltersAsTheLinkedPluginDoes) {
    const auto module = loadPluginModule(HUSHPIX_MODULE);
    for (const std::int32_t depth : {8, 16}) {
        // Wider and taller than the plug-in's smallest tile (256 x 256).
        const embedded_host::RgbImage original = noisyImage(520, 300, depth);
        std::vector<std::uint8_t> mask(520 * 300);
        for (std::size_t i = 0; i < mask.size(); ++i) mask[i] = std::uint8_t(i % 7 == 0 ? 0 : i % 3 == 0 ? 128 : 255);

        embedded_host::RunOptions options;
        options.settings = embedded_host::ScriptSettings{1, 3, false};
        options.mask = &mask;
        options.tileWidth = options.tileHeight = 256;

        embedded_host::RgbImage throughModule = original;
        const auto moduleReport = embedded_host::Host(module.plugin).apply(throughModule, options);
        embedded_host::RgbImage linked = original;
        const auto linkedReport = embedded_host::Host(embedded_host::loadLinkedPlugin()).apply(linked, options);

        EXPECT_EQ(moduleReport.result, 0);
        EXPECT_EQ(linkedReport.result, 0);
        EXPECT_GE(moduleReport.tiles.size(), 6u);
        EXPECT_NE(throughModule.bytes, original.bytes) << depth;
        EXPECT_EQ(throughModule.bytes, linked.bytes) << depth;
    }
}

}  // namespace
