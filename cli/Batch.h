// The whole run of the tool: which output each input goes to, and every
// input read, denoised and written in turn, with failures reported per file.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <vector>

#include "cli/Options.h"

namespace hushpix::cli {

struct Job {
    std::filesystem::path input;
    std::filesystem::path output;
};

// Decides the output of every input. A usage error (several inputs but no
// existing output folder, two inputs of the same file name) is reported on
// `err`, and the result is empty.
std::vector<Job> planJobs(const Options& options, std::ostream& err);

// Processes every job even when some fail; returns the exit status.
// `terminal`, when not null, receives a progress bar per file.
int runJobs(const Options& options, const std::vector<Job>& jobs, std::ostream& err,
            std::ostream* terminal);

// Everything main does: parse, plan, run. Returns the exit status.
int runCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                   std::ostream* terminal);

}  // namespace hushpix::cli
