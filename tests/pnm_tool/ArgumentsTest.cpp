#include <gtest/gtest.h>

#include "pnm_tool/Arguments.h"

namespace {

using pnm_tool::parseArguments;
using pnm_tool::UsageError;

TEST(Arguments, DefaultsAreThePluginsOwn) {
    const auto arguments = parseArguments({"in.ppm", "-o", "out.ppm"});
    EXPECT_EQ(arguments.input, "in.ppm");
    EXPECT_EQ(arguments.output, "out.ppm");
    EXPECT_EQ(arguments.noiseLevel, 2);
    EXPECT_EQ(arguments.contourLevel, 2);
    EXPECT_TRUE(arguments.perPixel);
    EXPECT_FALSE(arguments.mask);
    EXPECT_EQ(arguments.tileSize, 0);
}

TEST(Arguments, SettingsAsHushpixTakesThem) {
    const auto arguments = parseArguments({"--noise", "Low", "--contour", "watery", "--per-pixel", "off", "--mask",
                                           "m.pgm", "--tile-size", "300", "in.ppm", "--output", "out.ppm"});
    EXPECT_EQ(arguments.noiseLevel, 0);
    EXPECT_EQ(arguments.contourLevel, 1);
    EXPECT_FALSE(arguments.perPixel);
    EXPECT_EQ(arguments.mask, std::filesystem::path("m.pgm"));
    EXPECT_EQ(arguments.tileSize, 300);
}

TEST(Arguments, WrongCommandLinesAreRefused) {
    const std::vector<std::vector<std::string>> wrong = {
        {"in.ppm"},
        {"-o", "out.ppm"},
        {"a.ppm", "b.ppm", "-o", "out.ppm"},
        {"in.ppm", "-o", "out.ppm", "--noise", "loud"},
        {"in.ppm", "-o", "out.ppm", "--tile-size", "0"},
        {"in.ppm", "-o", "out.ppm", "--tile-size", "12x"},
        {"in.ppm", "-o", "out.ppm", "--mask"},
        {"in.ppm", "-o", "out.ppm", "--fast"},
    };
    for (const auto& words : wrong) {
        EXPECT_THROW(parseArguments(words), UsageError) << words.back();
    }
}

}  // namespace
