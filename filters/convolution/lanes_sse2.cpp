// The lane routines with SSE2 (every x86-64 processor has it).
#include "lane_routines.h"

#if defined(KAF_LANES_X86)
#include <immintrin.h>

#include <cmath>
#include <cstring>

namespace lanes_sse2 {

// Sixteen lanes as four registers of four.
struct Group {
    __m128 v[4];

    static Group Zero() { return {{_mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps()}}; }

    static Group Load(const uint8_t* p) { return FromBytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))); }
    static Group FromBytes(__m128i bytes) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i low = _mm_unpacklo_epi8(bytes, zero);
        const __m128i high = _mm_unpackhi_epi8(bytes, zero);
        return {{_mm_cvtepi32_ps(_mm_unpacklo_epi16(low, zero)), _mm_cvtepi32_ps(_mm_unpackhi_epi16(low, zero)),
                 _mm_cvtepi32_ps(_mm_unpacklo_epi16(high, zero)), _mm_cvtepi32_ps(_mm_unpackhi_epi16(high, zero))}};
    }
    static Group Load(const float* p) {
        return {{_mm_loadu_ps(p), _mm_loadu_ps(p + 4), _mm_loadu_ps(p + 8), _mm_loadu_ps(p + 12)}};
    }
    static void Store(float* p, const Group& g) {
        for (int q = 0; q < 4; ++q) _mm_storeu_ps(p + 4 * q, g.v[q]);
    }
    // No lane moves across the register halves cheaply enough to put
    // a group together from two neighbouring ones.
    static constexpr bool kJoinsGroups = false;

    static Group Add(const Group& a, const Group& b) {
        Group r;
        for (int q = 0; q < 4; ++q) r.v[q] = _mm_add_ps(a.v[q], b.v[q]);
        return r;
    }
    // The set has no multiply-add: the adding units take every addition.
    static Group AddOnMultiplyUnits(const Group& a, const Group& b) { return Add(a, b); }
    static Group Scale(const Group& x, float w) {
        const __m128 k = _mm_set1_ps(w);
        Group r;
        for (int q = 0; q < 4; ++q) r.v[q] = _mm_mul_ps(x.v[q], k);
        return r;
    }
    static Group Mul(const Group& a, const Group& b) {
        Group r;
        for (int q = 0; q < 4; ++q) r.v[q] = _mm_mul_ps(a.v[q], b.v[q]);
        return r;
    }
    static Group Sqrt(const Group& a) {
        Group r;
        for (int q = 0; q < 4; ++q) r.v[q] = _mm_sqrt_ps(a.v[q]);
        return r;
    }

    // S / divisor; S / 1 is S (see the AVX-512 routines).
    static __m128 Quotient(__m128 s, float divisor) {
        return divisor == 1.0f ? s : _mm_div_ps(s, _mm_set1_ps(divisor));
    }
    // The low 8 bits of S / divisor truncated; cvttps2dq gives -2147483648
    // for NaN and out of range, the x86 rule.
    static void LowBits(const Group& s, float divisor, __m128i (&n)[4]) {
        for (int q = 0; q < 4; ++q) {
            n[q] = _mm_and_si128(_mm_cvttps_epi32(Quotient(s.v[q], divisor)), _mm_set1_epi32(0xFF));
        }
    }
    // Four vectors of 32-bit integers in 0..255 to sixteen bytes.
    static __m128i PackBytes(const __m128i (&n)[4]) {
        return _mm_packus_epi16(_mm_packs_epi32(n[0], n[1]), _mm_packs_epi32(n[2], n[3]));
    }

    static __m128i LowBytes(const Group& s, float divisor) {
        __m128i n[4];
        LowBits(s, divisor, n);
        return PackBytes(n);
    }
    static Group LowByteValues(const Group& s, float divisor) {
        __m128i n[4];
        LowBits(s, divisor, n);
        return {{_mm_cvtepi32_ps(n[0]), _mm_cvtepi32_ps(n[1]), _mm_cvtepi32_ps(n[2]), _mm_cvtepi32_ps(n[3])}};
    }
    // SSE2 has no rounding in place; the low bytes are the same values there.
    static Group TruncatedValues(const Group& s, float divisor) { return LowByteValues(s, divisor); }

    // maxps returns its second operand when either is NaN, so NaN gives 0.
    static __m128i Saturated(const Group& s, bool divide, float divisor) {
        __m128i n[4];
        for (int q = 0; q < 4; ++q) {
            const __m128 x = divide ? Quotient(s.v[q], divisor) : s.v[q];
            n[q] = _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(x, _mm_setzero_ps()), _mm_set1_ps(255.0f)));
        }
        return PackBytes(n);
    }
};

constexpr int kGroupsPerBlock = 2;
// Output rows a column pass computes at once (four were no faster than two).
constexpr int kColumnRows = 2;
constexpr int kTallColumnRows = kColumnRows;
constexpr int kEqualWeightColumnRows = kColumnRows;
// Three of every four bytes need byte shuffles across the register; the
// callers' plain loops do them.
constexpr auto kConvertColours = nullptr;
#include "lane_routines.inc"

}  // namespace lanes_sse2

LaneRoutines LanesSse2() { return lanes_sse2::Routines(); }

#endif
