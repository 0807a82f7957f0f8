// Arithmetic whose result must be the same on every compiler, library and
// CPU that runs the engine.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace hushpix {

// a * b + c with the exact product and one rounding to single precision:
// the value an exactly rounded fmaf gives. Not every C library's fmaf is
// exactly rounded (MinGW's is not) and not every CPU has an FMA unit, so it
// is computed in double: the product of two floats is exact in double, the
// sum is rounded to odd (TwoSum gives its error exactly), and a double
// rounded to odd has enough spare bits that the final rounding to float is
// the correct one.
inline float fusedMultiplyAdd(float a, float b, float c) {
    const double product = double(a) * double(b);
    const double addend = double(c);
    const double sum = product + addend;
    if (!std::isfinite(sum)) return float(sum);
    const double addendPart = sum - product;
    const double productPart = sum - addendPart;
    const double error = (product - productPart) + (addend - addendPart);
    std::uint64_t bits;
    std::memcpy(&bits, &sum, sizeof bits);
    if (error != 0.0 && (bits & 1u) == 0) {
        // The neighbour of an even double is odd; step towards the exact sum.
        bits += ((error > 0.0) == (sum > 0.0)) ? 1 : std::uint64_t(-1);
        double oddSum;
        std::memcpy(&oddSum, &bits, sizeof oddSum);
        return float(oddSum);
    }
    return float(sum);
}

}  // namespace hushpix
