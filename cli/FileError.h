// The one kind of failure the tool reports: something wrong with one named
// file. The message it prints is "hushpix: FILE: CAUSE".
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>

namespace hushpix::cli {

struct FileError : std::runtime_error {
    FileError(std::filesystem::path file, const std::string& cause)
        : std::runtime_error(cause), file(std::move(file)) {}

    std::filesystem::path file;
};

}  // namespace hushpix::cli
