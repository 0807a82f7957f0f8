// Four pixels at a time in SSE2, which every x86-64 CPU and our 32-bit
// build have. SSE2 has no fused multiply-add, so the exactly rounded one is
// built from doubles: the product of two floats is exact in double, the sum
// is rounded to odd (TwoSum gives its error exactly), and a double rounded
// to odd rounds correctly to float (as engine/ExactArithmetic.h does one
// value at a time).
#include <emmintrin.h>

#include "engine/fast/SmoothingKernels.h"

namespace hushpix::fast {

namespace {

struct Sse2Isa {
    static constexpr std::int32_t kLanes = 4;
    static constexpr bool kWritesPixels = false;
    using F = __m128;
    struct Wide {
        __m128d low, high;
    };

    static F load(const float* p) { return _mm_loadu_ps(p); }
    static void store(float* p, F v) { _mm_storeu_ps(p, v); }
    static F splat(float v) { return _mm_set1_ps(v); }
    static F negative(F a) { return _mm_cmplt_ps(a, _mm_setzero_ps()); }
    static F select(F m, F a, F b) { return _mm_or_ps(_mm_and_ps(m, a), _mm_andnot_ps(m, b)); }
    static F add(F a, F b) { return _mm_add_ps(a, b); }
    static F sub(F a, F b) { return _mm_sub_ps(a, b); }
    static F minF(F a, F b) { return _mm_min_ps(a, b); }
    static F maxF(F a, F b) { return _mm_max_ps(a, b); }
    static void laneRange(const std::uint8_t* p, std::int32_t& lo, std::int32_t& hi) {
        lo = hi = p[0];
        for (int i = 1; i < kLanes; ++i) {
            lo = p[i] < lo ? p[i] : lo;
            hi = p[i] > hi ? p[i] : hi;
        }
    }
    static std::int32_t laneMax(const std::uint8_t* p) {
        std::int32_t lo, hi;
        laneRange(p, lo, hi);
        return hi;
    }
    static F loadCounts(const std::uint8_t* p) {
        std::int32_t four;
        std::memcpy(&four, p, sizeof four);
        const __m128i zero = _mm_setzero_si128();
        const __m128i bytes = _mm_cvtsi32_si128(four);
        return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero));
    }
    static void truncate(F v, std::int32_t* out) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_cvttps_epi32(v));
    }

    static Wide widen(F v) { return {_mm_cvtps_pd(v), _mm_cvtps_pd(_mm_movehl_ps(v, v))}; }
    static F narrow(Wide v) { return _mm_movelh_ps(_mm_cvtpd_ps(v.low), _mm_cvtpd_ps(v.high)); }
    static void storeW(double* p, Wide v) {
        _mm_storeu_pd(p, v.low);
        _mm_storeu_pd(p + 2, v.high);
    }
    static Wide loadW(const double* p) { return {_mm_loadu_pd(p), _mm_loadu_pd(p + 2)}; }
    static Wide loadCountsW(const std::uint8_t* p) {
        const F counts = loadCounts(p);
        return {_mm_cvtps_pd(counts), _mm_cvtps_pd(_mm_movehl_ps(counts, counts))};
    }
    static Wide negativeW(Wide a) {
        const __m128d zero = _mm_setzero_pd();
        return {_mm_cmplt_pd(a.low, zero), _mm_cmplt_pd(a.high, zero)};
    }
    static __m128d blend(__m128d m, __m128d a, __m128d b) {
        return _mm_or_pd(_mm_and_pd(m, a), _mm_andnot_pd(m, b));
    }
    static Wide selectW(Wide m, Wide a, Wide b) {
        return {blend(m.low, a.low, b.low), blend(m.high, a.high, b.high)};
    }
    static Wide splatW(double v) { return {_mm_set1_pd(v), _mm_set1_pd(v)}; }
    static Wide addW(Wide a, Wide b) {
        return {_mm_add_pd(a.low, b.low), _mm_add_pd(a.high, b.high)};
    }
    static Wide subW(Wide a, Wide b) {
        return {_mm_sub_pd(a.low, b.low), _mm_sub_pd(a.high, b.high)};
    }
    static Wide mulW(Wide a, Wide b) {
        return {_mm_mul_pd(a.low, b.low), _mm_mul_pd(a.high, b.high)};
    }
    static Wide addProductW(Wide sum, Wide a, Wide b) { return addW(sum, mulW(a, b)); }
    // nearFloatMidpoint for each lane, compared as floats.
    static bool nearFloatMidpointW(Wide v) {
        const __m128d kept = _mm_castsi128_pd(_mm_set1_epi64x(std::int64_t(kRoundingBits)));
        const __m128 above =
            _mm_castsi128_ps(_mm_set1_epi64x(std::int64_t(kMidpointFromAboveLane)));
        const __m128 below =
            _mm_castsi128_ps(_mm_set1_epi64x(std::int64_t(kMidpointFromBelowLane)));
        auto near = [&](__m128d half) {
            const __m128 bits = _mm_castpd_ps(_mm_and_pd(half, kept));
            return _mm_or_ps(_mm_cmpeq_ps(bits, above), _mm_cmpeq_ps(bits, below));
        };
        return _mm_movemask_ps(_mm_or_ps(near(v.low), near(v.high))) != 0;
    }

    // product + addend rounded to odd, for two lanes.
    static __m128d sumRoundedToOdd(__m128d product, __m128d addend) {
        const __m128d sum = _mm_add_pd(product, addend);
        const __m128d addendPart = _mm_sub_pd(sum, product);
        const __m128d productPart = _mm_sub_pd(sum, addendPart);
        const __m128d error =
            _mm_add_pd(_mm_sub_pd(product, productPart), _mm_sub_pd(addend, addendPart));
        const __m128d zero = _mm_setzero_pd();
        // |sum| < infinity; an infinite sum is left as it is.
        const __m128d magnitude = _mm_andnot_pd(_mm_set1_pd(-0.0), sum);
        const __m128d finite = _mm_cmplt_pd(magnitude, _mm_set1_pd(__builtin_inf()));
        const __m128i one = _mm_set1_epi64x(1);
        const __m128i bits = _mm_castpd_si128(sum);
        const __m128i even = _mm_cmpeq_epi32(_mm_and_si128(bits, one), _mm_setzero_si128());
        // The low 32 bits of each lane decide evenness; spread that over the lane.
        const __m128i evenLane = _mm_shuffle_epi32(even, _MM_SHUFFLE(2, 2, 0, 0));
        const __m128d inexact = _mm_cmpneq_pd(error, zero);
        const __m128i adjust =
            _mm_and_si128(_mm_castpd_si128(_mm_and_pd(inexact, finite)), evenLane);
        // Step away from zero when the error has the sum's sign, else towards it.
        const __m128i signsDiffer =
            _mm_castpd_si128(_mm_xor_pd(_mm_cmpgt_pd(error, zero), _mm_cmpgt_pd(sum, zero)));
        const __m128i step = _mm_or_si128(_mm_andnot_si128(signsDiffer, one),
                                          _mm_and_si128(signsDiffer, _mm_set1_epi64x(-1)));
        return _mm_castsi128_pd(_mm_add_epi64(bits, _mm_and_si128(adjust, step)));
    }

    static F fma(F a, F b, F c) {
        const Wide product = mulW(widen(a), widen(b));
        const Wide addend = widen(c);
        return narrow(Wide{sumRoundedToOdd(product.low, addend.low),
                           sumRoundedToOdd(product.high, addend.high)});
    }
};

constexpr PathKernels kSse2 = kernelsFor<Sse2Isa>();

}  // namespace

const PathKernels& sse2Kernels() { return kSse2; }

void fusedMultiplyAddSse2(const float (&a)[4], const float (&b)[4], const float (&c)[4],
                          float (&out)[4]) {
    Sse2Isa::store(out, Sse2Isa::fma(Sse2Isa::load(a), Sse2Isa::load(b), Sse2Isa::load(c)));
}

}  // namespace hushpix::fast
