// The lane routines with AVX-512 (no FMA: products are rounded
// before they are added).
#include "lane_routines.h"

#if defined(KAF_LANES_X86)
#include <immintrin.h>

#include <cmath>
#include <cstring>

// GCC 12 reports its own _mm512_undefined_* placeholders as maybe uninitialized.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
KAF_TARGET_BEGIN(KAF_SET_AVX512)

namespace lanes_avx512 {

// Sixteen lanes in one register.
struct Group {
    __m512 v;

    static Group Zero() { return {_mm512_setzero_ps()}; }

    static Group Load(const uint8_t* p) {
        return {_mm512_cvtepi32_ps(_mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))))};
    }
    static Group Load(const float* p) { return {_mm512_loadu_ps(p)}; }
    static void Store(float* p, const Group& g) { _mm512_storeu_ps(p, g.v); }

    static Group Add(const Group& a, const Group& b) { return {_mm512_add_ps(a.v, b.v)}; }
    static Group Scale(const Group& x, float w) { return {_mm512_mul_ps(x.v, _mm512_set1_ps(w))}; }
    static Group Mul(const Group& a, const Group& b) { return {_mm512_mul_ps(a.v, b.v)}; }
    static Group Sqrt(const Group& a) { return {_mm512_sqrt_ps(a.v)}; }

    // cvttps2dq gives -2147483648 for NaN and out of range: the x86 rule.
    static __m512i Truncated(const Group& s, float divisor) {
        return _mm512_cvttps_epi32(_mm512_div_ps(s.v, _mm512_set1_ps(divisor)));
    }
    // vpmovdb keeps the low 8 bits.
    static __m128i LowBytes(const Group& s, float divisor) { return _mm512_cvtepi32_epi8(Truncated(s, divisor)); }
    static Group LowByteValues(const Group& s, float divisor) {
        return {_mm512_cvtepi32_ps(_mm512_and_si512(Truncated(s, divisor), _mm512_set1_epi32(0xFF)))};
    }

    // maxps returns its second operand when either is NaN, so NaN gives 0.
    static __m128i Saturated(const Group& s, bool divide, float divisor) {
        const __m512 x = divide ? _mm512_div_ps(s.v, _mm512_set1_ps(divisor)) : s.v;
        const __m512 clamped = _mm512_min_ps(_mm512_max_ps(x, _mm512_setzero_ps()), _mm512_set1_ps(255.0f));
        return _mm512_cvtepi32_epi8(_mm512_cvttps_epi32(clamped));
    }
};

constexpr int kGroupsPerBlock = 8;
// Output rows a column pass computes at once (four were no faster than two).
constexpr int kColumnRows = 2;
#include "lane_routines.inc"

}  // namespace lanes_avx512

KAF_TARGET_END()

LaneRoutines LanesAvx512() { return lanes_avx512::Routines(); }

#endif
