// How our host hands pixels to the plug-in, in place or beyond the image's
// edges, and merges the result back by the selection.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "embedded_host/ImageTransfer.h"
#include "hostapi/FilterRecord.h"

namespace embedded_host {
namespace {

// A 3 x 2 8-bit image whose pixel (x, y) is (10y + x, 100 + 10y + x, 200 + x).
RgbImage smallImage() {
    RgbImage image{3, 2, 8, {}};
    for (std::uint8_t y = 0; y < 2; ++y) {
        for (std::uint8_t x = 0; x < 3; ++x) {
            image.bytes.insert(image.bytes.end(), {std::uint8_t(10 * y + x),
                                                   std::uint8_t(100 + 10 * y + x),
                                                   std::uint8_t(200 + x)});
        }
    }
    return image;
}

// The red samples of a plane of `columns` pixels per row, `rowBytes` apart.
std::vector<int> reds(const std::vector<std::uint8_t>& plane, int rows, int columns,
                      int rowBytes) {
    std::vector<int> values;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            values.push_back(plane[row * rowBytes + 3 * column]);
        }
    }
    return values;
}

TEST(ImageTransfer, AreasBeyondTheEdgesArePaddedAsAsked) {
    const RgbImage image = smallImage();
    const Area around{-1, -1, 3, 4};  // one pixel beyond every edge: 5 x 4
    const int rowBytes = 5 * 3 + 2;   // with two spare bytes per row
    std::vector<std::uint8_t> plane;

    ASSERT_TRUE(copyOut(image, around, hostapi::plugInWantsEdgeReplication, rowBytes, plane));
    EXPECT_EQ(reds(plane, 4, 5, rowBytes), (std::vector<int>{0,  0,  1,  2,  2,  0,  0,
                                                             1,  2,  2,  10, 10, 11, 12,
                                                             12, 10, 10, 11, 12, 12}));

    ASSERT_TRUE(copyOut(image, around, 77, rowBytes, plane));
    EXPECT_EQ(reds(plane, 4, 5, rowBytes), (std::vector<int>{77, 77, 77, 77, 77, 77, 0,
                                                             1,  2,  77, 77, 10, 11, 12,
                                                             77, 77, 77, 77, 77, 77}));

    const std::int16_t refuse = hostapi::plugInWantsErrorOnBoundsException;
    EXPECT_FALSE(copyOut(image, around, refuse, rowBytes, plane));
    EXPECT_TRUE(copyOut(image, Area{0, 1, 2, 3}, refuse, 6, plane));
    EXPECT_EQ(plane,
              (std::vector<std::uint8_t>{1, 101, 201, 2, 102, 202, 11, 111, 201, 12, 112, 202}));
}

TEST(ImageTransfer, OnlyAreasInsideTheImageAreHandedOverInPlace) {
    RgbImage image = smallImage();
    EXPECT_EQ(pixelsInPlace(image, Area{1, 1, 2, 3}), image.bytes.data() + 3 * 3 + 3);
    EXPECT_EQ(pixelsInPlace(image, bounds(image)), image.bytes.data());
    EXPECT_EQ(pixelsInPlace(image, Area{0, 0, 3, 3}), nullptr) << "a row below the image";
    EXPECT_EQ(pixelsInPlace(image, Area{0, -1, 1, 2}), nullptr) << "a column left of it";
}

TEST(ImageTransfer, TheResultIsMergedByTheSelection) {
    RgbImage image = smallImage();
    RgbImage filtered = image;
    for (std::uint8_t& sample : filtered.bytes) sample = 250;
    const std::vector<std::uint8_t> mask{0, 255, 128, 1, 0, 255};

    RgbImage merged = image;
    mergeFiltered(filtered, Area{0, 0, 2, 3}, &mask, merged);
    EXPECT_EQ(merged.bytes[0], 0);    // unselected: as it was
    EXPECT_EQ(merged.bytes[3], 250);  // fully selected
    EXPECT_EQ(merged.bytes[6], (250 * 128 + 2 * 127 + 127) / 255);  // blended, rounded
    EXPECT_EQ(merged.bytes[9], (250 * 1 + 10 * 254 + 127) / 255);

    merged = image;
    mergeFiltered(filtered, Area{1, 1, 2, 3}, nullptr, merged);  // no mask: the area only
    for (std::size_t i = 0; i < merged.bytes.size(); ++i) {
        const bool inside = i >= 12 && i % 9 >= 3;  // row 1, columns 1 and 2
        EXPECT_EQ(merged.bytes[i], inside ? 250 : image.bytes[i]) << "sample " << i;
    }
}

}  // namespace
}  // namespace embedded_host
