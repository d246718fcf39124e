// Vectors of bytes for the routines compiled per instruction set (AVX2 and
// AVX-512): loads and stores, byte minimum, maximum and OR, a blend that
// keeps every fourth byte of another vector, bytes and 3-byte pixels spread
// to one a 32-bit lane, bytes narrowed back, 32-bit lanes permuted, summed
// bytewise, tested for zero, truncated from floats and clamped, and the
// bytes a few places before or after a vector's, taken from it and its
// neighbour by shifts (a shift of whole 32-bit lanes across the vector, then
// one of bytes within each 128-bit lane). Rows read a vector at a time this
// way need one aligned load per vector where a window of k bytes would
// otherwise need k loads, most of them split across cache lines.
#pragma once

#include <cstdint>

#include "instruction_sets.h"

#if defined(KAF_X86_SETS)
#include <immintrin.h>

// GCC 12 reports its own _mm512_undefined_* placeholders as maybe
// uninitialized wherever lane code is inlined; every file with lane code
// includes this header.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

KAF_TARGET_BEGIN(KAF_SET_AVX2)
namespace byte_lanes_avx2 {

struct ByteLanes {
    static constexpr int32_t kBytes = 32;
    struct V {  // wrapped, so that it can be a template argument
        __m256i v;
    };
    static V Load(const uint8_t* p) { return {_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))}; }
    static void Store(uint8_t* p, V a) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), a.v); }
    // A store to p, on a kBytes boundary, that goes past the caches and does
    // not first read the line it overwrites; Fence() orders such stores
    // before the stores that follow it.
    static void StreamStore(uint8_t* p, V a) { _mm256_stream_si256(reinterpret_cast<__m256i*>(p), a.v); }
    static void Fence() { _mm_sfence(); }
    static V Min(V a, V b) { return {_mm256_min_epu8(a.v, b.v)}; }
    static V Max(V a, V b) { return {_mm256_max_epu8(a.v, b.v)}; }
    static V Or(V a, V b) { return {_mm256_or_si256(a.v, b.v)}; }
    // Bytes j - k .., from bytes j - 32 .. (before) and j .. (at); k <= 16.
    template <int k>
    static V Earlier(V before, V at) {
        return {_mm256_alignr_epi8(at.v, _mm256_permute2x128_si256(before.v, at.v, 0x21), 16 - k)};
    }
    // Bytes j + k .., from bytes j .. (at) and j + 32 .. (after); k <= 16.
    template <int k>
    static V Later(V at, V after) {
        return {_mm256_alignr_epi8(_mm256_permute2x128_si256(at.v, after.v, 0x21), at.v, k)};
    }
    // Byte 3 of every 4 from `own`, the others from `a`.
    static V KeepFourthBytes(V a, const uint8_t* own) {
        return {_mm256_blendv_epi8(a.v, Load(own).v, _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u)))};
    }
    // The kBytes / 4 3-byte pixels at `bgr`, one a 32-bit lane (blue,
    // green, red in its low three bytes, 0 above); reads 4 bytes past them,
    // into the kBgrPixelsPast pixels that follow.
    static constexpr int32_t kBgrPixelsPast = 2;
    static V BgrWords(const uint8_t* bgr) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 12));
        const __m256i spread = _mm256_set_epi8(-1, 11, 10, 9, -1, 8, 7, 6, -1, 5, 4, 3, -1, 2, 1, 0,  //
                                               -1, 11, 10, 9, -1, 8, 7, 6, -1, 5, 4, 3, -1, 2, 1, 0);
        return {_mm256_shuffle_epi8(_mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1), spread)};
    }
    // The kBytes / 4 bytes at p, one a 32-bit lane.
    static V WidenBytes(const uint8_t* p) {
        return {_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)))};
    }
    // And back: signed 32-bit lanes as kBytes / 4 bytes at p, each clamped
    // to 0 .. 255.
    static void StoreNarrowed(uint8_t* p, V lanes) {
        const __m128i words = _mm_packus_epi32(_mm256_castsi256_si128(lanes.v), _mm256_extracti128_si256(lanes.v, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(words, words));
    }
    // Lane i of the result is lane index[i] of `lanes` (32-bit lanes).
    static V PermuteWords(V lanes, V index) { return {_mm256_permutevar8x32_epi32(lanes.v, index.v)}; }
    // The sum of the low kBytes bytes (2 or 3) of every 32-bit lane: pairs
    // of bytes times 1 or 0 added into 16-bit halves, and the halves added.
    template <int kBytes>
    static V LowByteSums(V words) {
        const int32_t ones = kBytes == 3 ? 0x00010101 : 0x00000101;
        const __m256i pairs = _mm256_maddubs_epi16(words.v, _mm256_set1_epi32(ones));
        return {_mm256_madd_epi16(pairs, _mm256_set1_epi16(1))};
    }
    // Single-precision lanes truncated toward zero with the x86 rule: NaN
    // and out of range give -2147483648.
    static V Truncated(V floats) { return {_mm256_cvttps_epi32(_mm256_castsi256_ps(floats.v))}; }
    // Signed 32-bit lanes clamped to 0 .. 255.
    static V ClampedToBytes(V lanes) {
        return {_mm256_max_epi32(_mm256_min_epi32(lanes.v, _mm256_set1_epi32(255)), _mm256_setzero_si256())};
    }
    // Whether no 32-bit lane is 0.
    static bool NoZeroWord(V lanes) {
        return _mm256_movemask_epi8(_mm256_cmpeq_epi32(lanes.v, _mm256_setzero_si256())) == 0;
    }
};

}  // namespace byte_lanes_avx2
KAF_TARGET_END()

