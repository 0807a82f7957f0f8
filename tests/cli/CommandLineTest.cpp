// The command line and every way a run can go wrong: bad options, bad or
// unsupported files, outputs that cannot be written, batches with a bad
// file. Whatever happens, no existing file changes unless it is an output
// written in full, and no temporary file stays behind.
#include <unistd.h>

#include <sstream>

#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "cli/Options.h"

namespace hushpix::cli::test {
namespace {

ParsedCommandLine parse(std::vector<std::string> args, std::string* err = nullptr) {
    std::vector<const char*> argv{"hushpix"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    std::ostringstream out;
    std::ostringstream errors;
    ParsedCommandLine parsed = parseCommandLine(int(argv.size()), argv.data(), out, errors);
    if (err != nullptr) *err = errors.str();
    return parsed;
}

TEST(CliOptions, DefaultsAreThePluginsOwn) {
    const ParsedCommandLine parsed = parse({"in.png", "-o", "out.png"});
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->noiseLevel, 2);
    EXPECT_EQ(parsed.options->contourLevel, 2);
    EXPECT_TRUE(parsed.options->perPixel);
    EXPECT_EQ(parsed.options->tileSize, 1024);
    EXPECT_FALSE(parsed.options->mask);
    EXPECT_FALSE(parsed.options->overwriteInput);
}

TEST(CliOptions, EveryOptionIsRead) {
    const ParsedCommandLine parsed =
        parse({"a.png", "b.tif", "-o", "out", "--noise", "Normal", "--contour", "strong",
               "--per-pixel", "off", "--mask", "m.png", "--tile-size", "32767",
               "--overwrite-input"});
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->inputs, (std::vector<fs::path>{"a.png", "b.tif"}));
    EXPECT_EQ(parsed.options->output, "out");
    EXPECT_EQ(parsed.options->noiseLevel, 1);
    EXPECT_EQ(parsed.options->contourLevel, 3);
    EXPECT_FALSE(parsed.options->perPixel);
    EXPECT_EQ(parsed.options->mask, fs::path("m.png"));
    EXPECT_EQ(parsed.options->tileSize, 32767);
    EXPECT_TRUE(parsed.options->overwriteInput);

    EXPECT_EQ(parse({"a.png", "-o", "o.png", "--noise", "low"}).options->noiseLevel, 0);
    EXPECT_EQ(parse({"a.png", "-o", "o.png", "--contour", "none"}).options->contourLevel, 0);
    EXPECT_EQ(parse({"a.png", "-o", "o.png", "--contour", "watery"}).options->contourLevel, 1);
    EXPECT_EQ(parse({"a.png", "-o", "o.png", "--tile-size", "1"}).options->tileSize, 1);
}

TEST(CliOptions, BadValuesAreRejectedWithAMessage) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"in.png", "-o", "o.png", "--noise", "loud"}, "--noise"},
        {{"in.png", "-o", "o.png", "--noise", "1"}, "--noise"},
        {{"in.png", "-o", "o.png", "--contour", "sharp"}, "--contour"},
        {{"in.png", "-o", "o.png", "--per-pixel", "yes"}, "--per-pixel"},
        {{"in.png", "-o", "o.png", "--tile-size", "0"}, "--tile-size"},
        {{"in.png", "-o", "o.png", "--tile-size", "32768"}, "--tile-size"},
        {{"in.png", "-o", "o.png", "--tile-size", "big"}, "--tile-size"},
        {{"in.png", "-o", "o.png", "--strength", "2"}, "--strength"},
        {{"in.png"}, "--output"},
        {{"-o", "o.png"}, "INPUT"},
    };
    for (const auto& [args, named] : cases) {
        std::string err;
        const ParsedCommandLine parsed = parse(args, &err);
        EXPECT_FALSE(parsed.options) << named;
        EXPECT_EQ(parsed.exitStatus, kExitUsage) << named;
        EXPECT_NE(err.find(named), std::string::npos) << err;
    }
}

TEST(CliOptions, HelpDocumentsEveryOption) {
    std::vector<const char*> argv{"hushpix", "--help"};
    std::ostringstream out;
    std::ostringstream err;
    const ParsedCommandLine parsed = parseCommandLine(2, argv.data(), out, err);
    EXPECT_FALSE(parsed.options);
    EXPECT_EQ(parsed.exitStatus, kExitSuccess);
    for (const char* option : {"INPUT", "--output", "--noise", "--contour", "--per-pixel",
                               "--mask", "--tile-size", "--overwrite-input", "Exit status"}) {
        EXPECT_NE(out.str().find(option), std::string::npos) << option;
    }
}

