// Eight pixels at a time with 256-bit AVX and the hardware fused
// multiply-add, which rounds exactly once. Needs AVX and FMA only (no
// AVX2), so it runs on every CPU that has both. Compiled with -mavx -mfma;
// called only after the CPU was found to have them.
#include <immintrin.h>

#include "engine/fast/SmoothingKernels.h"

namespace hushpix::fast {

namespace {

struct AvxFmaIsa {
    static constexpr std::int32_t kLanes = 8;
    using F = __m256;
    struct Wide {
        __m256d low, high;
    };

    static F load(const float* p) { return _mm256_loadu_ps(p); }
    static void store(float* p, F v) { _mm256_storeu_ps(p, v); }
    static F splat(float v) { return _mm256_set1_ps(v); }
    static F atLeast(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_GE_OQ); }
    // vblendvps (and vblendvpd below) written out: GCC rewrites
    // _mm256_blendv_ps as a test of the mask's sign bits, which without
    // AVX2's 256-bit integer instructions it emulates lane by lane.
    static F select(F m, F a, F b) {
        F chosen;
        asm("vblendvps %3, %2, %1, %0" : "=x"(chosen) : "x"(b), "xm"(a), "x"(m));
        return chosen;
    }
    static F fma(F a, F b, F c) { return _mm256_fmadd_ps(a, b, c); }
    static F minF(F a, F b) { return _mm256_min_ps(a, b); }
    static F maxF(F a, F b) { return _mm256_max_ps(a, b); }
    // The smallest and largest of kLanes counts.
    static void laneRange(const std::uint8_t* p, std::int32_t& lo, std::int32_t& hi) {
        const __m128i words =
            _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
        const __m128i flipped = _mm_xor_si128(words, _mm_set1_epi16(-1));
        lo = _mm_cvtsi128_si32(_mm_minpos_epu16(words)) & 0xffff;
        hi = 0xffff - (_mm_cvtsi128_si32(_mm_minpos_epu16(flipped)) & 0xffff);
    }
    static F loadCounts(const std::uint8_t* p) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        const __m128i low = _mm_cvtepu8_epi32(bytes);
        const __m128i high = _mm_cvtepu8_epi32(_mm_srli_si128(bytes, 4));
        return _mm256_cvtepi32_ps(_mm256_insertf128_si256(_mm256_castsi128_si256(low), high, 1));
    }
    static void truncate(F v, std::int32_t* out) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_cvttps_epi32(v));
    }

    static Wide widen(F v) {
        return {_mm256_cvtps_pd(_mm256_castps256_ps128(v)),
                _mm256_cvtps_pd(_mm256_extractf128_ps(v, 1))};
    }
    static F narrow(Wide v) {
        return _mm256_set_m128(_mm256_cvtpd_ps(v.high), _mm256_cvtpd_ps(v.low));
    }
    static Wide loadW(const double* p) { return {_mm256_loadu_pd(p), _mm256_loadu_pd(p + 4)}; }
    static Wide loadCountsW(const std::uint8_t* p) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        return {_mm256_cvtepi32_pd(_mm_cvtepu8_epi32(bytes)),
                _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_srli_si128(bytes, 4)))};
    }
    static Wide atLeastW(Wide a, Wide b) {
        return {_mm256_cmp_pd(a.low, b.low, _CMP_GE_OQ), _mm256_cmp_pd(a.high, b.high, _CMP_GE_OQ)};
    }
    static __m256d blend(__m256d m, __m256d a, __m256d b) {
        __m256d chosen;
        asm("vblendvpd %3, %2, %1, %0" : "=x"(chosen) : "x"(b), "xm"(a), "x"(m));
        return chosen;
    }
    static Wide selectW(Wide m, Wide a, Wide b) {
        return {blend(m.low, a.low, b.low), blend(m.high, a.high, b.high)};
    }
    static Wide splatW(double v) { return {_mm256_set1_pd(v), _mm256_set1_pd(v)}; }
    static Wide addW(Wide a, Wide b) {
        return {_mm256_add_pd(a.low, b.low), _mm256_add_pd(a.high, b.high)};
    }
    static Wide subW(Wide a, Wide b) {
        return {_mm256_sub_pd(a.low, b.low), _mm256_sub_pd(a.high, b.high)};
    }
    static Wide mulW(Wide a, Wide b) {
        return {_mm256_mul_pd(a.low, b.low), _mm256_mul_pd(a.high, b.high)};
    }
    static Wide addProductW(Wide sum, Wide a, Wide b) {
        return {_mm256_fmadd_pd(a.low, b.low, sum.low), _mm256_fmadd_pd(a.high, b.high, sum.high)};
    }
};

constexpr PathKernels kAvxFma = kernelsFor<AvxFmaIsa>();

}  // namespace

const PathKernels& avxFmaKernels() { return kAvxFma; }

}  // namespace hushpix::fast
