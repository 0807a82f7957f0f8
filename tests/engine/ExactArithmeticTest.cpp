// The single-precision fused multiply-add of the horizontal taps must be
// exactly rounded on every CPU and C library.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "engine/ExactArithmetic.h"

using hushpix::fusedMultiplyAdd;

namespace {

float floatFromBits(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Reference: the hardware instruction where the CPU has one.
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("fma"))) float hardwareFma(float a, float b, float c) {
    return __builtin_fmaf(a, b, c);
}
bool cpuHasFma() { return __builtin_cpu_supports("fma"); }
#else
float hardwareFma(float a, float b, float c) { return std::fma(a, b, c); }
bool cpuHasFma() { return true; }
#endif

// Operands where a separately rounded product and sum go wrong: near
// cancellation, sums that land on or next to a tie, and the operand ranges
// of the smoothing (samples up to 65535, weights below one).
struct OperandSource {
    std::mt19937 random{20261208};

    float anyFinite() {
        for (;;) {
            const float value = floatFromBits(std::uint32_t(random()));
            if (std::isfinite(value) && std::fabs(value) < 1e18f && std::fabs(value) > 1e-18f) return value;
        }
    }
    float nearby(float value) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return floatFromBits(bits + std::uint32_t(int(random() % 9) - 4));
    }
};

void expectSame(float a, float b, float c) {
    const float expected = hardwareFma(a, b, c);
    const float actual = fusedMultiplyAdd(a, b, c);
    ASSERT_EQ(std::memcmp(&expected, &actual, sizeof expected), 0)
        << std::hexfloat << a << " * " << b << " + " << c << ": " << actual << " instead of "
        << expected;
}

TEST(ExactFusedMultiplyAdd, AgreesWithTheHardwareInstruction) {
    if (!cpuHasFma()) GTEST_SKIP() << "this CPU has no FMA instruction to compare with";
    OperandSource source;
    std::uniform_int_distribution<int> sample(0, 65535);
    std::uniform_real_distribution<float> weight(0.0f, 0.2f);
    for (int i = 0; i < 300000; ++i) {
        const float a = source.anyFinite(), b = source.anyFinite();
        expectSame(a, b, source.anyFinite());
        // Cancellation: c close to -(a * b).
        expectSame(a, b, source.nearby(-float(double(a) * double(b))));
        // The smoothing's own operands, with running sums of any size.
        const float s = float(sample(source.random)), w = weight(source.random);
        expectSame(s, w, float(sample(source.random)) * weight(source.random));
        expectSame(s, source.nearby(w), source.nearby(float(s * w)));
    }
}

TEST(ExactFusedMultiplyAdd, HandlesTiesAndSignedZeros) {
    // 1 + 2^-24 is halfway between two floats. The product here is
    // 2^-24 + 2^-54, which a double sum loses, leaving an exact tie that
    // would round down to 1; the exact sum lies above the tie and rounds up.
    const float a = 0x1.004p-24f, b = 0x1.ff802p-1f;
    EXPECT_EQ(fusedMultiplyAdd(a, b, 1.0f), 1.0f + 0x1p-23f);
    EXPECT_EQ(fusedMultiplyAdd(-a, b, -1.0f), -1.0f - 0x1p-23f);
    EXPECT_EQ(fusedMultiplyAdd(0x1p-24f, 1.0f - 0x1p-24f, 1.0f), 1.0f);
    EXPECT_EQ(fusedMultiplyAdd(3.0f, 5.0f, -15.0f), 0.0f);
    EXPECT_FALSE(std::signbit(fusedMultiplyAdd(0.0f, 1.0f, 0.0f)));
    EXPECT_TRUE(std::isinf(fusedMultiplyAdd(3e38f, 10.0f, 0.0f)));
}

}  // namespace
