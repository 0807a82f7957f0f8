#include "cli/AtomicFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include "cli/FileError.h"

namespace hushpix::cli {
namespace {

namespace fs = std::filesystem;

std::string systemError(const std::string& what) { return what + ": " + std::strerror(errno); }

fs::path folderOf(const fs::path& file) {
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

// mkstemps gives 0600. A file that is replaced keeps its permissions (a
// private photograph stays private); a new one gets what any new file of the
// user gets.
mode_t outputMode(const fs::path& destination) {
    struct stat existing {};
    if (stat(destination.c_str(), &existing) == 0) return existing.st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Hidden, and named after the destination so that a leftover from a crash
// says where it came from.
fs::path createTemporary(const fs::path& destination) {
    const std::string extension = destination.extension().string();
    const fs::path pattern =
        folderOf(destination) /
        ("." + destination.stem().string() + ".hushpix-XXXXXX" + extension);
    std::string name = pattern.string();
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    const int fd = mkstemps(buffer.data(), static_cast<int>(extension.size()));
    if (fd < 0) throw FileError(destination, systemError("cannot create a file in its folder"));
    const bool modeSet = fchmod(fd, outputMode(destination)) == 0;
    close(fd);
    const fs::path temporary(buffer.data());
    if (!modeSet) {
        const std::string cause = systemError("cannot set the permissions of a new file");
        unlink(temporary.c_str());
        throw FileError(destination, cause);
    }
    return temporary;
}

void syncFile(const fs::path& destination, const fs::path& file) {
    const int fd = open(file.c_str(), O_RDONLY);
    if (fd < 0 || fsync(fd) != 0) {
        const std::string cause = systemError("cannot flush to disk");
        if (fd >= 0) close(fd);
        throw FileError(destination, cause);
    }
    close(fd);
}

// The temporary file being written, for the signal handler, which may use
// only async-signal-safe calls: hence a fixed buffer and a flag.
char pendingTemporary[4096];
volatile std::sig_atomic_t havePending = 0;

constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP};

// An interrupted run leaves no temporary file behind; the process then
// dies of the same signal, as the shell that sent it expects.
extern "C" void removePendingAndDie(int signal) {
    if (havePending) unlink(pendingTemporary);
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

// Once per process. A signal the process was started to ignore (SIGINT in
// a background job) stays ignored.
void catchInterruptions() {
    static const bool installed = [] {
        for (int signal : kInterruptions) {
            struct sigaction current {};
            if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
            struct sigaction action {};
            action.sa_handler = removePendingAndDie;
            sigemptyset(&action.sa_mask);
            sigaction(signal, &action, nullptr);
        }
        return true;
    }();
    (void)installed;
}

// Holds the interruptions back while the temporary file comes into being
// or goes, so that the handler never misses one that exists.
class InterruptionsHeld {
public:
    InterruptionsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : kInterruptions) sigaddset(&held, signal);
        pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~InterruptionsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    InterruptionsHeld(const InterruptionsHeld&) = delete;
    InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;

private:
    sigset_t previous_;
};

void setPending(const fs::path& temporary) {
    const std::string& name = temporary.native();
    if (name.size() >= sizeof(pendingTemporary)) return;
    std::memcpy(pendingTemporary, name.c_str(), name.size() + 1);
    havePending = 1;
}

}  // namespace

void writeAtomically(const fs::path& destination,
                     const std::function<void(const fs::path& temporary)>& write) {
    catchInterruptions();
    fs::path temporary;
    {
        const InterruptionsHeld held;
        temporary = createTemporary(destination);
        setPending(temporary);
    }
    try {
        write(temporary);
        syncFile(destination, temporary);
        const InterruptionsHeld held;
        if (rename(temporary.c_str(), destination.c_str()) != 0) {
            throw FileError(destination, systemError("cannot replace"));
        }
        havePending = 0;
    } catch (...) {
        const InterruptionsHeld held;
        unlink(temporary.c_str());
        havePending = 0;
        throw;
    }
    // The data is safe already; a folder that cannot be flushed only risks
    // the rename itself after a power cut, which is no reason to fail.
    const int folder = open(folderOf(destination).c_str(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
}

}  // namespace hushpix::cli
