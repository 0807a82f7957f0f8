// What a host reads from a plug-in's PiPL (plug-in property list) before it
// runs any of the plug-in's code: what it is, where it goes in the menu, for
// which documents it is offered and the name of its entry point.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace embedded_host {

struct PiplError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

enum class ModuleArchitecture { x86, x64 };

struct PiplInfo {
    std::string category;
    std::string title;
    std::string entryPoint;  // under the key of the loading host's processor
    std::optional<std::string> enablingExpression;
    std::vector<std::uint8_t> modes;  // flag set, most significant bit of byte 0 = mode 0
};

// Reads a PiPL resource as stored in a Windows module. Throws PiplError if
// the bytes are not a filter's PiPL of version 0, if a property runs past
// the end, or if it names no category, title or entry point for `architecture`.
PiplInfo readPipl(const std::vector<std::uint8_t>& resource, ModuleArchitecture architecture);

// Whether the plug-in is offered for documents of that image mode: the
// enabling expression decides when there is one, the mode flags otherwise.
bool enablesImageMode(const PiplInfo& pipl, int imageMode);

// Throws PiplError unless the plug-in is offered for RGB documents of 8 and
// of 16 bits per channel, the only ones this host hands to a filter.
void requireRgbSupport(const PiplInfo& pipl);

}  // namespace embedded_host
