// The PiPL and AETE resources read back from a built module, byte for byte:
//   module_resource_tests MODULE [GoogleTest options]
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "PeResources.h"

namespace module_testing {
namespace {

std::string modulePath;

constexpr std::uint16_t resourceID = 16000;
constexpr std::uint16_t usEnglish = 1033;
constexpr std::uint16_t machineX86 = 0x014C;
constexpr std::uint16_t machineX64 = 0x8664;

struct Reader {
    const Bytes& bytes;
    std::size_t position = 0;

    std::uint32_t read(int size) {
        if (bytes.size() - position < std::size_t(size)) {
            throw std::runtime_error("resource ends at " + std::to_string(bytes.size()));
        }
        std::uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i) {
            value = (value << 8) | bytes[position + std::size_t(i)];
        }
        position += std::size_t(size);
        return value;
    }
    std::uint32_t byte() { return read(1); }
    std::uint32_t int16() { return read(2); }
    std::uint32_t int32() { return read(4); }
    // A four-character code is a little-endian 32-bit value whose most
    // significant byte is the first character.
    std::string fourCC() {
        const std::uint32_t value = int32();
        return {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    }
    std::string countedString() {
        const std::uint32_t length = byte();
        std::string text;
        for (std::uint32_t i = 0; i < length; ++i) {
            text.push_back(char(byte()));
        }
        return text;
    }
    Bytes take(std::size_t count) {
        if (bytes.size() - position < count) {
            throw std::runtime_error("resource ends at " + std::to_string(bytes.size()));
        }
        Bytes taken(bytes.begin() + std::ptrdiff_t(position), bytes.begin() + std::ptrdiff_t(position + count));
        position += count;
        return taken;
    }
    bool atEnd() const { return position == bytes.size(); }
};

struct Property {
    std::string vendor;
    std::string key;
    std::uint32_t id;
    Bytes data;  // the stored length of bytes, padding included
};

struct Pipl {
    std::uint32_t prelude;
    std::uint32_t version;
    std::vector<Property> properties;
};

Pipl parsePipl(const Bytes& bytes) {
    Reader reader{bytes};
    Pipl pipl{reader.int16(), reader.int32(), {}};
    const std::uint32_t count = reader.int32();
    for (std::uint32_t i = 0; i < count; ++i) {
        Property property{reader.fourCC(), reader.fourCC(), reader.int32(), {}};
        property.data = reader.take(reader.int32());
        pipl.properties.push_back(property);
    }
    if (!reader.atEnd()) {
        throw std::runtime_error("bytes after the last property");
    }
    return pipl;
}

Bytes text(const std::string& characters) { return Bytes(characters.begin(), characters.end()); }

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes zeros(std::size_t count) { return Bytes(count, 0); }

class ModuleResources : public ::testing::Test {
protected:
    void SetUp() override {
        module = readPeModule(modulePath);
        ASSERT_TRUE(module.machine == machineX86 || module.machine == machineX64) << module.machine;
    }
    std::string entryPointKey() const { return module.machine == machineX64 ? "8664" : "wx86"; }
    Bytes pipl() const { return findResource(module, "PIPL", resourceID, usEnglish); }
    Bytes aete() const { return findResource(module, "AETE", resourceID, usEnglish); }