KAF_TARGET_BEGIN(KAF_SET_AVX512)
namespace byte_lanes_avx512 {

struct ByteLanes {
    static constexpr int32_t kBytes = 64;
    struct V {
        __m512i v;
    };
    static V Load(const uint8_t* p) { return {_mm512_loadu_si512(p)}; }
    static void Store(uint8_t* p, V a) { _mm512_storeu_si512(p, a.v); }
    static void StreamStore(uint8_t* p, V a) { _mm512_stream_si512(reinterpret_cast<__m512i*>(p), a.v); }
    static void Fence() { _mm_sfence(); }
    static V Min(V a, V b) { return {_mm512_min_epu8(a.v, b.v)}; }
    static V Max(V a, V b) { return {_mm512_max_epu8(a.v, b.v)}; }
    static V Or(V a, V b) { return {_mm512_or_si512(a.v, b.v)}; }
    // A shift by whole 32-bit lanes takes the lane shift alone.
    template <int k>
    static V Earlier(V before, V at) {
        if constexpr (k % 4 == 0) return {_mm512_alignr_epi32(at.v, before.v, 16 - k / 4)};
        return {_mm512_alignr_epi8(at.v, _mm512_alignr_epi32(at.v, before.v, 12), 16 - k)};
    }
    template <int k>
    static V Later(V at, V after) {
        if constexpr (k % 4 == 0) return {_mm512_alignr_epi32(after.v, at.v, k / 4)};
        return {_mm512_alignr_epi8(_mm512_alignr_epi32(after.v, at.v, 4), at.v, k)};
    }
    static V KeepFourthBytes(V a, const uint8_t* own) {
        return {_mm512_mask_blend_epi8(0x8888888888888888ull, a.v, Load(own).v)};
    }
    // Reads a whole vector, 16 bytes past the pixels' 48, into the 6 pixels
    // that follow: a load masked to the 48 bytes made the loops that use it
    // more than twice as slow on AMD processors.
    static constexpr int32_t kBgrPixelsPast = 6;
    static V BgrWords(const uint8_t* bgr) {
        // Twelve dwords, three to each 128-bit quarter for the byte shuffle.
        const __m512i v = _mm512_permutexvar_epi32(_mm512_setr_epi32(0, 1, 2, 2, 3, 4, 5, 5, 6, 7, 8, 8, 9, 10, 11, 11),
                                                   _mm512_loadu_si512(bgr));
        const __m512i spread =
            _mm512_broadcast_i32x4(_mm_set_epi8(-1, 11, 10, 9, -1, 8, 7, 6, -1, 5, 4, 3, -1, 2, 1, 0));
        return {_mm512_shuffle_epi8(v, spread)};
    }
    static V WidenBytes(const uint8_t* p) {
        return {_mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)))};
    }
    static void StoreNarrowed(uint8_t* p, V lanes) {
        const __m512i nonNegative = _mm512_max_epi32(lanes.v, _mm512_setzero_si512());
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm512_cvtusepi32_epi8(nonNegative));
    }
    static V PermuteWords(V lanes, V index) { return {_mm512_permutexvar_epi32(index.v, lanes.v)}; }
    template <int kBytes>
    static V LowByteSums(V words) {
        const int32_t ones = kBytes == 3 ? 0x00010101 : 0x00000101;
        const __m512i pairs = _mm512_maddubs_epi16(words.v, _mm512_set1_epi32(ones));
        return {_mm512_madd_epi16(pairs, _mm512_set1_epi16(1))};
    }
    static V Truncated(V floats) { return {_mm512_cvttps_epi32(_mm512_castsi512_ps(floats.v))}; }
    static V ClampedToBytes(V lanes) {
        return {_mm512_max_epi32(_mm512_min_epi32(lanes.v, _mm512_set1_epi32(255)), _mm512_setzero_si512())};
    }
    static bool NoZeroWord(V lanes) { return _mm512_test_epi32_mask(lanes.v, lanes.v) == 0xFFFF; }
};

}  // namespace byte_lanes_avx512
KAF_TARGET_END()
#endif
