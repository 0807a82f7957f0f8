// The SSE2 path has no fused multiply-add instruction and builds an exactly
// rounded one from doubles. Image data almost never reaches the sums where
// rounding twice (to double, then to float) goes wrong, so they are aimed
// at here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "engine/ExactArithmetic.h"
#include "engine/fast/EnginePath.h"
#include "engine/fast/PathKernels.h"

#if defined(HUSHPIX_X86)

namespace {

std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

void expectExact(const float (&a)[4], const float (&b)[4], const float (&c)[4]) {
    float out[4];
    hushpix::fast::fusedMultiplyAddSse2(a, b, c, out);
    for (int i = 0; i < 4; ++i) {
        const float expected = hushpix::fusedMultiplyAdd(a[i], b[i], c[i]);
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(out[i]));
        } else {
            EXPECT_EQ(bitsOf(expected), bitsOf(out[i])) << a[i] << " * " << b[i] << " + " << c[i];
        }
    }
}

TEST(SoftwareFusedMultiplyAdd, ProductsJustOffAHalfwayPoint) {
    if (!hushpix::fast::cpuCanRun(hushpix::fast::EnginePath::kSse2)) GTEST_SKIP();
    // (1 + 2^-12)^2 lies exactly halfway between two floats; a tiny addend
    // decides the rounding, and is lost if the sum is rounded to double first.
    const float near = 1.0f + std::ldexp(1.0f, -12);
    const float tiny = std::ldexp(1.0f, -80);
    EXPECT_NE(float(double(near) * near + tiny), hushpix::fusedMultiplyAdd(near, near, tiny));
    expectExact({near, near, -near, near}, {near, near, near, -near}, {tiny, -tiny, tiny, -tiny});
    expectExact({near, 3.0f * near, near, 0.0f}, {-near, near, near, 5.0f},
                {-tiny, tiny, 0.0f, -0.0f});
}

TEST(SoftwareFusedMultiplyAdd, RandomOperandsAndSpecialValues) {
    if (!hushpix::fast::cpuCanRun(hushpix::fast::EnginePath::kSse2)) GTEST_SKIP();
    std::mt19937 random(7);
    std::uniform_int_distribution<int> exponent(-140, 120);
    auto anyFloat = [&] {
        const float significand = 1.0f + float(random() % (1u << 23)) / float(1u << 23);
        return (random() % 2 ? -1.0f : 1.0f) * std::ldexp(significand, exponent(random));
    };
    for (int i = 0; i < 20000; ++i) {
        float a[4], b[4], c[4];
        for (int lane = 0; lane < 4; ++lane) {
            a[lane] = anyFloat();
            b[lane] = anyFloat();
            // Often an addend near the product, so that they cancel.
            c[lane] = random() % 2
                          ? -float(double(a[lane]) * b[lane]) * (1.0f + float(random() % 9) * 1e-7f)
                          : anyFloat();
        }
        expectExact(a, b, c);
    }
    const float infinity = INFINITY;
    expectExact({infinity, 1.0f, NAN, 3.4e38f}, {1.0f, -infinity, 2.0f, 3.4e38f},
                {-infinity, 1.0f, 1.0f, 1.0f});
}

}  // namespace

#endif
