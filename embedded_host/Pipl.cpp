#include "embedded_host/Pipl.h"

#include <algorithm>

#include "embedded_host/EnablingExpression.h"
#include "hostapi/FilterRecord.h"

namespace embedded_host {
namespace {

struct Cursor {
    const std::vector<std::uint8_t>& bytes;
    std::size_t position = 0;

    std::uint32_t read(std::size_t size) {
        if (bytes.size() - position < size) {
            throw PiplError("PiPL ends inside a field at byte " + std::to_string(position));
        }
        std::uint32_t value = 0;
        for (std::size_t i = size; i-- > 0;) {
            value = (value << 8) | bytes[position + i];
        }
        position += size;
        return value;
    }
};

std::string pascalString(const std::vector<std::uint8_t>& data) {
    if (data.empty() || data[0] + std::size_t(1) > data.size()) {
        throw PiplError("PiPL counted string longer than its property");
    }
    return std::string(data.begin() + 1, data.begin() + 1 + data[0]);
}

std::string terminatedString(const std::vector<std::uint8_t>& data) {
    std::string text;
    for (const std::uint8_t c : data) {
        if (c == 0) {
            return text;
        }
        text.push_back(char(c));
    }
    throw PiplError("PiPL string without its terminating zero");
}

}  // namespace

PiplInfo readPipl(const std::vector<std::uint8_t>& resource, ModuleArchitecture architecture) {
    const std::uint32_t entryKey =
        architecture == ModuleArchitecture::x64 ? hostapi::fourCC("8664") : hostapi::fourCC("wx86");
    Cursor cursor{resource};
    cursor.read(2);  // the Windows prelude word
    if (cursor.read(4) != 0) {
        throw PiplError("PiPL version is not 0");
    }
    const std::uint32_t count = cursor.read(4);
    PiplInfo pipl;
    bool isFilter = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        cursor.read(4);  // vendor
        const std::uint32_t key = cursor.read(4);
        cursor.read(4);  // property ID
        const std::uint32_t length = cursor.read(4);
        if (resource.size() - cursor.position < length) {
            throw PiplError("PiPL property runs past the end of the resource");
        }
        const std::vector<std::uint8_t> data(resource.begin() + std::ptrdiff_t(cursor.position),
                                             resource.begin() + std::ptrdiff_t(cursor.position + length));
        // Hosts disagree on whether the stored length includes the padding
        // to four bytes; skipping to the next multiple of four reads both.
        cursor.position += std::min<std::size_t>((length + 3) / 4 * 4, resource.size() - cursor.position);

        if (key == hostapi::fourCC("kind")) {
            isFilter = Cursor{data}.read(4) == hostapi::fourCC("8BFM");
        } else if (key == hostapi::fourCC("catg")) {
            pipl.category = pascalString(data);
        } else if (key == hostapi::fourCC("name")) {
            pipl.title = pascalString(data);
        } else if (key == entryKey) {
            pipl.entryPoint = terminatedString(data);
        } else if (key == hostapi::fourCC("enbl")) {
            pipl.enablingExpression = terminatedString(data);
        } else if (key == hostapi::fourCC("mode")) {
            pipl.modes = data;
        }
    }
    if (!isFilter) {
        throw PiplError("PiPL does not describe a filter");
    }
    if (pipl.category.empty() || pipl.title.empty()) {
        throw PiplError("PiPL names no menu category or title");
    }
    if (pipl.entryPoint.empty()) {
        throw PiplError(std::string("PiPL names no entry point for ") +
                        (architecture == ModuleArchitecture::x64 ? "64-bit" : "32-bit") + " Windows");
    }
    return pipl;
}

bool enablesImageMode(const PiplInfo& pipl, int imageMode) {
    if (pipl.enablingExpression) {
        try {
            return enablesImageMode(*pipl.enablingExpression, imageMode);
        } catch (const ExpressionError& error) {
            throw PiplError(error.what());
        }
    }
    const std::size_t byte = std::size_t(imageMode) / 8;
    return byte < pipl.modes.size() && (pipl.modes[byte] & (0x80 >> (imageMode % 8))) != 0;
}

void requireRgbSupport(const PiplInfo& pipl) {
    if (!enablesImageMode(pipl, hostapi::plugInModeRGBColor) || !enablesImageMode(pipl, hostapi::plugInModeRGB48)) {
        throw PiplError("the plug-in is not enabled for RGB images of 8 and 16 bits per channel");
    }
}

}  // namespace embedded_host
