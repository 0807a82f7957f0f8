// Writes the module's binary resources and the resource script that puts
// them into the module:
//   hushpix-resources x86|x64 OUTPUT-DIRECTORY
// creates pipl.bin, aete.bin and resources.rc in OUTPUT-DIRECTORY.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "PluginResources.h"

namespace {

void writeFile(const std::filesystem::path& path, const hushpix::Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    file.close();
    if (!file) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

// Resource compilers read the file names of a script relative to their own
// working directory, so the script names the binaries by absolute path.
std::string resourceScript(const std::filesystem::path& piplPath, const std::filesystem::path& aetePath) {
    const int primaryLanguage = hushpix::resourceLanguage & 0x3FF;
    const int subLanguage = hushpix::resourceLanguage >> 10;
    return "LANGUAGE " + std::to_string(primaryLanguage) + ", " + std::to_string(subLanguage) + "\n" +
           std::to_string(hushpix::resourceID) + " PIPL \"" + piplPath.generic_string() + "\"\n" +
           std::to_string(hushpix::resourceID) + " AETE \"" + aetePath.generic_string() + "\"\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::string_view(argv[1]) != "x86" && std::string_view(argv[1]) != "x64")) {
        std::fprintf(stderr, "usage: hushpix-resources x86|x64 OUTPUT-DIRECTORY\n");
        return 2;
    }
    try {
        const auto architecture =
            std::string_view(argv[1]) == "x64" ? hushpix::Architecture::x64 : hushpix::Architecture::x86;
        const std::filesystem::path directory = std::filesystem::absolute(argv[2]);
        std::filesystem::create_directories(directory);
        writeFile(directory / "pipl.bin", hushpix::buildPipl(architecture));
        writeFile(directory / "aete.bin", hushpix::buildAete());
        const std::string script = resourceScript(directory / "pipl.bin", directory / "aete.bin");
        writeFile(directory / "resources.rc", hushpix::Bytes(script.begin(), script.end()));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "hushpix-resources: %s\n", error.what());
        return 1;
    }
    return 0;
}
