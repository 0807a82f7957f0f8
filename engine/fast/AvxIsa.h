// Eight pixels at a time with 256-bit AVX and the hardware fused
// multiply-add, which rounds exactly once. The record needs AVX and FMA
// only; it is compiled twice, once with just those (IsaAvxFma.cpp) and once
// with AVX2 as well (IsaAvx2Fma.cpp), where the compiler also widens the
// integer loops of the contour marking and ContourKernels.h's despeckle
// chunks to 256 bits. Included only by those two files, each called only
// after the CPU was found to have what it was compiled for.
#pragma once

#include <immintrin.h>

#include "engine/fast/SmoothingKernels.h"

namespace hushpix::fast {
namespace {

struct AvxFmaIsa {
    static constexpr std::int32_t kLanes = 8;
    static constexpr bool kWritesPixels = true;
    using F = __m256;
    struct Wide {
        __m256d low, high;
    };

    static F load(const float* p) { return _mm256_loadu_ps(p); }
    static void store(float* p, F v) { _mm256_storeu_ps(p, v); }
    static F splat(float v) { return _mm256_set1_ps(v); }
    // The blends read only each lane's sign bit.
    static F negative(F a) { return a; }
    // vblendvps (and vblendvpd below) written out: GCC rewrites
    // _mm256_blendv_ps as a test of the mask's sign bits, which without
    // AVX2's 256-bit integer instructions it emulates lane by lane.
    static F select(F m, F a, F b) {
        F chosen;
        asm("vblendvps %3, %2, %1, %0" : "=x"(chosen) : "x"(b), "xm"(a), "x"(m));
        return chosen;
    }
    static F fma(F a, F b, F c) { return _mm256_fmadd_ps(a, b, c); }
    static F add(F a, F b) { return _mm256_add_ps(a, b); }
    static F sub(F a, F b) { return _mm256_sub_ps(a, b); }
    static F minF(F a, F b) { return _mm256_min_ps(a, b); }
    static F maxF(F a, F b) { return _mm256_max_ps(a, b); }
    // The smallest and largest of kLanes counts.
    static __m128i countWords(const std::uint8_t* p) {
        return _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
    }
    static std::int32_t laneMax(const std::uint8_t* p) {
        const __m128i flipped = _mm_xor_si128(countWords(p), _mm_set1_epi16(-1));
        return 0xffff - (_mm_cvtsi128_si32(_mm_minpos_epu16(flipped)) & 0xffff);
    }
    static void laneRange(const std::uint8_t* p, std::int32_t& lo, std::int32_t& hi) {
        lo = _mm_cvtsi128_si32(_mm_minpos_epu16(countWords(p))) & 0xffff;
        hi = laneMax(p);
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

    // Eight whole numbers per channel, in range, written as R, G, B samples
    // in pixel order: packed to words (and bytes), then interleaved by
    // shuffles (SSSE3 and SSE4.1, which every AVX CPU has).
    static __m128i samples16(F v) {
        const __m256i whole = _mm256_cvttps_epi32(v);
        return _mm_packus_epi32(_mm256_castsi256_si128(whole), _mm256_extractf128_si256(whole, 1));
    }
    static void writePixels(const F (&rgb)[3], std::uint8_t* out) {
        const __m128i red = samples16(rgb[0]), green = samples16(rgb[1]);
        const __m128i redGreen = _mm_packus_epi16(red, green);  // R0..R7 G0..G7
        const __m128i blue = _mm_packus_epi16(samples16(rgb[2]), samples16(rgb[2]));
        // R0 G0 B0 ... R5, then G5 B5 R6 G6 B6 R7 G7 B7.
        const __m128i first = _mm_or_si128(
            _mm_shuffle_epi8(redGreen, _mm_setr_epi8(0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4,
                                                     12, -1, 5)),
            _mm_shuffle_epi8(blue, _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1,
                                                 -1, 4, -1)));
        const __m128i second = _mm_or_si128(
            _mm_shuffle_epi8(redGreen, _mm_setr_epi8(13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1,
                                                     -1, -1, -1, -1)),
            _mm_shuffle_epi8(blue, _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, -1, -1, -1,
                                                 -1, -1, -1)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), first);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16), second);
    }
    static void writePixels(const F (&rgb)[3], std::uint16_t* out) {
        const __m128i red = samples16(rgb[0]), green = samples16(rgb[1]), blue = samples16(rgb[2]);
        // Each sixteen bytes of output take words from all three channels.
        auto pick = [&](__m128i r, __m128i g, __m128i b) {
            return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(red, r), _mm_shuffle_epi8(green, g)),
                                _mm_shuffle_epi8(blue, b));
        };
        __m128i* words = reinterpret_cast<__m128i*>(out);
        _mm_storeu_si128(  // R0 G0 B0 R1 G1 B1 R2 G2
            words, pick(_mm_setr_epi8(0, 1, -1, -1, -1, -1, 2, 3, -1, -1, -1, -1, 4, 5, -1, -1),
                        _mm_setr_epi8(-1, -1, 0, 1, -1, -1, -1, -1, 2, 3, -1, -1, -1, -1, 4, 5),
                        _mm_setr_epi8(-1, -1, -1, -1, 0, 1, -1, -1, -1, -1, 2, 3, -1, -1, -1, -1)));
        _mm_storeu_si128(  // B2 R3 G3 B3 R4 G4 B4 R5
            words + 1,
            pick(_mm_setr_epi8(-1, -1, 6, 7, -1, -1, -1, -1, 8, 9, -1, -1, -1, -1, 10, 11),
                 _mm_setr_epi8(-1, -1, -1, -1, 6, 7, -1, -1, -1, -1, 8, 9, -1, -1, -1, -1),
                 _mm_setr_epi8(4, 5, -1, -1, -1, -1, 6, 7, -1, -1, -1, -1, 8, 9, -1, -1)));
        _mm_storeu_si128(  // G5 B5 R6 G6 B6 R7 G7 B7
            words + 2,
            pick(_mm_setr_epi8(-1, -1, -1, -1, 12, 13, -1, -1, -1, -1, 14, 15, -1, -1, -1, -1),
                 _mm_setr_epi8(10, 11, -1, -1, -1, -1, 12, 13, -1, -1, -1, -1, 14, 15, -1, -1),
                 _mm_setr_epi8(-1, -1, 10, 11, -1, -1, -1, -1, 12, 13, -1, -1, -1, -1, 14, 15)));
    }

    static Wide widen(F v) {
        return {_mm256_cvtps_pd(_mm256_castps256_ps128(v)),
                _mm256_cvtps_pd(_mm256_extractf128_ps(v, 1))};
    }
    static F narrow(Wide v) {
        return _mm256_set_m128(_mm256_cvtpd_ps(v.high), _mm256_cvtpd_ps(v.low));
    }
    static void storeW(double* p, Wide v) {
        _mm256_storeu_pd(p, v.low);
        _mm256_storeu_pd(p + 4, v.high);
    }
    static Wide loadW(const double* p) { return {_mm256_loadu_pd(p), _mm256_loadu_pd(p + 4)}; }
    static Wide loadCountsW(const std::uint8_t* p) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        return {_mm256_cvtepi32_pd(_mm_cvtepu8_epi32(bytes)),
                _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_srli_si128(bytes, 4)))};
    }
    static Wide negativeW(Wide a) { return a; }
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
    // nearFloatMidpoint for each lane, compared as floats.
    static bool nearFloatMidpointW(Wide v) {
        const __m256d kept = _mm256_castsi256_pd(_mm256_set1_epi64x(std::int64_t(kRoundingBits)));
        const __m256 above =
            _mm256_castsi256_ps(_mm256_set1_epi64x(std::int64_t(kMidpointFromAboveLane)));
        const __m256 below =
            _mm256_castsi256_ps(_mm256_set1_epi64x(std::int64_t(kMidpointFromBelowLane)));
        auto near = [&](__m256d half) {
            const __m256 bits = _mm256_castpd_ps(_mm256_and_pd(half, kept));
            return _mm256_or_ps(_mm256_cmp_ps(bits, above, _CMP_EQ_OQ),
                                _mm256_cmp_ps(bits, below, _CMP_EQ_OQ));
        };
        return _mm256_movemask_ps(_mm256_or_ps(near(v.low), near(v.high))) != 0;
    }
};

}  // namespace
}  // namespace hushpix::fast
