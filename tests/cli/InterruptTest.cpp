// An interruption while an output is being written: the process dies of
// the signal, the earlier output stays as it was, and the half-written
// temporary file is gone.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

#include "CliTestSupport.h"
#include "cli/AtomicFile.h"

namespace hushpix::cli::test {
namespace {

void interruptedWhileWriting(const fs::path& output, int signal) {
    writeAtomically(output, [signal](const fs::path& temporary) {
        std::ofstream(temporary) << "half a photograph";
        std::raise(signal);
    });
}

TEST(CliInterruptDeathTest, LeavesTheEarlierOutputAndNoTemporaryFile) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        TempFolder folder;
        const fs::path output = folder / "result.png";
        writeBytes(output, "the earlier result");
        EXPECT_EXIT(interruptedWhileWriting(output, signal), testing::KilledBySignal(signal), "");
        const std::map<std::string, std::string> expected{{"result.png", "the earlier result"}};
        EXPECT_EQ(folderContents(folder.path()), expected);
    }
}

}  // namespace
}  // namespace hushpix::cli::test
