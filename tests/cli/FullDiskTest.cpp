// A disk that fills up while an output is being written, simulated with the
// process's file-size limit (no mount, any user): the tool reports the file
// and keeps the earlier output, whatever the format's writer says.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include "CliTestSupport.h"

namespace hushpix::cli::test {
namespace {

// Writes past `bytes` fail with EFBIG, as with a full disk, instead of
// ending the process with SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = SIG_DFL;
};

TEST(CliFullDisk, AnOutputCutShortIsReportedAndReplacesNothing) {
    for (const char* name : {"out.png", "out.tif", "out.jpg"}) {
        SCOPED_TRACE(name);
        TempFolder folder;
        const fs::path input = folder / "in.png";
        writeImage(input, makeTestImage(300, 200, 3, 8));
        const fs::path output = folder / name;
        writeBytes(output, "the earlier result");
        RunResult result;
        {
            const FileSizeLimit limit(8192);
            result = runHushpix({input.string(), "-o", output.string()});
        }
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find(output.string()), std::string::npos) << result.err;
        EXPECT_EQ(fileBytes(output), "the earlier result");
        EXPECT_EQ(folderContents(folder.path()).size(), 2u) << "no temporary file is left";
    }
}

}  // namespace
}  // namespace hushpix::cli::test
