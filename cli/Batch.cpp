#include "cli/Batch.h"

#include <map>
#include <new>
#include <optional>
#include <stdexcept>
#include <ostream>
#include <system_error>

#include "cli/AtomicFile.h"
#include "cli/Denoise.h"
#include "cli/FileError.h"
#include "cli/ImageFile.h"
#include "cli/Progress.h"

namespace hushpix::cli {
namespace {

namespace fs = std::filesystem;

void report(std::ostream& err, const fs::path& file, const std::string& cause) {
    err << "hushpix: " << file.string() << ": " << cause << '\n';
}

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return fs::equivalent(a, b, error);
}

// An existing output is replaced, but never one of the files being read,
// unless the user asked for exactly that.
void protectInputs(const Options& options, const Job& job) {
    if (options.overwriteInput) return;
    if (sameFile(job.output, job.input)) {
        throw FileError(job.output, "would replace its input; pass --overwrite-input to allow it");
    }
    if (options.mask && sameFile(job.output, *options.mask)) {
        throw FileError(job.output, "would replace the mask; pass --overwrite-input to allow it");
    }
}

void processJob(const Options& options, const Job& job, const Mask* mask,
                std::ostream* terminal) {
    protectInputs(options, job);
    Photo photo = readPhoto(job.input);
    if (mask != nullptr && (mask->width != photo.rgb.width || mask->height != photo.rgb.height)) {
        throw FileError(job.input, "is " + std::to_string(photo.rgb.width) + " x " +
                                       std::to_string(photo.rgb.height) + " pixels but the mask " +
                                       options.mask->string() + " is " +
                                       std::to_string(mask->width) + " x " +
                                       std::to_string(mask->height));
    }
    // An output that cannot be written stops the run before the filter's
    // work, not after it: a format without a writer here, and (the file is
    // made first) a folder that takes no new file.
    checkWritable(photo, job.output);
    writeAtomically(job.output, [&](const fs::path& temporary) {
        ProgressBar progress{terminal, job.input.filename().string()};
        denoisePhoto(photo, options, mask, progress, job.input);
        writePhoto(photo, temporary, job.output);
    });
}

}  // namespace

std::vector<Job> planJobs(const Options& options, std::ostream& err) {
    std::error_code error;
    const bool outputIsFolder = fs::is_directory(options.output, error);
    if (options.inputs.size() == 1) {
        const fs::path& input = options.inputs.front();
        return {{input, outputIsFolder ? options.output / input.filename() : options.output}};
    }
    if (!outputIsFolder) {
        report(err, options.output, "with several inputs, -o must name an existing folder");
        return {};
    }
    std::vector<Job> jobs;
    std::map<fs::path, fs::path> inputByName;
    for (const fs::path& input : options.inputs) {
        const auto [previous, isNew] = inputByName.emplace(input.filename(), input);
        if (!isNew) {
            report(err, input, "has the same file name as " + previous->second.string() +
                                   "; both would be written to " +
                                   (options.output / input.filename()).string());
            return {};
        }
        jobs.push_back({input, options.output / input.filename()});
    }
    return jobs;
}

int runJobs(const Options& options, const std::vector<Job>& jobs, std::ostream& err,
            std::ostream* terminal) {
    std::optional<Mask> mask;
    if (options.mask) {
        try {
            mask = readMask(*options.mask);
        } catch (const FileError& failure) {
            report(err, failure.file, failure.what());
            return kExitFileFailed;
        }
    }
    int status = kExitSuccess;
    for (const Job& job : jobs) {
        try {
            processJob(options, job, mask ? &*mask : nullptr, terminal);
        } catch (const FileError& failure) {
            report(err, failure.file, failure.what());
            status = kExitFileFailed;
        } catch (const std::bad_alloc&) {
            report(err, job.input, "not enough memory");
            status = kExitFileFailed;
        } catch (const std::exception& failure) {
            report(err, job.input, failure.what());
            status = kExitFileFailed;
        }
    }
    return status;
}

int runCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                   std::ostream* terminal) {
    const ParsedCommandLine parsed = parseCommandLine(argc, argv, out, err);
    if (!parsed.options) return parsed.exitStatus;
    const std::vector<Job> jobs = planJobs(*parsed.options, err);
    if (jobs.empty()) return kExitUsage;
    return runJobs(*parsed.options, jobs, err, terminal);
}

}  // namespace hushpix::cli
