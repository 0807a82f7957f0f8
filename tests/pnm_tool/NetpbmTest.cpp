// Netpbm files as other programs write them, and as they must not be read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "pnm_tool/Netpbm.h"

namespace {

using namespace std::string_literals;
using pnm_tool::NetpbmError;

class Netpbm : public ::testing::Test {
protected:
    void SetUp() override {
        directory = std::filesystem::temp_directory_path() /
                    ("hushpix-netpbm-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(directory);
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    std::filesystem::path file(const std::string& name, const std::string& contents) {
        const std::filesystem::path path = directory / name;
        std::ofstream(path, std::ios::binary) << contents;
        return path;
    }

    std::filesystem::path directory;
};

TEST_F(Netpbm, SixteenBitSamplesAreBigEndianInTheFileAndNativeInMemory) {
    const auto path = file("deep.ppm", "P6\n# comment\n1 1\n65535\n"s + "\x12\x34\xAB\xCD\x00\x01"s);
    const embedded_host::RgbImage image = pnm_tool::readP6(path);
    ASSERT_EQ(image.depth, 16);
    ASSERT_EQ(image.bytes.size(), 6u);
    const auto sample = [&](int i) { return std::uint16_t(image.bytes[2 * i] | image.bytes[2 * i + 1] << 8); };
    EXPECT_EQ(sample(0), 0x1234);
    EXPECT_EQ(sample(1), 0xABCD);
    EXPECT_EQ(sample(2), 0x0001);

    const auto copy = directory / "copy.ppm";
    pnm_tool::writeP6(copy, image);
    std::ifstream in(copy, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, "P6\n1 1\n65535\n"s + "\x12\x34\xAB\xCD\x00\x01"s);
}

TEST_F(Netpbm, EightBitImagesRoundTrip) {
    const auto path = file("flat.ppm", "P6 2 1 255\n\x01\x02\x03\xFD\xFE\xFF"s);
    const embedded_host::RgbImage image = pnm_tool::readP6(path);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ(image.depth, 8);
    EXPECT_EQ(image.bytes, (std::vector<std::uint8_t>{1, 2, 3, 253, 254, 255}));
}

TEST_F(Netpbm, MasksAreScaledToFullSelection) {
    const auto mask = pnm_tool::readP5Mask(file("mask.pgm", "P5\n3 1\n2\n\x00\x01\x02"s), 3, 1);
    EXPECT_EQ(mask, (std::vector<std::uint8_t>{0, 128, 255}));
    EXPECT_THROW(pnm_tool::readP5Mask(file("small.pgm", "P5\n2 1\n255\n\x00\x01"s), 3, 1), NetpbmError);
    EXPECT_THROW(pnm_tool::readP5Mask(file("deep.pgm", "P5\n1 1\n65535\n\x00\x01"s), 1, 1), NetpbmError);
    EXPECT_THROW(pnm_tool::readP5Mask(file("over.pgm", "P5\n1 1\n2\n\x03"s), 1, 1), NetpbmError);
}

TEST_F(Netpbm, RefusesWhatItCannotReadWholly) {
    const auto refused = [&](const std::string& contents) {
        try {
            pnm_tool::readP6(file("bad.ppm", contents));
        } catch (const NetpbmError&) {
            return true;
        }
        return false;
    };
    EXPECT_TRUE(refused("P3\n1 1\n255\n1 2 3"));            // plain text
    EXPECT_TRUE(refused("P6\n1 1\n1023\n\x01\x02\x03"s));    // neither 8 nor 16 bits
    EXPECT_TRUE(refused("P6\n2 1\n255\n\x01\x02\x03"s));     // too short
    EXPECT_TRUE(refused("P6\n0 1\n255\n"));                  // empty
    EXPECT_TRUE(refused("P6\n3000000 1\n255\n"));            // beyond the plug-in's limit
    EXPECT_TRUE(refused("P6\n99999999999 1\n255\n"));
    EXPECT_TRUE(refused("P6\n1 1 255\n"));
    EXPECT_THROW(pnm_tool::readP6(directory / "missing.ppm"), NetpbmError);
}

}  // namespace
