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
    if (width <= 0 || height <= 0) return true;
    // A row at a time: the columns inside the plane in one copy, and where
    // the plug-in asked for edge replication, the edge pixels beyond them
    // (and, above and below, the edge rows). Other padding keeps its fill.
    const bool replicate = padding == hostapi::plugInWantsEdgeReplication;
    const std::int32_t insideLeft = std::clamp(area.left, 0, width);
    const std::int32_t insideRight = std::clamp(area.right, insideLeft, width);
    for (std::int32_t row = area.top; row < area.bottom; ++row) {
        if ((row < 0 || row >= height) && !replicate) continue;
        std::uint8_t* to = plane.data() + std::size_t(row - area.top) * rowBytes;
        const std::uint8_t* from =
            source + std::size_t(std::clamp(row, 0, height - 1)) * width * bytes;
        std::memcpy(to + std::size_t(insideLeft - area.left) * bytes,
                    from + std::size_t(insideLeft) * bytes,
                    std::size_t(insideRight - insideLeft) * bytes);
        if (!replicate) continue;
        for (std::int32_t column = area.left; column < insideLeft; ++column) {
            std::memcpy(to + std::size_t(column - area.left) * bytes, from, std::size_t(bytes));
        }
        for (std::int32_t column = insideRight; column < area.right; ++column) {
            std::memcpy(to + std::size_t(column - area.left) * bytes,
                        from + std::size_t(width - 1) * bytes, std::size_t(bytes));
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

std::uint8_t* pixelsInPlace(RgbImage& image, const Area& area) {
    if (leaves(area, bounds(image))) return nullptr;
    return image.bytes.data() + (std::size_t(area.top) * image.width + area.left) * pixelBytes(image);
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
    if (isEmpty(part)) return;
    const bool wide = image.depth == 16;
    const std::int32_t sampleBytes = wide ? 2 : 1;
    if (mask == nullptr) {  // every pixel fully selected: the filtered pixels as they are
        const std::size_t length = std::size_t(part.right - part.left) * 3 * sampleBytes;
        for (std::int32_t row = part.top; row < part.bottom; ++row) {
            const std::size_t at = (std::size_t(row) * image.width + part.left) * 3 * sampleBytes;
            std::memcpy(&image.bytes[at], &filtered.bytes[at], length);
        }
        return;
    }
    for (std::int32_t row = part.top; row < part.bottom; ++row) {
        for (std::int32_t column = part.left; column < part.right; ++column) {
            const std::size_t pixel = std::size_t(row) * image.width + column;
            const std::uint32_t weight = (*mask)[pixel];
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
