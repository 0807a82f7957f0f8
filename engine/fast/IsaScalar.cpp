// The fast algorithm one pixel at a time: the portable fallback, and the
// check that the vector paths agree with the algorithm itself.
#include "engine/ExactArithmetic.h"
#include "engine/fast/SmoothingKernels.h"

namespace hushpix::fast {

namespace {

struct ScalarIsa {
    static constexpr std::int32_t kLanes = 1;
    static constexpr bool kWritesPixels = false;
    using F = float;
    using Wide = double;

    static F load(const float* p) { return *p; }
    static void store(float* p, F v) { *p = v; }
    static F splat(float v) { return v; }
    static bool negative(F a) { return a < 0; }
    static F select(bool m, F a, F b) { return m ? a : b; }
    static F fma(F a, F b, F c) { return fusedMultiplyAdd(a, b, c); }
    static F add(F a, F b) { return a + b; }
    static F sub(F a, F b) { return a - b; }
    static F minF(F a, F b) { return b < a ? b : a; }
    static F maxF(F a, F b) { return a < b ? b : a; }
    static void laneRange(const std::uint8_t* p, std::int32_t& lo, std::int32_t& hi) {
        lo = hi = *p;
    }
    static std::int32_t laneMax(const std::uint8_t* p) { return *p; }
    static F loadCounts(const std::uint8_t* p) { return float(*p); }
    static void truncate(F v, std::int32_t* out) { *out = std::int32_t(v); }

    static Wide widen(F v) { return double(v); }
    // Through memory: GCC 12's basic-block vectoriser at -O2 drops the
    // rounding of float(v) when the result is widened again at once, as
    // the luminance restoration does.
    static F narrow(Wide v) {
        volatile float rounded = float(v);
        return rounded;
    }
    static void storeW(double* p, Wide v) { *p = v; }
    static Wide loadW(const double* p) { return *p; }
    static Wide loadCountsW(const std::uint8_t* p) { return double(*p); }
    static bool negativeW(Wide a) { return a < 0; }
    static Wide selectW(bool m, Wide a, Wide b) { return m ? a : b; }
    static Wide splatW(double v) { return v; }
    static Wide addW(Wide a, Wide b) { return a + b; }
    static Wide subW(Wide a, Wide b) { return a - b; }
    static Wide mulW(Wide a, Wide b) { return a * b; }
    static Wide addProductW(Wide sum, Wide a, Wide b) { return sum + a * b; }
    static bool nearFloatMidpointW(Wide v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return nearFloatMidpoint(bits);
    }
};

constexpr PathKernels kScalar = kernelsFor<ScalarIsa>();

}  // namespace

const PathKernels& scalarKernels() { return kScalar; }

}  // namespace hushpix::fast
