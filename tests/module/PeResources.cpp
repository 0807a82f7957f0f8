#include "PeResources.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace module_testing {
namespace {

constexpr std::uint32_t subdirectoryFlag = 0x80000000u;

std::uint32_t readUint(const Bytes& bytes, std::size_t offset, int size) {
    if (offset > bytes.size() || bytes.size() - offset < std::size_t(size)) {
        throw std::runtime_error("module is truncated");
    }
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | bytes[offset + std::size_t(i)];
    }
    return value;
}

std::uint32_t u16(const Bytes& bytes, std::size_t offset) { return readUint(bytes, offset, 2); }
std::uint32_t u32(const Bytes& bytes, std::size_t offset) { return readUint(bytes, offset, 4); }

// Maps a relative virtual address to its place in the file through the
// section table.
std::size_t fileOffset(const Bytes& image, std::uint32_t rva) {
    const std::size_t header = u32(image, 0x3C);
    const std::uint32_t sectionCount = u16(image, header + 6);
    const std::size_t sections = header + 24 + u16(image, header + 20);
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const std::size_t section = sections + 40 * std::size_t(i);
        const std::uint32_t address = u32(image, section + 12);
        const std::uint32_t rawSize = u32(image, section + 16);
        if (rva >= address && rva - address < rawSize) {
            return u32(image, section + 20) + (rva - address);
        }
    }
    throw std::runtime_error("address outside every section");
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// A resource directory entry named by a counted UTF-16 string; only ASCII
// names are compared, which is all a module's type names need.
std::string entryName(const PeModule& module, std::size_t resourceStart, std::uint32_t nameField) {
    const std::size_t at = resourceStart + (nameField & ~subdirectoryFlag);
    const std::uint32_t length = u16(module.image, at);
    std::string name;
    for (std::uint32_t i = 0; i < length; ++i) {
        name.push_back(char(u16(module.image, at + 2 + 2 * std::size_t(i))));
    }
    return name;
}

struct Entry {
    std::uint32_t name;
    std::uint32_t target;
};

std::vector<Entry> directoryEntries(const PeModule& module, std::size_t resourceStart, std::uint32_t offset) {
    const std::size_t directory = resourceStart + offset;
    const std::uint32_t count = u16(module.image, directory + 12) + u16(module.image, directory + 14);
    std::vector<Entry> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = directory + 16 + 8 * std::size_t(i);
        entries.push_back({u32(module.image, entry), u32(module.image, entry + 4)});
    }
    return entries;
}

std::uint32_t subdirectory(const Entry& entry) {
    if ((entry.target & subdirectoryFlag) == 0) {
        throw std::runtime_error("resource tree ends early");
    }
    return entry.target & ~subdirectoryFlag;
}

// The language directory of the resource with that type name and ID.
std::vector<Entry> languageEntries(const PeModule& module, const std::string& type, std::uint16_t id) {
    if (module.resourceSize == 0) {
        throw std::runtime_error("module has no resources");
    }
    const std::size_t start = fileOffset(module.image, module.resourceRva);
    for (const Entry& typeEntry : directoryEntries(module, start, 0)) {
        if ((typeEntry.name & subdirectoryFlag) == 0 ||
            lowerCase(entryName(module, start, typeEntry.name)) != lowerCase(type)) {
            continue;
        }
        for (const Entry& idEntry : directoryEntries(module, start, subdirectory(typeEntry))) {
            if (idEntry.name == id) {
                return directoryEntries(module, start, subdirectory(idEntry));
            }
        }
    }
    throw std::runtime_error("no resource " + type + " " + std::to_string(id));
}

}  // namespace

PeModule readPeModule(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot open " + path);
    }
    PeModule module;
    module.image.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    const Bytes& image = module.image;
    if (u16(image, 0) != 0x5A4D || u32(image, u32(image, 0x3C)) != 0x00004550) {
        throw std::runtime_error(path + " is not a PE module");
    }
    const std::size_t header = u32(image, 0x3C);
    module.machine = std::uint16_t(u16(image, header + 4));
    const std::size_t optional = header + 24;
    const bool pe32Plus = u16(image, optional) == 0x20B;
    const std::size_t directories = optional + (pe32Plus ? 112 : 96);
    const std::uint32_t directoryCount = u32(image, optional + (pe32Plus ? 108 : 92));
    if (directoryCount > 2) {
        module.resourceRva = u32(image, directories + 2 * 8);
        module.resourceSize = u32(image, directories + 2 * 8 + 4);
    }
    return module;
}

Bytes findResource(const PeModule& module, const std::string& type, std::uint16_t id, std::uint16_t language) {
    for (const Entry& entry : languageEntries(module, type, id)) {
        if (entry.name != language) {
            continue;
        }
        if ((entry.target & subdirectoryFlag) != 0) {
            throw std::runtime_error("language entry is a directory");
        }
        const std::size_t dataEntry = fileOffset(module.image, module.resourceRva) + entry.target;
        const std::size_t at = fileOffset(module.image, u32(module.image, dataEntry));
        const std::uint32_t size = u32(module.image, dataEntry + 4);
        if (at > module.image.size() || module.image.size() - at < size) {
            throw std::runtime_error("resource data outside the file");
        }
        return Bytes(module.image.begin() + std::ptrdiff_t(at), module.image.begin() + std::ptrdiff_t(at + size));
    }
    throw std::runtime_error("no resource " + type + " " + std::to_string(id) + " in language " +
                             std::to_string(language));
}

std::vector<std::uint16_t> resourceLanguages(const PeModule& module, const std::string& type, std::uint16_t id) {
    std::vector<std::uint16_t> languages;
    for (const Entry& entry : languageEntries(module, type, id)) {
        languages.push_back(std::uint16_t(entry.name));
    }
    return languages;
}

}  // namespace module_testing
