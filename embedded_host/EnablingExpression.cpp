#include "embedded_host/EnablingExpression.h"

#include <cctype>
#include <map>
#include <vector>

namespace embedded_host {
namespace {

const std::map<std::string, int>& modeNames() {
    static const std::map<std::string, int> names = {
        {"BitmapMode", 0},   {"GrayScaleMode", 1},     {"IndexedMode", 2},    {"RGBMode", 3},
        {"CMYKMode", 4},     {"HSLMode", 5},           {"HSBMode", 6},        {"MultichannelMode", 7},
        {"DuotoneMode", 8},  {"LabMode", 9},           {"Gray16Mode", 10},    {"RGB48Mode", 11},
        {"Lab48Mode", 12},   {"CMYK64Mode", 13},       {"DeepMultichannelMode", 14},
        {"Duotone16Mode", 15}, {"RGB96Mode", 16},      {"Gray32Mode", 17},
    };
    return names;
}

// Recursive descent over the expression text; every value is an integer.
struct Parser {
    const std::string& text;
    int imageMode;
    std::size_t position = 0;

    void skipSpace() {
        while (position < text.size() && std::isspace(static_cast<unsigned char>(text[position]))) {
            ++position;
        }
    }
    bool accept(const std::string& token) {
        skipSpace();
        if (text.compare(position, token.size(), token) != 0) {
            return false;
        }
        position += token.size();
        return true;
    }
    void expect(const std::string& token) {
        if (!accept(token)) {
            fail("expected '" + token + "'");
        }
    }
    [[noreturn]] void fail(const std::string& what) const {
        throw ExpressionError("enabling expression \"" + text + "\": " + what + " at column " +
                              std::to_string(position + 1));
    }

    std::string word() {
        skipSpace();
        const std::size_t start = position;
        while (position < text.size() &&
               (std::isalnum(static_cast<unsigned char>(text[position])) || text[position] == '_')) {
            ++position;
        }
        return text.substr(start, position - start);
    }

    long value() {
        const std::string name = word();
        if (name.empty()) {
            fail("expected a value");
        }
        if (std::isdigit(static_cast<unsigned char>(name[0]))) {
            for (const char c : name) {
                if (!std::isdigit(static_cast<unsigned char>(c))) {
                    fail("bad number '" + name + "'");
                }
            }
            if (name.size() > 9) {
                fail("number too large '" + name + "'");
            }
            return std::stol(name);
        }
        if (name == "PSHOP_ImageMode") {
            return imageMode;
        }
        if (name == "true" || name == "false") {
            return name == "true";
        }
        const auto mode = modeNames().find(name);
        if (mode == modeNames().end()) {
            fail("unknown name '" + name + "'");
        }
        return mode->second;
    }

    long primary() {
        if (accept("(")) {
            const long result = disjunction();
            expect(")");
            return result;
        }
        const std::size_t start = position;
        if (word() == "in") {
            expect("(");
            const long subject = value();
            bool found = false;
            while (accept(",")) {
                found = value() == subject || found;
            }
            expect(")");
            return found;
        }
        position = start;
        const long left = value();
        if (accept("==")) {
            return left == value();
        }
        if (accept("!=")) {
            return left != value();
        }
        return left;
    }

    long negation() {
        if (accept("!")) {
            return !negation();
        }
        return primary();
    }

    long conjunction() {
        long result = negation();
        while (accept("&&")) {
            result = negation() != 0 && result != 0;
        }
        return result;
    }

    long disjunction() {
        long result = conjunction();
        while (accept("||")) {
            result = conjunction() != 0 || result != 0;
        }
        return result;
    }
};

}  // namespace

bool enablesImageMode(const std::string& expression, int imageMode) {
    Parser parser{expression, imageMode};
    const long result = parser.disjunction();
    parser.skipSpace();
    if (parser.position != expression.size()) {
        parser.fail("unexpected text");
    }
    return result != 0;
}

}  // namespace embedded_host
