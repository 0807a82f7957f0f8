// How our host reads a PiPL and decides whether it may run the plug-in.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "embedded_host/EnablingExpression.h"
#include "embedded_host/Pipl.h"

namespace {

using embedded_host::ModuleArchitecture;
using embedded_host::PiplError;
using Bytes = std::vector<std::uint8_t>;

struct TestProperty {
    std::string key;  // as written, first character first
    Bytes data;
    bool padLength = true;
};

void putLittleEndian(Bytes& out, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) out.push_back(std::uint8_t(value >> (8 * i)));
}

void putCode(Bytes& out, const std::string& code) {
    for (int i = 3; i >= 0; --i) out.push_back(std::uint8_t(code[std::size_t(i)]));
}

Bytes text(const std::string& characters, int zeros = 0) {
    Bytes bytes(characters.begin(), characters.end());
    bytes.insert(bytes.end(), std::size_t(zeros), 0);
    return bytes;
}

Bytes counted(const std::string& characters) {
    Bytes bytes{std::uint8_t(characters.size())};
    const Bytes rest = text(characters, 1);
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    return bytes;
}

Bytes code(const std::string& fourCC) {
    Bytes bytes;
    putCode(bytes, fourCC);
    return bytes;
}

Bytes buildPipl(const std::vector<TestProperty>& properties, std::uint32_t version = 0) {
    Bytes out;
    putLittleEndian(out, 1, 2);
    putLittleEndian(out, version, 4);
    putLittleEndian(out, std::uint32_t(properties.size()), 4);
    for (const TestProperty& property : properties) {
        const std::size_t padded = (property.data.size() + 3) / 4 * 4;
        putCode(out, "8BIM");
        putCode(out, property.key);
        putLittleEndian(out, 0, 4);
        putLittleEndian(out, std::uint32_t(property.padLength ? padded : property.data.size()), 4);
        out.insert(out.end(), property.data.begin(), property.data.end());
        out.insert(out.end(), padded - property.data.size(), 0);
    }
    return out;
}

const std::string ourExpression = "in (PSHOP_ImageMode, RGBMode, RGB48Mode )";

std::vector<TestProperty> filterProperties(const std::string& entryKey, std::optional<std::string> expression) {
    std::vector<TestProperty> properties = {
        {"kind", code("8BFM")},        {"name", counted("Hushpix...")}, {"catg", counted("Dravelin")},
        {entryKey, text("PluginMain", 2)}, {"mode", {0x10, 0, 0, 0}},
    };
    if (expression) properties.push_back({"enbl", text(*expression, 1)});
    return properties;
}

TEST(PiplReader, ReadsWhatAHostNeedsUnderTheKeyOfItsProcessor) {
    const auto x64 = embedded_host::readPipl(buildPipl(filterProperties("8664", ourExpression)),
                                             ModuleArchitecture::x64);
    EXPECT_EQ(x64.title, "Hushpix...");
    EXPECT_EQ(x64.category, "Dravelin");
    EXPECT_EQ(x64.entryPoint, "PluginMain");
    EXPECT_EQ(x64.enablingExpression, ourExpression);
    EXPECT_EQ(x64.modes, (Bytes{0x10, 0, 0, 0}));

    const auto x86 = embedded_host::readPipl(buildPipl(filterProperties("wx86", ourExpression)),
                                             ModuleArchitecture::x86);
    EXPECT_EQ(x86.entryPoint, "PluginMain");

    // A 64-bit host does not call a 32-bit entry point, nor the other way round.
    EXPECT_THROW(embedded_host::readPipl(buildPipl(filterProperties("wx86", ourExpression)), ModuleArchitecture::x64),
                 PiplError);
    EXPECT_THROW(embedded_host::readPipl(buildPipl(filterProperties("8664", ourExpression)), ModuleArchitecture::x86),
                 PiplError);
}

TEST(PiplReader, AcceptsLengthsWithAndWithoutPadding) {
    std::vector<TestProperty> properties = filterProperties("8664", ourExpression);
    for (TestProperty& property : properties) property.padLength = false;
    properties[3].data = text("PluginMain", 1);  // 11 bytes, stored length 11
    const auto pipl = embedded_host::readPipl(buildPipl(properties), ModuleArchitecture::x64);
    EXPECT_EQ(pipl.entryPoint, "PluginMain");
    EXPECT_EQ(pipl.enablingExpression, ourExpression);
}

