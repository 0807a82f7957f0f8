#include "PluginResources.h"

#include <string_view>

namespace hushpix {
namespace {

constexpr std::string_view menuTitle = "Hushpix...";
constexpr std::string_view menuCategory = "Dravelin";
constexpr std::string_view entryPoint = "PluginMain";
constexpr std::string_view uniqueIdentifier = "d9543o0d-3a91-11v4-97ov-00u0r0204937";
// Offered for RGB documents of 8 and 16 bits per channel, greyed out otherwise.
constexpr std::string_view enablingExpression = "in (PSHOP_ImageMode, RGBMode, RGB48Mode )";

constexpr std::int32_t interfaceVersion = (4 << 16) | 0;  // 4.0
constexpr std::int32_t largestImageSide = 2000000;

// The event under which the host's actions record the settings; the PiPL's
// terminology property and the AETE name the same class and ID.
constexpr char eventClass[5] = "sdk1";
constexpr char eventID[5] = "sdk1";

// Filter-case handling: the host composites transparent pixels over white
// before handing them over and after taking them back.
constexpr std::uint8_t whiteMatte = 4;
constexpr std::uint8_t worksOnBlankData = 0x02;
constexpr std::uint8_t filtersLayerMasks = 0x04;
constexpr std::uint8_t writesOutsideSelection = 0x08;

Bytes fourCCData(const char (&code)[5]) {
    Bytes data;
    putFourCC(data, code);
    return data;
}

Bytes int32Data(std::int32_t value) {
    Bytes data;
    putInt32(data, value);
    return data;
}

// Counted strings in a PiPL keep a zero byte after their characters.
Bytes pascalStringData(std::string_view text) {
    Bytes data;
    putCountedString(data, text);
    putByte(data, 0);
    return data;
}

Bytes terminatedStringData(std::string_view text) {
    Bytes data;
    putTerminatedString(data, text);
    return data;
}

// Flag set read from the most significant bit of the first byte on, in the
// order of the host's mode numbers: bitmap, greyscale, indexed, RGB, ...
Bytes supportedModesData() { return {0x10, 0, 0, 0}; }

Bytes filterLayerSupportData() { return {0x80, 0, 0, 0}; }

Bytes terminologyData() {
    Bytes data;
    putInt32(data, 0);  // version
    putFourCC(data, eventClass);
    putFourCC(data, eventID);
    putInt16(data, resourceID);  // the AETE that holds the terminology
    putTerminatedString(data, uniqueIdentifier);
    return data;
}

Bytes largestImageData() {
    Bytes data;
    putInt32(data, largestImageSide);  // rows
    putInt32(data, largestImageSide);  // columns
    return data;
}

// One entry per filter case, from "flat image, no selection" to "protected
// transparency with selection". Cases with a selection let the filter write
// outside it, because the smoothing reaches across the selection's edge.
Bytes filterCaseData() {
    const std::uint8_t withoutSelection = worksOnBlankData | filtersLayerMasks;
    const std::uint8_t withSelection = withoutSelection | writesOutsideSelection;
    const std::uint8_t flags1PerCase[7] = {withoutSelection, withSelection,    withSelection,
                                           withoutSelection, withSelection,    withoutSelection,
                                           withSelection};
    Bytes data;
    for (const std::uint8_t flags1 : flags1PerCase) {
        putByte(data, whiteMatte);  // input handling
        putByte(data, whiteMatte);  // output handling
        putByte(data, flags1);
        putByte(data, 0);  // flags2
    }
    return data;
}

struct Property {
    char key[5];
    Bytes data;
    // The terminology property is stored with four zero bytes more than its
    // padding needs, as hosts have always been given it.
    int extraZeroBytes = 0;
};

// Each property: vendor, key, ID 0, the stored length, then the data padded
// to a multiple of four. The stored length counts the padding, which every
// host accepts; some advance by exactly the stored length.
void putProperty(Bytes& out, const Property& property) {
    Bytes data = property.data;
    padToMultipleOfFour(data);
    data.insert(data.end(), std::size_t(property.extraZeroBytes), 0);
    putFourCC(out, "8BIM");
    putFourCC(out, property.key);
    putInt32(out, 0);
    putInt32(out, std::int64_t(data.size()));
    putBytes(out, data);
}

}  // namespace

Bytes buildPipl(Architecture architecture) {
    // A 64-bit host looks for its own entry-point key, so each module names
    // its entry point under the key of its processor, and only that one.
    const Property entryPointProperty =
        architecture == Architecture::x64 ? Property{"8664", terminatedStringData(entryPoint)}
                                          : Property{"wx86", terminatedStringData(entryPoint)};
    const Property properties[] = {
        {"kind", fourCCData("8BFM")},  // a filter
        {"name", pascalStringData(menuTitle)},
        {"catg", pascalStringData(menuCategory)},
        {"vers", int32Data(interfaceVersion)},
        entryPointProperty,
        {"mode", supportedModesData()},
        {"enbl", terminatedStringData(enablingExpression)},
        {"hstm", terminologyData(), 4},
        {"ms32", largestImageData()},
        {"flly", filterLayerSupportData()},
        {"fici", filterCaseData()},
    };

    Bytes out;
    putInt16(out, 1);  // a word that Windows PiPLs carry before the list
    putInt32(out, 0);  // version
    putInt32(out, std::int64_t(std::size(properties)));
    for (const Property& property : properties) {
        putProperty(out, property);
    }
    return out;
}

Bytes buildAete() {
    Bytes out;
    putInt16(out, 1);  // a word that Windows AETEs carry before the header
    putByte(out, 1);   // major version
    putByte(out, 0);   // minor version
    putInt16(out, 0);  // language
    putInt16(out, 0);  // script
    putInt16(out, 1);  // suites

    putCountedString(out, menuCategory);
    putCountedString(out, "Korvex plug-ins");
    putFourCC(out, eventClass);  // suite ID
    putInt16(out, 1);            // level
    putInt16(out, 1);            // version
    putInt16(out, 1);            // events

    putCountedString(out, "Hushpix");
    putCountedString(out, "Hushpix filter plug-in");
    putFourCC(out, eventClass);
    putFourCC(out, eventID);
    putFourCC(out, "null");  // reply type
    putCountedString(out, "");
    putInt16(out, 0x0000);   // reply flags
    putFourCC(out, "#ImR");  // direct parameter: an image reference
    putCountedString(out, "");
    putInt16(out, 0xB000);  // direct-parameter flags
    putInt16(out, 2);       // parameters

    putCountedString(out, "Factor");
    putFourCC(out, "CGfc");
    putFourCC(out, "long");
    putCountedString(out, "Noise Reduction Factor");
    putInt16(out, 0x0000);

    putCountedString(out, "Per Pixel");
    putFourCC(out, "CGpp");
    putFourCC(out, "bool");
    putCountedString(out, "filter per pixel reduction");
    putInt16(out, 0x0000);

    putInt16(out, 0);  // classes
    putInt16(out, 0);  // comparison operators
    putInt16(out, 0);  // enumerations
    return out;
}

}  // namespace hushpix
