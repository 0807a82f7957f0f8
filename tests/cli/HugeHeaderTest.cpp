// Files whose header claims more pixels than the filter takes or the
// machine holds, in a few bytes (as fuzzing found): refused by name before
// anything is allocated, and a batch goes on with the next file.
#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace hushpix::cli::test {
namespace {

TEST(CliHugeHeader, IsRefusedBeforeAnythingIsAllocated) {
    TempFolder folder;
    const fs::path wide = folder / "wide.ppm", vast = folder / "vast.ppm";
    writeBytes(wide, "P6\n2000001 1\n255\nabc");
    writeBytes(vast, "P6\n2000000 2000000\n65535\nabcdef");
    const fs::path good = folder / "good.png";
    writeImage(good, makeTestImage(40, 30, 3, 8));
    fs::create_directory(folder / "out");

    const RunResult result = runHushpix(
        {wide.string(), vast.string(), good.string(), "-o", (folder / "out").string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("wide.ppm: is 2000001 x 1 pixels; the filter takes at most"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("vast.ppm: is 2000000 x 2000000 pixels, more than this machine's"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(folderContents(folder / "out").size(), 1u) << "the good file is still written";
}

}  // namespace
}  // namespace hushpix::cli::test
