// Moving pixels between the image and the planes the host hands to the
// plug-in, and merging the plug-in's result into the image.
#pragma once

#include <cstdint>
#include <vector>

#include "embedded_host/EmbeddedHost.h"

namespace embedded_host {

std::int32_t pixelBytes(const RgbImage& image);

bool isEmpty(const Area& area);
Area intersection(const Area& a, const Area& b);
Area bounds(const RgbImage& image);

// Fills `plane` with `area` of the image, rows `rowBytes` apart, and the
// parts of `area` outside the image as `padding` asks (0..255 a fill byte,
// -1 the nearest edge pixel, -2 zeros). Returns false for padding -3 (an
// error on an out-of-bounds request) when `area` leaves the image.
bool copyOut(const RgbImage& image, const Area& area, std::int16_t padding, std::int32_t rowBytes,
             std::vector<std::uint8_t>& plane);

// The same for a one-byte-per-pixel mask of the image's size.
bool copyMaskOut(const std::vector<std::uint8_t>& mask, const RgbImage& image, const Area& area,
                 std::int16_t padding, std::int32_t rowBytes, std::vector<std::uint8_t>& plane);

// The first pixel of `area` in the image's own rows (pixelBytes * width
// bytes apart), for handing them to the plug-in as they are; null when
// `area` leaves the image.
std::uint8_t* pixelsInPlace(RgbImage& image, const Area& area);

// Writes the part of `plane` (covering `area`, rows `rowBytes` apart) that
// lies inside the image back into it.
void copyIn(const std::vector<std::uint8_t>& plane, const Area& area, std::int32_t rowBytes,
            RgbImage& image);

// Applies `filtered` to `image` inside `area`: each pixel by its mask value
// (0 keeps the image, 255 takes the filtered pixel, others blend, rounded to
// nearest); every pixel when there is no mask.
void mergeFiltered(const RgbImage& filtered, const Area& area,
                   const std::vector<std::uint8_t>* mask, RgbImage& image);

}  // namespace embedded_host
