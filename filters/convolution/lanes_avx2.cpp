// The lane routines with AVX2 (no FMA: products are rounded before
// they are added).
#include "lane_routines.h"

#if defined(KAF_LANES_X86)
#include <immintrin.h>

#include <cmath>
#include <cstring>

#include "byte_lanes.h"

KAF_TARGET_BEGIN(KAF_SET_AVX2)

namespace lanes_avx2 {

// Sixteen lanes as two registers of eight.
struct Group {
    __m256 v[2];

    static Group Zero() { return {{_mm256_setzero_ps(), _mm256_setzero_ps()}}; }

    static Group Load(const uint8_t* p) {
        const __m128i low = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        const __m128i high = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 8));
        return {{_mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(low)), _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(high))}};
    }
    static Group FromBytes(__m128i bytes) {
        return {{_mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(bytes)),
                 _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_unpackhi_epi64(bytes, bytes)))}};
    }
    static Group Load(const float* p) { return {{_mm256_loadu_ps(p), _mm256_loadu_ps(p + 8)}}; }
    static void Store(float* p, const Group& g) {
        _mm256_storeu_ps(p, g.v[0]);
        _mm256_storeu_ps(p + 8, g.v[1]);
    }
    // No lane moves across the register halves cheaply enough to put
    // a group together from two neighbouring ones.
    static constexpr bool kJoinsGroups = false;

    static Group Add(const Group& a, const Group& b) {
        return {{_mm256_add_ps(a.v[0], b.v[0]), _mm256_add_ps(a.v[1], b.v[1])}};
    }
    // The set has no multiply-add: the adding units take every addition.
    static Group AddOnMultiplyUnits(const Group& a, const Group& b) { return Add(a, b); }
    static Group Scale(const Group& x, float w) {
        const __m256 k = _mm256_set1_ps(w);
        return {{_mm256_mul_ps(x.v[0], k), _mm256_mul_ps(x.v[1], k)}};
    }
    static Group Mul(const Group& a, const Group& b) {
        return {{_mm256_mul_ps(a.v[0], b.v[0]), _mm256_mul_ps(a.v[1], b.v[1])}};
    }
    static Group Sqrt(const Group& a) { return {{_mm256_sqrt_ps(a.v[0]), _mm256_sqrt_ps(a.v[1])}}; }

    // S / divisor; S / 1 is S (see the AVX-512 routines).
    static __m256 Quotient(__m256 s, float divisor) {
        return divisor == 1.0f ? s : _mm256_div_ps(s, _mm256_set1_ps(divisor));
    }
    // The low 8 bits of S / divisor truncated; cvttps2dq gives -2147483648
    // for NaN and out of range, the x86 rule.
    static __m256i LowBits(__m256 s, float divisor) {
        return _mm256_and_si256(_mm256_cvttps_epi32(Quotient(s, divisor)), _mm256_set1_epi32(0xFF));
    }
    // Two vectors of 32-bit integers in 0..255 to sixteen bytes.
    static __m128i PackBytes(__m256i a, __m256i b) {
        const __m128i low = _mm_packus_epi32(_mm256_castsi256_si128(a), _mm256_extracti128_si256(a, 1));
        const __m128i high = _mm_packus_epi32(_mm256_castsi256_si128(b), _mm256_extracti128_si256(b, 1));
        return _mm_packus_epi16(low, high);
    }

    static __m128i LowBytes(const Group& s, float divisor) {
        return PackBytes(LowBits(s.v[0], divisor), LowBits(s.v[1], divisor));
    }
    static Group LowByteValues(const Group& s, float divisor) {
        return {{_mm256_cvtepi32_ps(LowBits(s.v[0], divisor)), _mm256_cvtepi32_ps(LowBits(s.v[1], divisor))}};
    }
    // The same for quotients in 0 .. 255: truncated in place.
    static Group TruncatedValues(const Group& s, float divisor) {
        constexpr int kTowardZero = _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC;
        return {{_mm256_round_ps(Quotient(s.v[0], divisor), kTowardZero),
                 _mm256_round_ps(Quotient(s.v[1], divisor), kTowardZero)}};
    }

    // maxps returns its second operand when either is NaN, so NaN gives 0.
    static __m128i Saturated(const Group& s, bool divide, float divisor) {
        __m256i n[2];
        for (int q = 0; q < 2; ++q) {
            const __m256 x = divide ? Quotient(s.v[q], divisor) : s.v[q];
            n[q] = _mm256_cvttps_epi32(_mm256_min_ps(_mm256_max_ps(x, _mm256_setzero_ps()), _mm256_set1_ps(255.0f)));
        }
        return PackBytes(n[0], n[1]);
    }
};

constexpr int kGroupsPerBlock = 4;
// Output rows a column pass computes at once: two for three rows, four for
// taller kernels, where each loaded row then serves twice as many sums.
constexpr int kColumnRows = 2;
constexpr int kTallColumnRows = 4;
constexpr int kEqualWeightColumnRows = kTallColumnRows;
// Eight BGRA pixels at a time: each 16-byte half keeps bytes 0-2 of its
// four pixels in its low 12 bytes, and one dword permutation lays the
// halves' 12 bytes end to end.
int64_t ConvertColours(const uint8_t* bgra, float* bgr, int64_t pixels, float scale) {
    const __m256i dropFourth =
        _mm256_broadcastsi128_si256(_mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
    const __m256i together = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7);
    const __m256 k = _mm256_set1_ps(scale);
    auto store = [&](float* out, __m128i bytes) {
        _mm256_storeu_ps(out, _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(bytes)), k));
    };
    int64_t i = 0;
    for (; i + 8 <= pixels; i += 8) {
        const __m256i whole = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bgra + 4 * i));
        const __m256i colours = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(whole, dropFourth), together);
        const __m128i low = _mm256_castsi256_si128(colours);
        store(bgr + 3 * i, low);
        store(bgr + 3 * i + 8, _mm_srli_si128(low, 8));
        store(bgr + 3 * i + 16, _mm256_extracti128_si256(colours, 1));
    }
    return i;
}

constexpr auto kConvertColours = ConvertColours;
#define KAF_LANES_BYTE_LANES byte_lanes_avx2::ByteLanes
#include "lane_routines.inc"
#undef KAF_LANES_BYTE_LANES

}  // namespace lanes_avx2

KAF_TARGET_END()

LaneRoutines LanesAvx2() { return lanes_avx2::Routines(); }

#endif