TEST(PiplReader, RefusesWhatIsNotAFiltersPipl) {
    const auto read = [](const Bytes& bytes) { return embedded_host::readPipl(bytes, ModuleArchitecture::x64); };
    EXPECT_THROW(read(buildPipl(filterProperties("8664", ourExpression), 1)), PiplError);  // version

    std::vector<TestProperty> acquire = filterProperties("8664", ourExpression);
    acquire[0].data = code("8BAM");
    EXPECT_THROW(read(buildPipl(acquire)), PiplError);

    std::vector<TestProperty> untitled = filterProperties("8664", ourExpression);
    untitled.erase(untitled.begin() + 1);
    EXPECT_THROW(read(buildPipl(untitled)), PiplError);

    std::vector<TestProperty> unterminated = filterProperties("8664", ourExpression);
    unterminated[3].data = text("PluginMain");
    unterminated[3].data.push_back('!');
    unterminated[3].data.push_back('!');
    EXPECT_THROW(read(buildPipl(unterminated)), PiplError);

    Bytes truncated = buildPipl(filterProperties("8664", ourExpression));
    truncated.resize(truncated.size() - 5);
    EXPECT_THROW(read(truncated), PiplError);
    EXPECT_THROW(read(Bytes{1, 0, 0}), PiplError);
}

TEST(PiplReader, OurExpressionEnablesRgbAtEightAndSixteenBitsOnly) {
    const auto pipl = embedded_host::readPipl(buildPipl(filterProperties("8664", ourExpression)),
                                              ModuleArchitecture::x64);
    for (int mode = 0; mode <= 17; ++mode) {
        EXPECT_EQ(embedded_host::enablesImageMode(pipl, mode), mode == 3 || mode == 11) << mode;
    }
    EXPECT_NO_THROW(embedded_host::requireRgbSupport(pipl));
}

TEST(PiplReader, RefusesAPluginNotEnabledForBothRgbDepths) {
    const auto refused = [](std::optional<std::string> expression, Bytes modes = {0x10, 0, 0, 0}) {
        std::vector<TestProperty> properties = filterProperties("8664", expression);
        properties[4].data = modes;
        const auto pipl = embedded_host::readPipl(buildPipl(properties), ModuleArchitecture::x64);
        try {
            embedded_host::requireRgbSupport(pipl);
        } catch (const PiplError&) {
            return true;
        }
        return false;
    };
    EXPECT_TRUE(refused("in (PSHOP_ImageMode, RGBMode)"));
    EXPECT_TRUE(refused("PSHOP_ImageMode == RGB48Mode"));
    EXPECT_TRUE(refused("in (PSHOP_ImageMode, RGBMode, RGB48Mode"));  // unreadable
    EXPECT_TRUE(refused("in (PSHOP_ImageDepth, 8, 16)"));              // not understood
    // Without an expression the mode flags decide: RGB (mode 3) alone is 8 bits only.
    EXPECT_TRUE(refused(std::nullopt));
    EXPECT_FALSE(refused(std::nullopt, {0x10, 0x10, 0, 0}));  // RGB and RGB48 (mode 11)
    EXPECT_FALSE(refused("PSHOP_ImageMode == RGBMode || PSHOP_ImageMode == RGB48Mode"));
}

TEST(EnablingExpression, EvaluatesOperatorsAndGrouping) {
    using embedded_host::enablesImageMode;
    EXPECT_TRUE(enablesImageMode("true", 0));
    EXPECT_FALSE(enablesImageMode("!true", 0));
    EXPECT_TRUE(enablesImageMode("!(PSHOP_ImageMode == GrayScaleMode)", 3));
    EXPECT_FALSE(enablesImageMode("!(PSHOP_ImageMode == GrayScaleMode)", 1));
    EXPECT_TRUE(enablesImageMode("PSHOP_ImageMode != 1 && (false || in (PSHOP_ImageMode, 3, 11))", 11));
    EXPECT_FALSE(enablesImageMode("PSHOP_ImageMode != 11 && in (PSHOP_ImageMode, 3, 11)", 11));
    EXPECT_THROW(enablesImageMode("", 3), embedded_host::ExpressionError);
    EXPECT_THROW(enablesImageMode("RGBMode RGBMode", 3), embedded_host::ExpressionError);
    EXPECT_THROW(enablesImageMode("in PSHOP_ImageMode", 3), embedded_host::ExpressionError);
    EXPECT_THROW(enablesImageMode("PSHOP_ImageMode == 99999999999999999999", 3), embedded_host::ExpressionError);
}

}  // namespace
