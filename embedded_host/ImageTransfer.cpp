#include "embedded_host/ImageTransfer.h"

#include <algorithm>
#include <cstring>

#include "hostapi/FilterRecord.h"

namespace embedded_host {

std::int32_t pixelBytes(const RgbImage& image) { return image.depth == 16 ? 6 : 3; }

bool isEmpty(const Area& area) { return area.bottom <= area.top || area.right <= area.left; }

Area intersection(const Area& a, const Area& b) {
    const Area result{std::max(a.top, b.top), std::max(a.left, b.left),
                      std::min(a.bottom, b.bottom), std::min(a.right, b.right)};
    return isEmpty(result) ? Area{} : result;
}

Area bounds(const RgbImage& image) { return Area{0, 0, image.height, image.width}; }

namespace {

bool inside(const Area& area, std::int32_t row, std::int32_t column) {
    return row >= area.top && row < area.bottom && column >= area.left && column < area.right;
}

bool leaves(const Area& area, const Area& limits) {
    return area.top < limits.top || area.left < limits.left || area.bottom > limits.bottom ||
           area.right > limits.right;
}

// Copies `area` of a plane of `width` x `height` pixels of `bytes` each.
bool copyPixelsOut(const std::uint8_t* source, std::int32_t width, std::int32_t height,
                   std::int32_t bytes, const Area& area, std::int16_t padding,
                   std::int32_t rowBytes, std::vector<std::uint8_t>& plane) {
    const Area limits{0, 0, height, width};
    if (padding == hostapi::plugInWantsErrorOnBoundsException && leaves(area, limits)) return false;
    plane.assign(std::size_t(rowBytes) * std::size_t(area.bottom - area.top),
                 padding >= 0 ? std::uint8_t(padding) : 0);
    for (std::int32_t row = area.top; row < area.bottom; ++row) {
        std::uint8_t* to = plane.data() + std::size_t(row - area.top) * rowBytes;
        for (std::int32_t column = area.left; column < area.right; ++column, to += bytes) {
            std::int32_t y = row, x = column;
            if (!inside(limits, y, x)) {
                if (padding != hostapi::plugInWantsEdgeReplication) continue;
                y = std::clamp(y, 0, height - 1);
                x = std::clamp(x, 0, width - 1);
            }
            std::memcpy(to, source + (std::size_t(y) * width + x) * bytes, std::size_t(bytes));
        }
    }
    return true;
}

std::uint32_t sample(const std::uint8_t* at, bool wide) {
    if (!wide) return *at;
    std::uint16_t value;
    std::memcpy(&value, at, 2);
    return value;
}

void setSample(std::uint8_t* at, bool wide, std::uint32_t value) {
    if (!wide) {
        *at = std::uint8_t(value);
        return;
    }
    const std::uint16_t narrow = std::uint16_t(value);
    std::memcpy(at, &narrow, 2);
}

}  // namespace

bool copyOut(const RgbImage& image, const Area& area, std::int16_t padding, std::int32_t rowBytes,
             std::vector<std::uint8_t>& plane) {
    return copyPixelsOut(image.bytes.data(), image.width, image.height, pixelBytes(image), area,
                         padding, rowBytes, plane);
}

bool copyMaskOut(const std::vector<std::uint8_t>& mask, const RgbImage& image, const Area& area,
                 std::int16_t padding, std::int32_t rowBytes, std::vector<std::uint8_t>& plane) {
    return copyPixelsOut(mask.data(), image.width, image.height, 1, area, padding, rowBytes, plane);
}

void copyIn(const std::vector<std::uint8_t>& plane, const Area& area, std::int32_t rowBytes,
            RgbImage& image) {
    const Area part = intersection(area, bounds(image));
    if (isEmpty(part)) return;
    const std::int32_t bytes = pixelBytes(image);
    const std::size_t length = std::size_t(part.right - part.left) * bytes;
    for (std::int32_t row = part.top; row < part.bottom; ++row) {
        const std::uint8_t* from = plane.data() + std::size_t(row - area.top) * rowBytes +
                                   std::size_t(part.left - area.left) * bytes;
        std::uint8_t* to = image.bytes.data() + (std::size_t(row) * image.width + part.left) * bytes;
        std::memcpy(to, from, length);
    }
}

void mergeFiltered(const RgbImage& filtered, const Area& area,
                   const std::vector<std::uint8_t>* mask, RgbImage& image) {
    const Area part = intersection(area, bounds(image));
    const bool wide = image.depth == 16;
    const std::int32_t sampleBytes = wide ? 2 : 1;
    for (std::int32_t row = part.top; row < part.bottom; ++row) {
        for (std::int32_t column = part.left; column < part.right; ++column) {
            const std::size_t pixel = std::size_t(row) * image.width + column;
            const std::uint32_t weight = mask != nullptr ? (*mask)[pixel] : 255;
            if (weight == 0) continue;
            for (std::int32_t channel = 0; channel < 3; ++channel) {
                const std::size_t at = (pixel * 3 + channel) * sampleBytes;
                const std::uint64_t mixed =
                    std::uint64_t(sample(&filtered.bytes[at], wide)) * weight +
                    std::uint64_t(sample(&image.bytes[at], wide)) * (255 - weight);
                setSample(&image.bytes[at], wide, std::uint32_t((mixed + 127) / 255));
            }
        }
    }
}

}  // namespace embedded_host