// Every bad input is reported with its name and cause, exits 1, and leaves
// the folder exactly as it was, an older output included.
TEST(CliBadInputs, AreReportedAndChangeNothing) {
    TempFolder folder;
    writeImage(folder / "good.png", makeTestImage(20, 20, 3, 8));
    writeImage(folder / "good.tif", makeTestImage(20, 20, 3, 16));
    writeImage(folder / "good.jpg", makeTestImage(64, 64, 3, 8));
    for (const char* extension : {"png", "tif", "jpg"}) {
        const std::string good = fileBytes(folder / (std::string("good.") + extension));
        writeBytes(folder / (std::string("truncated.") + extension),
                   good.substr(0, good.size() * 3 / 4));
    }
    writeBytes(folder / "corrupt.png", "\x89PNG\r\n\x1a\n this is not a picture at all");
    writeBytes(folder / "empty.tif", "");
    writeImage(folder / "grey.png", makeTestImage(20, 20, 1, 8));
    TestImage greyAlpha = makeTestImage(20, 20, 2, 8);
    greyAlpha.spec.alpha_channel = 1;
    writeImage(folder / "grey-alpha.png", greyAlpha);
    TestImage cmyk = makeTestImage(20, 20, 4, 8);
    cmyk.spec.alpha_channel = -1;
    cmyk.spec.channelnames = {"C", "M", "Y", "K"};
    cmyk.spec.attribute("tiff:ColorSpace", "CMYK");
    writeImage(folder / "cmyk.tif", cmyk);
    TestImage floats(makeTestImage(20, 20, 3, 8));
    floats.spec.set_format(OIIO::TypeDesc::FLOAT);
    floats.pixels.assign(20 * 20 * 3 * sizeof(float), 0);
    writeImage(folder / "float.tif", floats);
    TestImage five = makeTestImage(20, 4, 5, 8);
    writeImage(folder / "five.tif", five);
    fs::create_directory(folder / "a-folder.png");
    writeBytes(folder / "out.png", "an older result");

    const std::vector<std::pair<std::string, std::string>> cases{
        {"missing.png", "no such file"},
        {"truncated.png", "cannot read"},
        {"truncated.tif", "cannot read"},
        {"truncated.jpg", "cannot read"},
        {"corrupt.png", "cannot read"},
        {"empty.tif", "cannot read"},
        {"grey.png", "greyscale"},
        {"grey-alpha.png", "greyscale"},
        {"cmyk.tif", "CMYK"},
        {"float.tif", "8- and 16-bit"},
        {"five.tif", "5 channels"},
        {"a-folder.png", "folder"},
    };
    const auto before = folderContents(folder.path());
    for (const auto& [name, cause] : cases) {
        const RunResult run =
            runHushpix({(folder / name).string(), "-o", (folder / "out.png").string()});
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_NE(run.err.find("hushpix: " + (folder / name).string() + ": "), std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find(cause), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_EQ(folderContents(folder.path()), before);
}

// Reported before the filter runs (its progress bar never shows): a
// photographer does not wait for the whole pass only to be told that.
TEST(CliOutputs, ThatCannotBeWrittenAreReportedAndLeaveNoTrace) {
    TempFolder folder;
    writeImage(folder / "photo.png", makeTestImage(20, 20, 3, 8));
    writeBytes(folder / "plain-file", "not a folder");
    const auto before = folderContents(folder.path());

    for (const fs::path& output : {folder / "missing-folder" / "out.png",
                                   folder / "plain-file" / "out.png", folder / "out.unknown"}) {
        const RunResult run = runHushpix({(folder / "photo.png").string(), "-o", output.string()},
                                         Terminal::kYes);
        EXPECT_EQ(run.status, 1) << output;
        EXPECT_NE(run.err.find("hushpix: " + output.string() + ": "), std::string::npos)
            << run.err;
        EXPECT_EQ(run.terminal, "") << output;
    }
    EXPECT_EQ(folderContents(folder.path()), before);
}

TEST(CliOutputs, AFolderThatCannotBeWrittenIsReported) {
    TempFolder folder;
    writeImage(folder / "photo.png", makeTestImage(20, 20, 3, 8));
    fs::create_directory(folder / "locked");
    writeBytes(folder / "locked" / "photo.png", "an older result");
    fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    // Permissions do not stop root, who runs CI; the kernel's sysfs folders
    // refuse new files even to root.
    std::vector<fs::path> folders;
    if (fs::is_directory("/sys/kernel")) folders.push_back("/sys/kernel");
    if (access((folder / "locked").c_str(), W_OK) != 0) folders.push_back(folder / "locked");
    for (const fs::path& locked : folders) {
        const RunResult run =
            runHushpix({(folder / "photo.png").string(), "-o", locked.string()});
        EXPECT_EQ(run.status, 1) << locked;
        EXPECT_NE(run.err.find((locked / "photo.png").string() + ": cannot create"),
                  std::string::npos)
            << run.err;
    }
    EXPECT_FALSE(fs::exists("/sys/kernel/photo.png"));
    EXPECT_EQ(fileBytes(folder / "locked" / "photo.png"), "an older result");
}

TEST(CliOutputs, ReplaceAnOlderResultKeepingItsPermissions) {
    TempFolder folder;
    writeImage(folder / "photo.png", makeTestImage(20, 20, 3, 8));
    writeBytes(folder / "private.png", "an older result");
    fs::permissions(folder / "private.png", fs::perms::owner_read | fs::perms::owner_write);
    for (const char* name : {"private.png", "new.png"}) {
        const RunResult run =
            runHushpix({(folder / "photo.png").string(), "-o", (folder / name).string()});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(readImage(folder / name).spec.width, 20);
    }
    EXPECT_EQ(folderContents(folder.path()).size(), 3u);
    EXPECT_EQ(fs::status(folder / "private.png").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(folder / "new.png").permissions(),
              fs::status(folder / "photo.png").permissions());
}

TEST(CliBatch, ABadFileIsReportedAndTheOthersAreWritten) {
    TempFolder folder;
    fs::create_directory(folder / "in");
    fs::create_directory(folder / "out");
    writeImage(folder / "in" / "first.png", makeTestImage(20, 20, 3, 8));
    writeBytes(folder / "in" / "broken.png", "not a picture");
    writeImage(folder / "in" / "last.tif", makeTestImage(20, 20, 3, 16));

    const RunResult run = runHushpix({(folder / "in" / "first.png").string(),
                                      (folder / "in" / "broken.png").string(),
                                      (folder / "in" / "last.tif").string(), "-o",
                                      (folder / "out").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("broken.png"), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    const auto written = folderContents(folder / "out");
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(readImage(folder / "out" / "first.png").spec.width, 20);
    EXPECT_EQ(readImage(folder / "out" / "last.tif").spec.format, OIIO::TypeDesc::UINT16);
}

TEST(CliBatch, NeedsAnExistingFolderAndDistinctNames) {
    TempFolder folder;
    fs::create_directory(folder / "a");
    fs::create_directory(folder / "b");
    writeImage(folder / "a" / "photo.png", makeTestImage(8, 8, 3, 8));
    writeImage(folder / "b" / "photo.png", makeTestImage(8, 8, 3, 8));
    const std::string first = (folder / "a" / "photo.png").string();
    const std::string second = (folder / "b" / "photo.png").string();

    RunResult run = runHushpix({first, second, "-o", (folder / "out.png").string()});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("existing folder"), std::string::npos) << run.err;

    run = runHushpix({first, second, "-o", folder.path().string()});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("same file name"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(folder / "photo.png"));
}

TEST(CliInputs, AreNeverOverwrittenUnlessAsked) {
    TempFolder folder;
    writeImage(folder / "photo.png", makeTestImage(24, 24, 3, 8));
    const std::string original = fileBytes(folder / "photo.png");
    const std::string photo = (folder / "photo.png").string();

    for (const std::string& output : {photo, folder.path().string(),
                                      (folder / "." / "photo.png").string()}) {
        const RunResult run = runHushpix({photo, "-o", output});
        EXPECT_EQ(run.status, 1) << output;
        EXPECT_NE(run.err.find("--overwrite-input"), std::string::npos) << run.err;
    }
    fs::create_hard_link(folder / "photo.png", folder / "link.png");
    EXPECT_EQ(runHushpix({photo, "-o", (folder / "link.png").string()}).status, 1);
    writeImage(folder / "mask.png", makeTestImage(24, 24, 1, 8));
    const std::string mask = fileBytes(folder / "mask.png");
    EXPECT_EQ(runHushpix({photo, "-o", (folder / "mask.png").string(), "--mask",
                          (folder / "mask.png").string()})
                  .status,
              1);
    EXPECT_EQ(fileBytes(folder / "photo.png"), original);
    EXPECT_EQ(fileBytes(folder / "mask.png"), mask);

    const RunResult run = runHushpix({photo, "-o", photo, "--overwrite-input"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(fileBytes(folder / "photo.png"), original);
    EXPECT_EQ(folderContents(folder.path()).size(), 3u);
}

}  // namespace
}  // namespace hushpix::cli::test
