// The vertical pass adds each pixel's taps in a shorter order than the
// plain path, and keeps that order's sum only where both orders must round
// to the same float: away from the points halfway between two floats.
// Image data brings a sum that near such a point in about one block of
// pixels in a thousand, and a test that let one through would almost never
// change a result, so the test of nearness is aimed at here, on every path
// this CPU can run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "engine/fast/EnginePath.h"
#include "engine/fast/FastReduceNoise.h"

#if defined(HUSHPIX_X86)
#include <xmmintrin.h>
#endif

using hushpix::fast::EnginePath;

namespace {

// The double `units` units in the last place away from `value`.
double stepped(double value, std::int64_t units) {
    std::int64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    bits += units;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Whether the path refuses a block whose sums are all whole numbers, which
// are floats, but one.
bool refused(EnginePath path, double sum, int lane) {
    double sums[16];
    for (int i = 0; i < 16; ++i) sums[i] = double(100 + i);
    sums[lane] = sum;
    return hushpix::fast::anyNearFloatMidpoint(path, sums);
}

void expectHalfwayPointsRefused(std::uint32_t seed) {
    std::mt19937 random(seed);
    for (int i = 0; i < 500; ++i) {
        // A float of the range that sums take, and the point halfway to the
        // next float up, which is a double.
        const float below = std::ldexp(1.0f + float(random() % (1u << 23)) / float(1u << 23),
                                       int(random() % 48) - 24);
        const double halfway = (double(below) + double(std::nextafter(below, 2 * below))) / 2;
        const int lane = int(random() % 16);
        for (EnginePath path : hushpix::fast::kFastPaths) {
            if (!hushpix::fast::cpuCanRun(path)) continue;
            const char* name = hushpix::fast::enginePathName(path);
            // The two orders' sums are less than 64 units apart.
            for (std::int64_t units : {-64, -63, -1, 0, 1, 63, 64}) {
                EXPECT_TRUE(refused(path, stepped(halfway, units), lane))
                    << name << ": " << units << " units from halfway above " << below;
            }
            for (std::int64_t units : {-(1 << 15), 1 << 15}) {
                EXPECT_FALSE(refused(path, stepped(halfway, units), lane))
                    << name << ": " << units << " units from halfway above " << below;
            }
            EXPECT_FALSE(refused(path, double(below), lane)) << name << ": " << below;
        }
    }
}

TEST(ReorderedColumnSums, SumsNearAHalfwayPointAreRefused) { expectHalfwayPointsRefused(11); }

#if defined(HUSHPIX_X86)
// A host may run its thread with denormals flushed to zero, on input and on
// output; the vector paths compare bit patterns as floats.
TEST(ReorderedColumnSums, SumsNearAHalfwayPointAreRefusedWithDenormalsFlushed) {
    const unsigned int modes = _mm_getcsr();
    _mm_setcsr(modes | 0x8040);  // denormals are zero, flush to zero
    expectHalfwayPointsRefused(12);
    _mm_setcsr(modes);
}
#endif

}  // namespace
