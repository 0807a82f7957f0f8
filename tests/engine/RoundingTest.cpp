// Rounding the restored levels to samples, and the luminance restoration.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "engine/Luminance.h"

using namespace hushpix;

namespace {

TEST(Rounding, HalfUpAndClampedAtEightBits) {
    EXPECT_EQ(roundClamp8(255.6f), 255);
    EXPECT_EQ(roundClamp8(1e9f), 255);
    EXPECT_EQ(roundClamp8(-0.7f), 0);
    EXPECT_EQ(roundClamp8(-1e9f), 0);
    EXPECT_EQ(roundClamp8(254.5f), 255);
    EXPECT_EQ(roundClamp8(254.49f), 254);
    EXPECT_EQ(roundClamp8(0.5f), 1);
    EXPECT_EQ(roundClamp8(-0.5f), 0);
    EXPECT_EQ(roundClamp8(-0.49f), 0);
    EXPECT_EQ(roundClamp8(127.0f), 127);
}

TEST(Rounding, TheSumIsRoundedToSinglePrecisionBeforeTruncation) {
    // 0.49999997 + 0.5 rounds up to 1 in single precision; the float below
    // it does not.
    const float justBelowHalf = std::nextafter(0.5f, 0.0f);
    EXPECT_EQ(justBelowHalf, 0.49999997f);
    EXPECT_EQ(roundClamp8(justBelowHalf), 1);
    EXPECT_EQ(roundClamp8(std::nextafter(justBelowHalf, 0.0f)), 0);
    EXPECT_EQ(roundClamp16(justBelowHalf), 1);
}

TEST(Rounding, HalfUpAndClampedAtSixteenBits) {
    EXPECT_EQ(roundClamp16(65535.4f), 65535);
    EXPECT_EQ(roundClamp16(65534.5f), 65535);
    EXPECT_EQ(roundClamp16(65534.49f), 65534);
    EXPECT_EQ(roundClamp16(70000.0f), 65535);
    EXPECT_EQ(roundClamp16(-3.0f), 0);
    EXPECT_EQ(roundClamp16(1.5f), 2);
    EXPECT_EQ(roundClamp16(300.25f), 300);
}

TEST(LuminanceRestoration, GreyKeepsItsLevel) {
    std::uint8_t out8[3];
    restoreLuminance8(100.0f, 100.0f, 100.0f, 100, out8);
    EXPECT_EQ(out8[0], 100);
    EXPECT_EQ(out8[1], 100);
    EXPECT_EQ(out8[2], 100);
    std::uint16_t out16[3];
    restoreLuminance16(51234.0f, 51234.0f, 51234.0f, 51234, out16);
    EXPECT_EQ(out16[0], 51234);
    EXPECT_EQ(out16[2], 51234);
}

TEST(LuminanceRestoration, ShiftsAllChannelsByTheSameAmount) {
    // Brightness of (100, 50, 200) is 81.5; restoring to 90 adds 8.5.
    std::uint8_t out[3];
    restoreLuminance8(100.0f, 50.0f, 200.0f, 90, out);
    EXPECT_EQ(out[0], 109);
    EXPECT_EQ(out[1], 59);
    EXPECT_EQ(out[2], 209);
    // Shifts past the ends clamp per channel.
    restoreLuminance8(250.0f, 10.0f, 10.0f, 200, out);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[1], 128);
    restoreLuminance8(250.0f, 10.0f, 10.0f, 0, out);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[0], 168);
}

TEST(LuminanceRestoration, UsesTheSinglePrecisionHundredth) {
    // Found by search: with 0.01 in double the green level rounds to 140;
    // the single-precision constant the filter uses gives 141.
    std::uint8_t out[3];
    restoreLuminance8(0x1.8731cp+5f, 0x1.02da8cp+7f, 0x1.640444p+5f, 107, out);
    EXPECT_EQ(out[1], 141);
}

}  // namespace
