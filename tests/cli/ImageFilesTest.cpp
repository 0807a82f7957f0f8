// Photographs through the whole tool: every supported file type and depth
// comes back with its layout, its metadata and exactly the pixels that the
// plug-in computes, alpha untouched, the mask honoured.
#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "embedded_host/EmbeddedHost.h"

namespace hushpix::cli::test {
namespace {

std::vector<std::uint8_t> filtered(const TestImage& image, embedded_host::ScriptSettings settings,
                                   std::int32_t tileSize) {
    embedded_host::RgbImage rgb;
    rgb.width = image.spec.width;
    rgb.height = image.spec.height;
    rgb.depth = int(image.spec.format.size()) * 8;
    rgb.bytes = image.pixels;
    embedded_host::RunOptions options;
    options.settings = settings;
    options.tileWidth = options.tileHeight = tileSize;
    EXPECT_EQ(embedded_host::applyFilter(rgb, options).result, 0);
    return rgb.bytes;
}

std::string bytesOf(const OIIO::ImageSpec& spec, const char* name) {
    const OIIO::ParamValue* value = spec.find_attribute(name);
    if (value == nullptr) return "<missing>";
    return std::string(static_cast<const char*>(value->data()), value->datasize());
}

struct FileKind {
    const char* extension;
    int depth;
};

class CliRoundTrip : public testing::TestWithParam<FileKind> {};

TEST_P(CliRoundTrip, KeepsLayoutMetadataAndGivesThePluginsPixels) {
    TempFolder folder;
    const std::string name = std::string("photo.") + GetParam().extension;
    TestImage input = makeTestImage(300, 24, 3, GetParam().depth);
    addTestMetadata(input.spec);
    writeImage(folder / name, input);

    const RunResult run = runHushpix({(folder / name).string(), "-o",
                                      (folder / ("out-" + name)).string(), "--tile-size", "256"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");

    const TestImage output = readImage(folder / ("out-" + name));
    EXPECT_EQ(output.spec.width, 300);
    EXPECT_EQ(output.spec.height, 24);
    EXPECT_EQ(output.spec.nchannels, 3);
    EXPECT_EQ(output.spec.format, input.spec.format);
    EXPECT_EQ(output.pixels, filtered(input, {}, 256));
    EXPECT_NE(output.pixels, input.pixels);

    EXPECT_EQ(bytesOf(output.spec, "ICCProfile"), bytesOf(input.spec, "ICCProfile"));
    EXPECT_EQ(output.spec.get_string_attribute("Make"), "Hushpix Test Camera");
    EXPECT_EQ(output.spec.get_string_attribute("Copyright"), "CC0");
    if (std::string(GetParam().extension) == "tif") {
        EXPECT_NEAR(output.spec.get_float_attribute("ExposureTime"), 1.0f / 60.0f, 1e-6);
        EXPECT_FLOAT_EQ(output.spec.get_float_attribute("FNumber"), 2.8f);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, CliRoundTrip,
                         testing::Values(FileKind{"png", 8}, FileKind{"png", 16},
                                         FileKind{"tif", 8}, FileKind{"tif", 16}),
                         [](const testing::TestParamInfo<FileKind>& info) {
                             return std::string(info.param.extension) +
                                    std::to_string(info.param.depth);
                         });

TEST(CliJpeg, StaysJpegWithItsProfile) {
    TempFolder folder;
    TestImage input = makeTestImage(40, 30, 3, 8);
    addTestMetadata(input.spec);
    writeImage(folder / "photo.jpg", input);
    const RunResult run =
        runHushpix({(folder / "photo.jpg").string(), "-o", (folder / "out.jpg").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const TestImage output = readImage(folder / "out.jpg");
    EXPECT_EQ(output.spec.width, 40);
    EXPECT_EQ(output.spec.format, OIIO::TypeDesc::UINT8);
    EXPECT_EQ(bytesOf(output.spec, "ICCProfile"), bytesOf(input.spec, "ICCProfile"));
    EXPECT_NEAR(output.spec.get_float_attribute("ExposureTime"), 1.0f / 60.0f, 1e-6);
}

// A TIFF stays as compressed as it was (an uncompressed one is fastest to
// read and write); in another format than its input's the writer chooses,
// so a JPEG's compression never follows it into a TIFF.
TEST(CliTiff, KeepsItsCompression) {
    TempFolder folder;
    for (const char* compression : {"none", "lzw"}) {
        TestImage input = makeTestImage(40, 30, 3, 8);
        input.spec.attribute("compression", compression);
        writeImage(folder / "photo.tif", input);
        const RunResult run =
            runHushpix({(folder / "photo.tif").string(), "-o", (folder / "out.tif").string()});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(readImage(folder / "out.tif").spec.get_string_attribute("compression"),
                  compression);
    }
    writeImage(folder / "photo.jpg", makeTestImage(40, 30, 3, 8));
    const RunResult run =
        runHushpix({(folder / "photo.jpg").string(), "-o", (folder / "from-jpeg.tif").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(readImage(folder / "from-jpeg.tif").spec.get_string_attribute("compression"),
              "jpeg");
}

TEST(CliSettings, ReachThePluginAsGiven) {
    TempFolder folder;
    const TestImage input = makeTestImage(48, 40, 3, 8);
    writeImage(folder / "photo.png", input);
    const RunResult run = runHushpix({(folder / "photo.png").string(), "-o",
                                      (folder / "out.png").string(), "--noise", "low",
                                      "--contour", "none", "--per-pixel", "off"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::uint8_t> expected = filtered(input, {0, 0, false}, 0);
    EXPECT_EQ(readImage(folder / "out.png").pixels, expected);
    EXPECT_NE(expected, filtered(input, {}, 0));
}

// The plug-in reports one step per tile; a tile of 256 (its smallest) cuts a
// 300-pixel-wide photograph in two, one of 32767 leaves it whole.
TEST(CliProgress, FollowsThePluginsTilesOnATerminal) {
    TempFolder folder;
    writeImage(folder / "photo.png", makeTestImage(300, 20, 3, 8));
    const std::string photo = (folder / "photo.png").string();

    RunResult run = runHushpix({photo, "-o", (folder / "two.png").string(), "--tile-size", "256"},
                               Terminal::kYes);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.terminal, "\rphoto.png [###############               ] 50%"
                            "\rphoto.png [##############################] 100%\n");

    run = runHushpix({photo, "-o", (folder / "one.png").string(), "--tile-size", "32767"},
                     Terminal::kYes);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.terminal, "\rphoto.png [##############################] 100%\n");
}

// Alpha goes around the plug-in: the colour result is what the same colours
// give without alpha (no premultiplication on the way), and alpha is kept.
TEST(CliAlpha, PassesThroughUnchanged) {
    for (const FileKind kind : {FileKind{"png", 8}, FileKind{"tif", 16}}) {
        SCOPED_TRACE(kind.extension);
        TempFolder folder;
        const std::string extension = kind.extension;
        const TestImage rgba = makeTestImage(36, 20, 4, kind.depth);
        TestImage rgb = makeTestImage(36, 20, 3, kind.depth);
        const std::size_t sampleBytes = rgba.spec.format.size();
        for (std::size_t pixel = 0; pixel < 36 * 20; ++pixel) {
            std::memcpy(&rgb.pixels[pixel * 3 * sampleBytes], &rgba.pixels[pixel * 4 * sampleBytes],
                        3 * sampleBytes);
        }
        writeImage(folder / ("rgba." + extension), rgba);
        writeImage(folder / ("rgb." + extension), rgb);
        ASSERT_EQ(runHushpix({(folder / ("rgba." + extension)).string(), "-o",
                              (folder / ("out-rgba." + extension)).string()})
                      .status,
                  0);
        ASSERT_EQ(runHushpix({(folder / ("rgb." + extension)).string(), "-o",
                              (folder / ("out-rgb." + extension)).string()})
                      .status,
                  0);

        const TestImage outRgba = readImage(folder / ("out-rgba." + extension));
        const TestImage outRgb = readImage(folder / ("out-rgb." + extension));
        ASSERT_EQ(outRgba.spec.nchannels, 4);
        EXPECT_EQ(outRgba.spec.alpha_channel, 3);
        for (std::size_t pixel = 0; pixel < 36 * 20; ++pixel) {
            ASSERT_EQ(std::memcmp(&outRgba.pixels[(pixel * 4 + 3) * sampleBytes],
                                  &rgba.pixels[(pixel * 4 + 3) * sampleBytes], sampleBytes),
                      0)
                << "alpha of pixel " << pixel;
            ASSERT_EQ(std::memcmp(&outRgba.pixels[pixel * 4 * sampleBytes],
                                  &outRgb.pixels[pixel * 3 * sampleBytes], 3 * sampleBytes),
                      0)
                << "colour of pixel " << pixel;
        }
    }
}

TEST(CliAlpha, IsNeverDroppedIntoAJpeg) {
    TempFolder folder;
    writeImage(folder / "rgba.png", makeTestImage(16, 16, 4, 8));
    writeBytes(folder / "out.jpg", "an older result");
    const RunResult run = runHushpix(
        {(folder / "rgba.png").string(), "-o", (folder / "out.jpg").string()}, Terminal::kYes);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("out.jpg"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("alpha"), std::string::npos) << run.err;
    EXPECT_EQ(run.terminal, "");  // refused before the filter ran
    EXPECT_EQ(fileBytes(folder / "out.jpg"), "an older result");
    EXPECT_EQ(folderContents(folder.path()).size(), 2u);
}

TEST(CliMask, UnselectedPixelsStayAndTheSizeMustMatch) {
    TempFolder folder;
    const TestImage input = makeTestImage(32, 24, 3, 16);
    writeImage(folder / "photo.tif", input);
    TestImage mask;
    mask.spec = OIIO::ImageSpec(32, 24, 1, OIIO::TypeDesc::UINT8);
    mask.pixels.assign(32 * 24, 0);
    writeImage(folder / "nothing.png", mask);
    mask.spec = OIIO::ImageSpec(24, 32, 1, OIIO::TypeDesc::UINT8);
    writeImage(folder / "turned.png", mask);

    RunResult run = runHushpix({(folder / "photo.tif").string(), "-o",
                                (folder / "out.tif").string(), "--mask",
                                (folder / "nothing.png").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readImage(folder / "out.tif").pixels, input.pixels);

    run = runHushpix({(folder / "photo.tif").string(), "-o", (folder / "out2.tif").string(),
                      "--mask", (folder / "turned.png").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("photo.tif"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("turned.png is 24 x 32"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(folder / "out2.tif"));
}

}  // namespace
}  // namespace hushpix::cli::test
