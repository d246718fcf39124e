// The lane routines with AVX-512 (no FMA: products are rounded
// before they are added).
#include "lane_routines.h"

#if defined(KAF_LANES_X86)
#include <immintrin.h>

#include <cmath>
#include <cstring>

#include "byte_lanes.h"

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

    static Group Load(const uint8_t* p) { return FromBytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))); }
    static Group FromBytes(__m128i bytes) { return {_mm512_cvtepi32_ps(_mm512_cvtepu8_epi32(bytes))}; }
    static Group Load(const float* p) { return {_mm512_loadu_ps(p)}; }
    static void Store(float* p, const Group& g) { _mm512_storeu_ps(p, g.v); }

    // A group can be put together from two neighbouring ones: lanes
    // kLanes..15 of `low` followed by lanes 0..kLanes-1 of `high`.
    static constexpr bool kJoinsGroups = true;
    template <int kLanes>
    static Group Joined(const Group& low, const Group& high) {
        if constexpr (kLanes == 0) {
            return low;
        } else {
            return {_mm512_castsi512_ps(
                _mm512_alignr_epi32(_mm512_castps_si512(high.v), _mm512_castps_si512(low.v), kLanes))};
        }
    }
    // Load for a group of which only the first `count` bytes exist (the
    // other lanes are 0 and nothing past those bytes is read).
    static Group LoadFirst(const uint8_t* p, int count) {
        return {_mm512_cvtepi32_ps(_mm512_cvtepu8_epi32(_mm_maskz_loadu_epi8(FirstLanes(count), p)))};
    }
    static Group LoadFirst(const float* p, int count) { return {_mm512_maskz_loadu_ps(FirstLanes(count), p)}; }
    // Lanes 0 .. count - 1, for a count of 0 to 16.
    static __mmask16 FirstLanes(int count) { return static_cast<__mmask16>((1u << count) - 1u); }

    static Group Add(const Group& a, const Group& b) { return {_mm512_add_ps(a.v, b.v)}; }
    // a + b on the multiply-add units: b x 1 is exact, so fma(b, 1, a)
    // rounds once, as a + b does, to the same bits. Sums that only add
    // (kernels of equal weights) give half their additions to these units
    // and keep both kinds busy.
    static Group AddOnMultiplyUnits(const Group& a, const Group& b) {
        return {_mm512_fmadd_ps(b.v, _mm512_set1_ps(1.0f), a.v)};
    }
    static Group Scale(const Group& x, float w) { return {_mm512_mul_ps(x.v, _mm512_set1_ps(w))}; }
    static Group Mul(const Group& a, const Group& b) { return {_mm512_mul_ps(a.v, b.v)}; }
    static Group Sqrt(const Group& a) { return {_mm512_sqrt_ps(a.v)}; }

    // S / divisor. S / 1 is S in every lane, so spans whose weights sum to
    // exactly 1 (most normalised kernels, away from the sides) skip the
    // division.
    static __m512 Quotient(__m512 s, float divisor) {
        return divisor == 1.0f ? s : _mm512_div_ps(s, _mm512_set1_ps(divisor));
    }
    // cvttps2dq gives -2147483648 for NaN and out of range: the x86 rule.
    static __m512i Truncated(const Group& s, float divisor) { return _mm512_cvttps_epi32(Quotient(s.v, divisor)); }
    // vpmovdb keeps the low 8 bits.
    static __m128i LowBytes(const Group& s, float divisor) { return _mm512_cvtepi32_epi8(Truncated(s, divisor)); }
    static Group LowByteValues(const Group& s, float divisor) {
        return {_mm512_cvtepi32_ps(_mm512_and_si512(Truncated(s, divisor), _mm512_set1_epi32(0xFF)))};
    }
    // The same for quotients in 0 .. 255: truncated in place.
    static Group TruncatedValues(const Group& s, float divisor) {
        return {_mm512_roundscale_ps(Quotient(s.v, divisor), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC)};
    }

    // maxps returns its second operand when either is NaN, so NaN gives 0.
    static __m128i Saturated(const Group& s, bool divide, float divisor) {
        const __m512 x = divide ? Quotient(s.v, divisor) : s.v;
        const __m512 clamped = _mm512_min_ps(_mm512_max_ps(x, _mm512_setzero_ps()), _mm512_set1_ps(255.0f));
        return _mm512_cvtepi32_epi8(_mm512_cvttps_epi32(clamped));
    }
};

constexpr int kGroupsPerBlock = 8;
// Output rows a column pass computes at once: four for kernels of more than
// three rows, so that each ring row is loaded from the second-level cache
// once for four outputs, and two for kernels of three rows, whose few taps
// gain nothing from it.
constexpr int kColumnRows = 2;
constexpr int kTallColumnRows = 4;
// Eight for a kernel of equal weights, whose taps only add (premultiplied
// rows): "mean" r10 took 8 to 12 % less time, r5 as long (sixteen were no
// faster). With a multiply a tap ("gaussian", "edge"), eight were slower.
constexpr int kEqualWeightColumnRows = 8;

// Sixteen BGRA pixels at a time: each 16-byte quarter keeps bytes 0-2 of its
// four pixels in its low 12 bytes, and one dword permutation lays the
// quarters' 12 bytes end to end.
int64_t ConvertColours(const uint8_t* bgra, float* bgr, int64_t pixels, float scale) {
    const __m512i dropFourth =
        _mm512_broadcast_i32x4(_mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
    const __m512i together = _mm512_setr_epi32(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 15, 15, 15, 15);
    const __m512 k = _mm512_set1_ps(scale);
    auto store = [&](float* out, __m128i bytes) {
        _mm512_storeu_ps(out, _mm512_mul_ps(_mm512_cvtepi32_ps(_mm512_cvtepu8_epi32(bytes)), k));
    };
    int64_t i = 0;
    for (; i + 16 <= pixels; i += 16) {
        const __m512i whole = _mm512_loadu_si512(bgra + 4 * i);
        const __m512i colours = _mm512_permutexvar_epi32(together, _mm512_shuffle_epi8(whole, dropFourth));
        store(bgr + 3 * i, _mm512_castsi512_si128(colours));
        store(bgr + 3 * i + 16, _mm512_extracti32x4_epi32(colours, 1));
        store(bgr + 3 * i + 32, _mm512_extracti32x4_epi32(colours, 2));
    }
    return i;
}

constexpr auto kConvertColours = ConvertColours;
#define KAF_LANES_BYTE_LANES byte_lanes_avx512::ByteLanes
#include "lane_routines.inc"
#undef KAF_LANES_BYTE_LANES

}  // namespace lanes_avx512

KAF_TARGET_END()

LaneRoutines LanesAvx512() { return lanes_avx512::Routines(); }

#endif