    PeModule module;
};

TEST_F(ModuleResources, AreFoundByTypeAndIdInUsEnglishOnly) {
    EXPECT_EQ(resourceLanguages(module, "PIPL", resourceID), std::vector<std::uint16_t>{usEnglish});
    EXPECT_EQ(resourceLanguages(module, "AETE", resourceID), std::vector<std::uint16_t>{usEnglish});
    // Hosts look the types up without regard to case, as the system does.
    EXPECT_EQ(findResource(module, "PiPL", resourceID, usEnglish), pipl());
    EXPECT_EQ(findResource(module, "aete", resourceID, usEnglish), aete());
}

TEST_F(ModuleResources, PiplListsElevenPropertiesWithPaddedLengths) {
    const Pipl parsed = parsePipl(pipl());
    EXPECT_EQ(parsed.prelude, 1u);
    EXPECT_EQ(parsed.version, 0u);
    const std::vector<std::pair<std::string, std::size_t>> expected = {
        {"kind", 4},  {"name", 12}, {"catg", 12}, {"vers", 4}, {entryPointKey(), 12}, {"mode", 4},
        {"enbl", 44}, {"hstm", 56}, {"ms32", 8},  {"flly", 4}, {"fici", 28},
    };
    ASSERT_EQ(parsed.properties.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Property& property = parsed.properties[i];
        SCOPED_TRACE(property.key);
        EXPECT_EQ(property.vendor, "8BIM");
        EXPECT_EQ(property.key, expected[i].first);
        EXPECT_EQ(property.id, 0u);
        EXPECT_EQ(property.data.size(), expected[i].second);
    }
}

TEST_F(ModuleResources, PiplStoresFourCharacterCodesReversed) {
    const Bytes bytes = pipl();
    ASSERT_GE(bytes.size(), 30u);
    EXPECT_EQ(Bytes(bytes.begin() + 10, bytes.begin() + 18), text("MIB8dnik"));
    EXPECT_EQ(Bytes(bytes.begin() + 26, bytes.begin() + 30), text("MFB8"));
}

TEST_F(ModuleResources, PiplPropertyData) {
    const Pipl parsed = parsePipl(pipl());
    ASSERT_EQ(parsed.properties.size(), 11u);
    const auto data = [&](std::size_t index) { return parsed.properties[index].data; };

    EXPECT_EQ(data(0), text("MFB8"));
    // Counted strings: length byte, characters, one zero byte, zero padding.
    EXPECT_EQ(data(1), concat({{10}, text("Hushpix..."), zeros(1)}));
    EXPECT_EQ(data(2), concat({{8}, text("Dravelin"), zeros(3)}));
    EXPECT_EQ(data(3), (Bytes{0x00, 0x00, 0x04, 0x00}));
    EXPECT_EQ(data(4), concat({text("PluginMain"), zeros(2)}));
    EXPECT_EQ(data(5), (Bytes{0x10, 0, 0, 0}));
    EXPECT_EQ(data(6), concat({text("in (PSHOP_ImageMode, RGBMode, RGB48Mode )"), zeros(3)}));
    EXPECT_EQ(data(7), concat({zeros(4), text("1kds1kds"), {0x80, 0x3E},
                               text("d9543o0d-3a91-11v4-97ov-00u0r0204937"), zeros(6)}));
    EXPECT_EQ(data(8), (Bytes{0x80, 0x84, 0x1E, 0x00, 0x80, 0x84, 0x1E, 0x00}));
    EXPECT_EQ(data(9), (Bytes{0x80, 0, 0, 0}));
    const Bytes withoutSelection = {4, 4, 0x06, 0};
    const Bytes withSelection = {4, 4, 0x0E, 0};
    EXPECT_EQ(data(10), concat({withoutSelection, withSelection, withSelection, withoutSelection,
                                withSelection, withoutSelection, withSelection}));
}

TEST_F(ModuleResources, EntryPointIsNamedOnlyUnderTheModulesOwnKey) {
    const Pipl parsed = parsePipl(pipl());
    const std::string otherKey = module.machine == machineX64 ? "wx86" : "8664";
    int found = 0;
    for (const Property& property : parsed.properties) {
        EXPECT_NE(property.key, otherKey);
        found += property.key == entryPointKey();
    }
    EXPECT_EQ(found, 1);
}

TEST_F(ModuleResources, AeteFieldByField) {
    const Bytes bytes = aete();
    Reader aete{bytes};
    EXPECT_EQ(aete.int16(), 1u);  // prelude
    EXPECT_EQ(aete.byte(), 1u);   // major version
    EXPECT_EQ(aete.byte(), 0u);   // minor version
    EXPECT_EQ(aete.int16(), 0u);  // language
    EXPECT_EQ(aete.int16(), 0u);  // script
    EXPECT_EQ(aete.int16(), 1u);  // suites

    EXPECT_EQ(aete.countedString(), "Dravelin");
    EXPECT_EQ(aete.countedString(), "Korvex plug-ins");
    EXPECT_EQ(aete.fourCC(), "sdk1");
    EXPECT_EQ(aete.int16(), 1u);  // level
    EXPECT_EQ(aete.int16(), 1u);  // version
    EXPECT_EQ(aete.int16(), 1u);  // events

    EXPECT_EQ(aete.countedString(), "Hushpix");
    EXPECT_EQ(aete.countedString(), "Hushpix filter plug-in");
    EXPECT_EQ(aete.fourCC(), "sdk1");  // class
    EXPECT_EQ(aete.fourCC(), "sdk1");  // ID
    EXPECT_EQ(aete.fourCC(), "null");  // reply type
    EXPECT_EQ(aete.countedString(), "");
    EXPECT_EQ(aete.int16(), 0x0000u);
    EXPECT_EQ(aete.fourCC(), "#ImR");  // direct parameter
    EXPECT_EQ(aete.countedString(), "");
    EXPECT_EQ(aete.int16(), 0xB000u);
    EXPECT_EQ(aete.int16(), 2u);  // parameters

    EXPECT_EQ(aete.countedString(), "Factor");
    EXPECT_EQ(aete.fourCC(), "CGfc");
    EXPECT_EQ(aete.fourCC(), "long");
    EXPECT_EQ(aete.countedString(), "Noise Reduction Factor");
    EXPECT_EQ(aete.int16(), 0x0000u);

    EXPECT_EQ(aete.countedString(), "Per Pixel");
    EXPECT_EQ(aete.fourCC(), "CGpp");
    EXPECT_EQ(aete.fourCC(), "bool");
    EXPECT_EQ(aete.countedString(), "filter per pixel reduction");
    EXPECT_EQ(aete.int16(), 0x0000u);

    EXPECT_EQ(aete.int16(), 0u);  // classes
    EXPECT_EQ(aete.int16(), 0u);  // comparison operators
    EXPECT_EQ(aete.int16(), 0u);  // enumerations
    EXPECT_TRUE(aete.atEnd());
    // Nothing is padded: the fields add up to exactly this many bytes.
    EXPECT_EQ(bytes.size(), 193u);
}

}  // namespace
}  // namespace module_testing

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: module_resource_tests MODULE [GoogleTest options]\n");
        return 2;
    }
    module_testing::modulePath = argv[1];
    return RUN_ALL_TESTS();
}
