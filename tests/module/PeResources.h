// Reads resources straight out of a Windows module file, the way a host's
// loader finds them, so that tests can check what a built module carries on
// any machine, whatever its processor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace module_testing {

using Bytes = std::vector<std::uint8_t>;

struct PeModule {
    std::uint16_t machine = 0;  // 0x014C x86, 0x8664 x64
    Bytes image;                // the whole file
    std::uint32_t resourceRva = 0;
    std::uint32_t resourceSize = 0;
};

// Throws std::runtime_error when the file is not a PE module.
PeModule readPeModule(const std::string& path);

// The resource of a named type (compared without regard to case, as the
// system does), a numeric ID and a language; throws std::runtime_error when
// the module holds no such resource.
Bytes findResource(const PeModule& module, const std::string& type, std::uint16_t id, std::uint16_t language);

// The languages in which the module holds the resource of that type and ID.
std::vector<std::uint16_t> resourceLanguages(const PeModule& module, const std::string& type, std::uint16_t id);

}  // namespace module_testing
