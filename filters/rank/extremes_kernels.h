// Minimum, maximum and extreme of the neighbourhood, by separable running
// extremes. Kernel source: included once per instruction set by the
// kernels_*.cpp files, inside the namespace RANK_KERNELS.
//
// The selection over a (2r + 1)-square is done as a row pass and a column
// pass. The row pass picks, for every pixel of an input row, the best pixel of
// the 2r + 1 columns around it; the column pass picks the best of those row
// results over the 2r + 1 rows around the output row. Neither pass costs more
// when r grows:
//  - the row pass doubles its span (best of 2, of 4, of 8, ... neighbours,
//    then two overlapping spans cover the 2r + 1), so r = 10 takes five
//    vectorised passes over the row; r = 1 takes one;
//  - the column pass is van Herk / Gil-Werman: rows are grouped into blocks
//    of 2r + 1; a window is the suffix of one block plus the prefix of the
//    next, kept as suffix rows built backwards once per block and one running
//    prefix row; three row operations per output row. For r <= 1 the three
//    rows themselves are cheaper, picked as the output row is written.
//
// Colour pixels compare by brightness and the first pixel in row-major order
// wins ties. Both passes keep that rule without carrying positions: every
// combination takes two candidates whose pixels all lie in order (the left
// span before the right one, the upper rows before the lower ones) and lets
// the later one win only when it is strictly better. For the row pass that
// holds even with overlapping spans: on a tie the left span's winner lies no
// further right than the right span's. The row pass must come first, since
// a column holds pixels of many rows, which are not in scan order as a whole.
//
// Borders: the row pass works on the row with r neutral keys on each side
// that never win, and the column pass leaves rows outside the frame out of
// its blocks, so every window is exactly the neighbourhood cut at the borders.
namespace rank {
namespace RANK_KERNELS {
namespace {

// ---- orders ---------------------------------------------------------------
// An order turns input pixels into keys and picks the better of an earlier
// and a later key. A smaller key is better in every order.

// 8 bits per pixel: the byte is the key, the smaller the better...
struct DarkestByte {
    using Key = uint8_t;
    static constexpr Key kNeutral = 255;
    static Key Pick(Key earlier, Key later) { return later < earlier ? later : earlier; }
};

// ...or the larger the better.
struct BrightestByte {
    using Key = uint8_t;
    static constexpr Key kNeutral = 0;
    static Key Pick(Key earlier, Key later) { return later > earlier ? later : earlier; }
};

// Colour pixels: a 32-bit key holds a rank in its high half and the green and
// blue bytes below; red is brightness - blue - green. Only the rank decides,
// so a later key replaces an earlier one when it is below the earlier key
// with its colour bits cleared. The darkest order ranks by brightness, the
// brightest by its negation: the key is then the colour bits less
// brightness x 65536, as cheap to make and to read back as the other.
constexpr int32_t kRankMask = ~int32_t(0xFFFF);

template <int32_t kRankStep>
struct PixelOrder {
    using Key = int32_t;
    static constexpr Key kNeutral = INT32_MAX;  // rank 0x7FFF: worse than any pixel
    // Written as a mask rather than a branch: where the compiler leaves the
    // pick scalar (3-byte pixels) a branch on random brightness mispredicts.
    static Key Pick(Key earlier, Key later) {
        const Key takeLater = -static_cast<Key>(later < (earlier & kRankMask));
        return earlier ^ ((earlier ^ later) & takeLater);
    }
    static constexpr int32_t kStep = kRankStep;
    // `colours` is green x 256 + blue. Written for scalars and vector lanes.
    template <class T>
    static constexpr T KeyOf(T brightness, T colours) {
        if constexpr (kRankStep == 1) return (brightness << 16) | colours;
        return colours - (brightness << 16);
    }
    template <class T>
    static constexpr T Brightness(T key) {
        if constexpr (kRankStep == 1) return key >> 16;
        return -(key >> 16);
    }
};

using DarkestPixel = PixelOrder<1>;     // rank = brightness
using BrightestPixel = PixelOrder<-1>;  // rank = -brightness

template <class Format>
struct OrdersOf {
    using Darkest = DarkestPixel;
    using Brightest = BrightestPixel;
};
template <>
struct OrdersOf<Gray8> {
    using Darkest = DarkestByte;
    using Brightest = BrightestByte;
};

// A 32-bit pixel read as one little-endian word: blue in the low byte.
inline uint32_t LoadPixel(const uint8_t* p) {
    uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// The key of pixel x of an input row.
template <class Format, class Order>
typename Order::Key KeyOf(const uint8_t* row, int32_t x) {
    if constexpr (Format::kChannels == 1) {
        return row[x];
    } else if constexpr (Format::kBytesPerPixel == 4) {
        const uint32_t p = LoadPixel(row + 4 * x);
        const int32_t brightness = static_cast<int32_t>((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF));
        return Order::KeyOf(brightness, static_cast<int32_t>(p & 0xFFFF));
    } else {
        const uint8_t* p = row + 3 * x;
        return Order::KeyOf(p[0] + p[1] + p[2], (p[1] << 8) | p[0]);
    }
}

#if defined(RANK_KERNELS_AVX2) || defined(RANK_KERNELS_AVX512)
#define RANK_KERNELS_KEY_LANES 1
// Colour pixels a vector at a time, in the AVX2 and AVX-512 kernels: pixels
// as words (blue, green, red in the low three bytes), their keys made as
// KeyOf makes them, and Pick, lane by lane. A vector of keys is a vector of
// 32-bit integers whose arithmetic the compiler's vector operators spell for
// either width; KeyLanes holds the loads, stores, shuffles and picks, which
// differ between the two.

#if defined(RANK_KERNELS_AVX512)
using ByteLanes = byte_lanes_avx512::ByteLanes;
#else
using ByteLanes = byte_lanes_avx2::ByteLanes;
#endif

#if defined(RANK_KERNELS_AVX512)
struct KeyLanes {
    static constexpr int32_t kLanes = 16;
    typedef int32_t V __attribute__((vector_size(64)));
    static V Load(const int32_t* keys) { return V(_mm512_loadu_si512(keys)); }
    static void Store(int32_t* keys, V v) { _mm512_storeu_si512(keys, __m512i(v)); }
    static V LoadWords(const uint8_t* in) { return V(_mm512_loadu_si512(in)); }
    static void StoreWords(uint8_t* out, V v) { _mm512_storeu_si512(out, __m512i(v)); }

    // The later key where its rank is below the earlier key's.
    static V PickKeys(V earlier, V later) {
        const __mmask16 takeLater = _mm512_cmplt_epi32_mask(__m512i(later), __m512i(earlier & kRankMask));
        return V(_mm512_mask_blend_epi32(takeLater, __m512i(earlier), __m512i(later)));
    }

    // Keys x - 1 .. and x + 1 .. of the vector at x, from its neighbours.
    static V Earlier(V before, V at) { return V(_mm512_alignr_epi32(__m512i(at), __m512i(before), 15)); }
    static V Later(V at, V after) { return V(_mm512_alignr_epi32(__m512i(after), __m512i(at), 1)); }

    // Bytes 0 + 1 (+ 2 when kBytes is 3) of every lane.
    template <int kBytes>
    static V ByteSums(V words) { return V(ByteLanes::LowByteSums<kBytes>({__m512i(words)}).v); }

    // Each 128-bit quarter: four words back to the 12 bytes of four 3-byte
    // pixels.
    static __m512i PackBgr() {
        return _mm512_broadcast_i32x4(_mm_set_epi8(-1, -1, -1, -1, 14, 13, 12, 10, 9, 8, 6, 5, 4, 2, 1, 0));
    }
    // Stores the low three bytes of sixteen words as sixteen 3-byte pixels,
    // the quarters' 12 bytes brought together and stored at once; writes 16
    // bytes past them (what the pixels after them are written over with
    // later).
    static constexpr int32_t kBgrBytesPast = 16;
    static void StoreBgrWords(uint8_t* out, V words) {
        const __m512i packed = _mm512_shuffle_epi8(__m512i(words), PackBgr());
        const __m512i together = _mm512_permutexvar_epi32(
            _mm512_set_epi32(15, 15, 15, 15, 14, 13, 12, 10, 9, 8, 6, 5, 4, 2, 1, 0), packed);
        _mm512_storeu_si512(out, together);
    }
};
#else
struct KeyLanes {
    static constexpr int32_t kLanes = 8;
    typedef int32_t V __attribute__((vector_size(32)));
    static V Load(const int32_t* keys) { return V(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(keys))); }
    static void Store(int32_t* keys, V v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(keys), __m256i(v)); }
    static V LoadWords(const uint8_t* in) { return V(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in))); }
    static void StoreWords(uint8_t* out, V v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), __m256i(v)); }

    // Ranks lie in -765 .. 0x7FFF, so a signed comparison of the high 16-bit
    // halves compares them, and its sign bit, the sign bit of the lane, is
    // what the float blend looks at.
    static V PickKeys(V earlier, V later) {
        const __m256i takeLater = _mm256_cmpgt_epi16(__m256i(earlier), __m256i(later));
        return V(_mm256_castps_si256(_mm256_blendv_ps(_mm256_castsi256_ps(__m256i(earlier)),
                                                      _mm256_castsi256_ps(__m256i(later)),
                                                      _mm256_castsi256_ps(takeLater))));
    }

    // Keys x - 1 .. and x + 1 .. of the vector at x, from its neighbours.
    static V Earlier(V before, V at) {
        return V(ByteLanes::Earlier<sizeof(int32_t)>({__m256i(before)}, {__m256i(at)}).v);
    }
    static V Later(V at, V after) { return V(ByteLanes::Later<sizeof(int32_t)>({__m256i(at)}, {__m256i(after)}).v); }

    template <int kBytes>
    static V ByteSums(V words) { return V(ByteLanes::LowByteSums<kBytes>({__m256i(words)}).v); }

    // Each 128-bit half: four words back to the 12 bytes of four 3-byte
    // pixels.
    static __m256i PackBgr() {
        return _mm256_set_epi8(-1, -1, -1, -1, 14, 13, 12, 10, 9, 8, 6, 5, 4, 2, 1, 0,  //
                               -1, -1, -1, -1, 14, 13, 12, 10, 9, 8, 6, 5, 4, 2, 1, 0);
    }
    // Stores the low three bytes of eight words as eight 3-byte pixels;
    // writes 4 bytes past them (what the pixels after them are written over
    // with later).
    static constexpr int32_t kBgrBytesPast = 4;
    static void StoreBgrWords(uint8_t* out, V words) {
        const __m256i packed = _mm256_shuffle_epi8(__m256i(words), PackBgr());
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(packed));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 12), _mm256_extracti128_si256(packed, 1));
    }
};
#endif

using KeyVector = KeyLanes::V;

// The brightness of the words of 4-byte pixels by shifts and masks (the
// byte at bits 8..15 or 16..23 of a lane, masked after the shift, is the
// same whatever the shift brings in at the top); for 3-byte pixels, which
// take more lane work to spread, by multiply-adds, which measured faster
// there and slower for 4-byte pixels.
template <class Order, int kBytesPerPixel = 4>
inline KeyVector KeysOfWords(KeyVector words) {
    if constexpr (kBytesPerPixel == 3) return Order::KeyOf(KeyLanes::ByteSums<3>(words), words & 0xFFFF);
    return Order::KeyOf((words & 0xFF) + ((words >> 8) & 0xFF) + ((words >> 16) & 0xFF), words & 0xFFFF);
}

// The pixels of keys as words: blue and green from the key, red from the
// brightness less those two, put in place of the rank. A darkest-first key
// less (blue + green) x 65536 is that word; a brightest-first key's rank is
// -brightness, so -red = rank + blue + green. For 3-byte pixels blue +
// green comes from multiply-adds, as in KeysOfWords.
template <class Order, int kBytesPerPixel = 4>
inline KeyVector WordsOfKeys(KeyVector keys) {
    KeyVector blueAndGreen;
    if constexpr (kBytesPerPixel == 3) {
        blueAndGreen = KeyLanes::ByteSums<2>(keys);
    } else {
        blueAndGreen = (keys & 0xFF) + ((keys >> 8) & 0xFF);
    }
    if constexpr (Order::kStep == 1) return keys - (blueAndGreen << 16);
    return (keys & 0xFFFF) - (((keys >> 16) + blueAndGreen) << 16);
}

// The keys of 3- or 4-byte pixels a vector at a time: fn(x, before, now,
// after) for the vectors now = keys x .. x + N - 1 whose next vector (after,
// and for 3-byte pixels the bytes read past it) lies within the `pixels`
// pixels; before is neutral for the first. Each key is made once, and a
// vector's neighbours are shifted in from before and after
// (KeyLanes::Earlier, Later). With kToLastVector, also the vectors after
// those that lie within the pixels, their after made one key at a time and
// neutral past the last pixel. Returns the first x not done.
template <class Format, class Order, bool kToLastVector = false, class Fn>
int32_t ForEachKeyVector(const uint8_t* __restrict in, int32_t pixels, Fn&& fn) {
    using L = KeyLanes;
    constexpr int kBytesPerPixel = Format::kBytesPerPixel;
    constexpr int32_t N = L::kLanes;
    constexpr int32_t kPast = kBytesPerPixel == 3 ? ByteLanes::kBgrPixelsPast : 0;
    auto keys = [&](int32_t x) {
        if constexpr (kBytesPerPixel == 3) {
            return KeysOfWords<Order, 3>(KeyVector(ByteLanes::BgrWords(in + 3 * x).v));
        } else {
            return KeysOfWords<Order>(L::LoadWords(in + 4 * x));
        }
    };
    if (pixels < 2 * N + kPast) return 0;
    KeyVector before = KeyVector{} + Order::kNeutral;
    KeyVector now = keys(0);
    int32_t x = 0;
    for (; x + 2 * N + kPast <= pixels; x += N) {
        const KeyVector after = keys(x + N);
        fn(x, before, now, after);
        before = now;
        now = after;
    }
    if constexpr (kToLastVector) {
        for (; x + N <= pixels; x += N) {
            KeyVector after = KeyVector{} + Order::kNeutral;
            for (int32_t i = 0; i < N && x + N + i < pixels; ++i) after[i] = KeyOf<Format, Order>(in, x + N + i);
            fn(x, before, now, after);
            before = now;
            now = after;
        }
    }
    return x;
}
#endif

// keys[x] = the key of pixel x, for x < count.
template <class Format, class Order>
void MakeKeys(const uint8_t* __restrict in, typename Order::Key* __restrict keys, int32_t count) {
    int32_t x = 0;
#if defined(RANK_KERNELS_KEY_LANES)
    if constexpr (Format::kBytesPerPixel == 3) {
        // A vector of pixels at a time while their bytes and those read past
        // them lie within the run's pixels.
        constexpr int32_t kLanes = KeyLanes::kLanes;
        for (; x + kLanes + ByteLanes::kBgrPixelsPast <= count; x += kLanes) {
            KeyLanes::Store(keys + x, KeysOfWords<Order, 3>(KeyVector(ByteLanes::BgrWords(in + 3 * x).v)));
        }
    } else if constexpr (Format::kBytesPerPixel == 4) {
        for (; x + KeyLanes::kLanes <= count; x += KeyLanes::kLanes) {
            KeyLanes::Store(keys + x, KeysOfWords<Order>(KeyLanes::LoadWords(in + 4 * x)));
        }
    }
#endif
    for (; x < count; ++x) keys[x] = KeyOf<Format, Order>(in, x);
}

// pairs[x] = the better of pixels x and x + 1, for x < count. Computing each
// key twice costs less than storing the keys and reading them back; with key
// vectors, 4-byte pixels make each key once.
template <class Format, class Order>
void PairKeys(const uint8_t* __restrict in, typename Order::Key* __restrict pairs, int32_t count) {
    int32_t x = 0;
#if defined(RANK_KERNELS_KEY_LANES)
    if constexpr (Format::kBytesPerPixel == 4) {
        // The pairs read pixels 0 .. count.
        x = ForEachKeyVector<Format, Order>(in, count + 1, [&](int32_t at, KeyVector, KeyVector now, KeyVector after) {
            KeyLanes::Store(pairs + at, KeyLanes::PickKeys(now, KeyLanes::Later(now, after)));
        });
    }
#endif
    for (; x < count; ++x) {
        pairs[x] = Order::Pick(KeyOf<Format, Order>(in, x), KeyOf<Format, Order>(in, x + 1));
    }
}

// dst[i] = Pick(earlier[i], later[i]).
template <class Order, class Key>
void PickRows(Key* __restrict dst, const Key* __restrict earlier, const Key* __restrict later, int32_t count) {
    int32_t i = 0;
#if defined(RANK_KERNELS_KEY_LANES)
    if constexpr (std::is_same_v<Key, int32_t>) {
        for (; i + KeyLanes::kLanes <= count; i += KeyLanes::kLanes) {
            KeyLanes::Store(dst + i, KeyLanes::PickKeys(KeyLanes::Load(earlier + i), KeyLanes::Load(later + i)));
        }
    }
#endif
    for (; i < count; ++i) dst[i] = Order::Pick(earlier[i], later[i]);
}

// dst[i] = the best of first[i], second[i], third[i], taken in that order.
template <class Order, class Key>
void PickRows(Key* __restrict dst, const Key* __restrict first, const Key* __restrict second,
              const Key* __restrict third, int32_t count) {
    int32_t i = 0;
#if defined(RANK_KERNELS_KEY_LANES)
    if constexpr (std::is_same_v<Key, int32_t>) {
        for (; i + KeyLanes::kLanes <= count; i += KeyLanes::kLanes) {
            const KeyVector firstTwo = KeyLanes::PickKeys(KeyLanes::Load(first + i), KeyLanes::Load(second + i));
            KeyLanes::Store(dst + i, KeyLanes::PickKeys(firstTwo, KeyLanes::Load(third + i)));
        }
    }
#endif
    for (; i < count; ++i) dst[i] = Order::Pick(Order::Pick(first[i], second[i]), third[i]);
}

// best[x] = the best of pixels x - 1, x and x + 1 (those in the row), for
// x = from .. width - 1: the row pass of r = 1 in one sweep.
template <class Format, class Order>
void PickThrees(const uint8_t* __restrict in, typename Order::Key* __restrict best, int32_t width, int32_t from = 0) {
    using Key = typename Order::Key;
    if (width == 1) {
        best[0] = KeyOf<Format, Order>(in, 0);
        return;
    }
    if (from == 0) best[0] = Order::Pick(KeyOf<Format, Order>(in, 0), KeyOf<Format, Order>(in, 1));
    for (int32_t x = std::max(from, 1); x + 1 < width; ++x) {
        const Key left = KeyOf<Format, Order>(in, x - 1);
        const Key centre = KeyOf<Format, Order>(in, x);
        const Key right = KeyOf<Format, Order>(in, x + 1);
        best[x] = Order::Pick(Order::Pick(left, centre), right);
    }
    best[width - 1] = Order::Pick(KeyOf<Format, Order>(in, width - 2), KeyOf<Format, Order>(in, width - 1));
}

#if defined(RANK_KERNELS_KEY_LANES)
// The doubling of the row pass for byte keys, in registers: from two vectors
// of a row of spans of kCovered keys (this vector's and the next), the spans
// of twice as many for this vector's lanes and, where the keys reach, the
// next's; then two overlapping spans make kSpan. An output lane only ever
// depends on lanes that are valid as long as kSpan <= kBytes + 1.
template <class Order, int kCovered, int kSpan>
inline ByteLanes::V BestOfSpan(ByteLanes::V now, ByteLanes::V after) {
    constexpr bool kDarkest = std::is_same_v<Order, DarkestByte>;
    auto pick = [](ByteLanes::V earlier, ByteLanes::V later) {
        return kDarkest ? ByteLanes::Min(earlier, later) : ByteLanes::Max(earlier, later);
    };
    if constexpr (2 * kCovered <= kSpan) {
        return BestOfSpan<Order, 2 * kCovered, kSpan>(pick(now, ByteLanes::Later<kCovered>(now, after)),
                                                       pick(after, ByteLanes::Later<kCovered>(after, after)));
    } else {
        return pick(now, ByteLanes::Later<kSpan - kCovered>(now, after));
    }
}

// dst[x] = the best of pairs[x], pairs[x + 1], ... spanning kSpan keys (each
// pair two of them), for the vectors of x that the pairs (pairCount of them)
// reach; returns the first x not done.
template <class Order, int kSpan>
int32_t BestOfPairsInLanes(const uint8_t* pairs, int32_t pairCount, int32_t count, uint8_t* __restrict dst) {
    constexpr int32_t L = ByteLanes::kBytes;
    static_assert(kSpan <= L + 1, "a span must lie within two vectors");
    int32_t x = 0;
    for (; x + L <= count && x + 2 * L <= pairCount; x += L) {
        ByteLanes::Store(dst + x, BestOfSpan<Order, 2, kSpan>(ByteLanes::Load(pairs + x), ByteLanes::Load(pairs + x + L)));
    }
    return x;
}

template <class Order>
int32_t BestOfPairsInLanes(int32_t radius, const uint8_t* pairs, int32_t pairCount, int32_t count, uint8_t* dst) {
    switch (radius) {
    case 2: return BestOfPairsInLanes<Order, 5>(pairs, pairCount, count, dst);
    case 3: return BestOfPairsInLanes<Order, 7>(pairs, pairCount, count, dst);
    case 4: return BestOfPairsInLanes<Order, 9>(pairs, pairCount, count, dst);
    case 5: return BestOfPairsInLanes<Order, 11>(pairs, pairCount, count, dst);
    case 6: return BestOfPairsInLanes<Order, 13>(pairs, pairCount, count, dst);
    case 7: return BestOfPairsInLanes<Order, 15>(pairs, pairCount, count, dst);
    case 8: return BestOfPairsInLanes<Order, 17>(pairs, pairCount, count, dst);
    case 9: return BestOfPairsInLanes<Order, 19>(pairs, pairCount, count, dst);
    case 10: return BestOfPairsInLanes<Order, 21>(pairs, pairCount, count, dst);
    default: return 0;
    }
}
#endif

// ---- the row pass -----------------------------------------------------------
template <class Format, class OrderType>
class RowPass {
public:
    using Order = OrderType;
    using Key = typename Order::Key;

    RowPass(const PixelPlane& input, int32_t radius) : input_(input), radius_(radius) {}

    void Layout(ScratchCarver& carver) {
        const size_t piece = PieceWidth();
        const size_t padded = piece + 2 * static_cast<size_t>(radius_);
        if (kKeysFirst && radius_ > 0) padded_ = carver.Take<Key>(padded);
        if (radius_ < 2) return;
        doubled_[0] = carver.Take<Key>(padded);
        doubled_[1] = carver.Take<Key>(padded);
    }

    // dst[x] = the best of columns x - r .. x + r of input row j.
    void operator()(int32_t j, Key* __restrict dst) {
        const uint8_t* in = input_.Row(j);
        const int32_t r = radius_, w = input_.width;
        // Rows come in frame order.
        if (j + 2 < input_.height) PrefetchRow(input_.Row(j + 2), static_cast<size_t>(w) * Format::kBytesPerPixel);
        if (r == 0) {
            MakeKeys<Format, Order>(in, dst, w);
            return;
        }
        if (kPicksThreesInLanes && r == 1) {
            int32_t done = 0;
#if defined(RANK_KERNELS_KEY_LANES)
            if constexpr (Format::kChannels == 3) {
                // The three picks in registers, a vector of keys at a time.
                auto pickThrees = [&](int32_t x, KeyVector before, KeyVector now, KeyVector after) {
                    using L = KeyLanes;
                    L::Store(dst + x, L::PickKeys(L::PickKeys(L::Earlier(before, now), now), L::Later(now, after)));
                };
                done = ForEachKeyVector<Format, Order, true>(in, w, pickThrees);
            }
#endif
            PickThrees<Format, Order>(in, dst, w, done);
            return;
        }
        const int32_t piece = PieceWidth();
        for (int32_t x0 = 0; x0 < w; x0 += piece) Piece(in, x0, std::min(piece, w - x0), dst + x0);
    }

private:
    // Keys of 1- and 4-byte pixels are cheap to make where they are needed,
    // and making them there saves a pass; 3-byte pixels straddle words and
    // do not vectorise, so their keys are made once into a row of their own.
    static constexpr bool kKeysFirst = Format::kBytesPerPixel == 3;
    // At r = 1 the three picks go straight from the pixels, in registers
    // where keys are made in lanes, 3-byte pixels too (10 to 15 % faster
    // than through a row of keys).
#if defined(RANK_KERNELS_KEY_LANES)
    static constexpr bool kPicksThreesInLanes = true;
#else
    static constexpr bool kPicksThreesInLanes = !kKeysFirst;
#endif

    // Rows of colour keys are done in pieces of 512 pixels, each with the r
    // pixels either side, so that the working rows stay small (measured at
    // 2048 pixels a row: 5 to 10 % less time with 3-byte pixels, up to 5 %
    // with 4-byte ones); rows of byte keys are four times smaller already
    // and gain nothing by it.
    int32_t PieceWidth() const { return sizeof(Key) == 1 ? input_.width : std::min(input_.width, 512); }

    // dst[i] = the best of columns x0 + i - r .. x0 + i + r, i < count. The
    // piece is padded with neutral keys where its 2r extra columns leave the
    // row: padded key i is the key of pixel x0 - r + i or neutral.
    void Piece(const uint8_t* in, int32_t x0, int32_t count, Key* __restrict dst) {
        const int32_t r = radius_, w = input_.width;
        const int32_t length = count + 2 * r;
        const int32_t first = std::max(0, x0 - r), inside = std::min(w, x0 + count + r) - first;
        const int32_t lead = first - (x0 - r);
        const uint8_t* pixels = in + static_cast<size_t>(first) * Format::kBytesPerPixel;
        // pairs[i] = the better of padded keys i and i + 1.
        Key* __restrict pairs = doubled_[0];
        if (kKeysFirst) {
            Key* __restrict padded = padded_;
            std::fill(padded, padded + lead, Order::kNeutral);
            MakeKeys<Format, Order>(pixels, padded + lead, inside);
            std::fill(padded + lead + inside, padded + length, Order::kNeutral);
            if (r == 1) {
                PickRows<Order>(dst, padded, padded + 1, padded + 2, count);
                return;
            }
            PickRows<Order>(pairs, padded, padded + 1, length - 1);
        } else {
            // A key beside a neutral one is itself.
            const int32_t tail = lead + inside - 1;  // the pair of the last pixel and the one after it
            if (lead > 0) {
                std::fill(pairs, pairs + lead - 1, Order::kNeutral);
                pairs[lead - 1] = KeyOf<Format, Order>(pixels, 0);
            }
            PairKeys<Format, Order>(pixels, pairs + lead, inside - 1);
            if (tail < length - 1) {
                pairs[tail] = KeyOf<Format, Order>(pixels, inside - 1);
                std::fill(pairs + tail + 1, pairs + length - 1, Order::kNeutral);
            }
        }
        Double(pairs, length, count, dst);
    }

    // From pairs[i], the better of padded keys i and i + 1 (length - 1 of
    // them), dst[x] = the best of padded keys x .. x + 2r, x < count.
    void Double(const Key* pairs, int32_t length, int32_t count, Key* __restrict dst) {
#if defined(RANK_KERNELS_KEY_LANES)
        if constexpr (sizeof(Key) == 1) {
            // Byte keys go through the doublings in registers, a vector at a
            // time; the rest of the row below.
            const int32_t done = BestOfPairsInLanes<Order>(radius_, pairs, length - 1, count, dst);
            pairs += done;
            length -= done;
            count -= done;
            dst += done;
            if (count == 0) return;
        }
#endif
        const int32_t span = 2 * radius_ + 1;
        const Key* src = pairs;
        int32_t covered = 2;  // src[i] is the best of padded keys i .. i + covered - 1
        for (int turn = 1; 2 * covered <= span; ++turn) {
            Key* __restrict next = doubled_[turn & 1];
            PickRows<Order>(next, src, src + covered, length - 2 * covered + 1);
            src = next;
            covered *= 2;
        }
        // Two spans of `covered` starting at x and x + 2r + 1 - covered.
        PickRows<Order>(dst, src, src + (span - covered), count);
    }

    const PixelPlane& input_;
    const int32_t radius_;
    Key* padded_ = nullptr;
    Key* doubled_[2] = {};
};

// The selection of an output row: the best of three rows of row-pass results,
// taken in row order (rows may repeat).
template <class Key>
struct Selection {
    const Key* first = nullptr;
    const Key* second = nullptr;
    const Key* third = nullptr;
};

// ---- the column pass for r = 0 and 1: the rows themselves ----------------------
// Keeps the row-pass results of the last three rows, by row number modulo 3.
template <class Format, class OrderType>
class AdjacentRows {
public:
    using Order = OrderType;
    using Key = typename Order::Key;

    AdjacentRows(const PixelPlane& input, int32_t radius)
        : rowPass_(input, radius), width_(input.width), height_(input.height), radius_(radius) {}

    void Layout(ScratchCarver& carver) {
        rowPass_.Layout(carver);
        for (Key*& row : rows_) row = carver.Take<Key>(static_cast<size_t>(width_));
    }

    void Begin(int32_t y0) {
        if (radius_ == 0) return;
        if (y0 > 0) rowPass_(y0 - 1, Row(y0 - 1));
        rowPass_(y0, Row(y0));
    }

    Selection<Key> Next(int32_t y) {
        if (radius_ == 0) {
            rowPass_(y, rows_[0]);
            return {rows_[0], rows_[0], rows_[0]};
        }
        if (y + 1 < height_) rowPass_(y + 1, Row(y + 1));
        const Key* at = Row(y);
        return {y > 0 ? Row(y - 1) : at, at, y + 1 < height_ ? Row(y + 1) : at};
    }

private:
    Key* Row(int32_t y) const { return rows_[y % 3]; }

    RowPass<Format, Order> rowPass_;
    const int32_t width_;
    const int32_t height_;
    const int32_t radius_;
    Key* rows_[3] = {};
};

// ---- the column pass for r >= 2: van Herk / Gil-Werman ----------------------------
template <class Format, class OrderType>
class RunningExtremes {
public:
    using Order = OrderType;
    using Key = typename Order::Key;

    RunningExtremes(const PixelPlane& input, int32_t radius)
        : rowPass_(input, radius), width_(input.width), height_(input.height), radius_(radius),
          span_(2 * radius + 1) {}

    // Carves (or, with a counting carver, measures) the working rows.
    void Layout(ScratchCarver& carver) {
        const size_t w = static_cast<size_t>(width_);
        rowPass_.Layout(carver);
        suffix_ = carver.Take<Key>(w * span_);
        store_ = carver.Take<Key>(w * span_);
        running_[0] = carver.Take<Key>(w);
        running_[1] = carver.Take<Key>(w);
    }

    // Prepares the column pass for output rows y0, y0 + 1, ... In the padded
    // row index p = j + r the window of output row y is p = y .. y + 2r, and
    // the blocks are p = bk .. bk + 2r; input rows exist for p = r .. H + r - 1.
    void Begin(int32_t y0) {
        blockStart_ = y0 - y0 % span_;
        const int32_t first = std::max(y0, radius_);
        const int32_t last = std::min(blockStart_ + span_ - 1, LastP());
        for (int32_t p = first; p < last; ++p) rowPass_(p - radius_, Store(p - blockStart_));
        rowPass_(last - radius_, Suffix(last - blockStart_));
        BuildSuffix(first - blockStart_, last - blockStart_);
        runningRow_ = nullptr;
        const int32_t caughtUp = std::min(y0 + span_ - 2, LastP());
        for (int32_t p = blockStart_ + span_; p <= caughtUp; ++p) AddToRunning(p);
    }

    // The selection of output row y: the block's suffix and the next block's
    // running prefix (the suffix alone when the window is one whole block).
    // Rows must come in increasing order from y0.
    Selection<Key> Next(int32_t y) {
        if (y == blockStart_ + span_) {
            // Into the next block: its rows but the last are in the store already.
            blockStart_ += span_;
            const int32_t last = std::min(blockStart_ + span_ - 1, LastP());
            if (last == blockStart_ + span_ - 1) {
                rowPass_(last - radius_, Suffix(span_ - 1));
            } else {
                std::memcpy(Suffix(last - blockStart_), Store(last - blockStart_), RowBytes());
            }
            BuildSuffix(0, last - blockStart_);
            runningRow_ = nullptr;
        } else if (y > blockStart_) {
            const int32_t p = y + span_ - 1;
            if (p <= LastP()) AddToRunning(p);
        }
        const Key* suffix = Suffix(std::max(y, radius_) - blockStart_);
        const Key* running = runningRow_ ? runningRow_ : suffix;
        return {suffix, running, running};
    }

private:
    int32_t LastP() const { return height_ + radius_ - 1; }
    size_t RowBytes() const { return sizeof(Key) * static_cast<size_t>(width_); }
    Key* Store(int32_t i) const { return store_ + static_cast<size_t>(i) * width_; }
    Key* Suffix(int32_t i) const { return suffix_ + static_cast<size_t>(i) * width_; }

    // suffix[i] = best of store rows i .. last, for i = first .. last; the
    // suffix row `last` is the last row itself, already in place.
    void BuildSuffix(int32_t first, int32_t last) {
        for (int32_t i = last - 1; i >= first; --i) PickRows<Order>(Suffix(i), Store(i), Suffix(i + 1), width_);
    }

    // Row p of the next block joins its running prefix.
    void AddToRunning(int32_t p) {
        Key* row = Store(p - blockStart_ - span_);
        rowPass_(p - radius_, row);
        if (!runningRow_) {
            runningRow_ = row;
            return;
        }
        Key* next = runningRow_ == running_[0] ? running_[1] : running_[0];
        PickRows<Order>(next, runningRow_, row, width_);
        runningRow_ = next;
    }

    RowPass<Format, Order> rowPass_;
    const int32_t width_;
    const int32_t height_;
    const int32_t radius_;
    const int32_t span_;

    Key* suffix_ = nullptr;   // span rows: suffixes of the current block
    Key* store_ = nullptr;    // span rows: row-pass results of the next block
    Key* running_[2] = {};    // prefix of the next block (two, to avoid writing over the operand)
    const Key* runningRow_ = nullptr;  // the running prefix, null while empty
    int32_t blockStart_ = 0;
};

// ---- the blend and the output row ----------------------------------------------

// t = 1: the selected value itself (i * 0 + s * 1 is exactly s).
struct TakeSelected {
    uint8_t operator()(int32_t, int32_t selected) const { return static_cast<uint8_t>(selected); }
};

// i * (1 - t) + s * t in single precision, 1 - t formed in single precision,
// truncated toward zero.
struct BlendSelected {
    float intensity;
    float keep;
    uint8_t operator()(int32_t in, int32_t selected) const {
        const float kept = static_cast<float>(in) * keep;
        const float taken = static_cast<float>(selected) * intensity;
        return TruncateToByte(kept + taken);
    }
};

// The choice of "extreme": the darkest when it is strictly further from the
// pixel's own brightness than the brightest, otherwise the brightest.
inline bool DarkestIsFurther(int32_t own, int32_t darkest, int32_t brightest) {
    return own - darkest > brightest - own;
}

// Output row: the last pick of the column pass (of the darkest and/or the
// brightest selection, as the method needs), the choice of "extreme", the
// blend, and the fourth byte.
template <class Format, ExtremeSelection kSelection, class Mix>
void FinishRow(const uint8_t* __restrict in, uint8_t* __restrict out,
               const typename OrdersOf<Format>::Darkest::Key* __restrict dark0,
               const typename OrdersOf<Format>::Darkest::Key* __restrict dark1,
               const typename OrdersOf<Format>::Darkest::Key* __restrict dark2,
               const typename OrdersOf<Format>::Brightest::Key* __restrict bright0,
               const typename OrdersOf<Format>::Brightest::Key* __restrict bright1,
               const typename OrdersOf<Format>::Brightest::Key* __restrict bright2, int32_t width,
               const Mix& mix) {
    using Dark = typename OrdersOf<Format>::Darkest;
    using Bright = typename OrdersOf<Format>::Brightest;
    constexpr bool kDark = kSelection != ExtremeSelection::Brightest;
    constexpr bool kBright = kSelection != ExtremeSelection::Darkest;
    int32_t x = 0;
#if defined(RANK_KERNELS_KEY_LANES)
    if constexpr (Format::kChannels == 3 && kSelection != ExtremeSelection::Further &&
                  std::is_same_v<Mix, TakeSelected>) {
        // The selected pixels themselves, a vector at a time (3-byte pixels:
        // while the bytes written past them lie within the row's pixels).
        using Order = std::conditional_t<kDark, Dark, Bright>;
        using L = KeyLanes;
        const int32_t* rows[3] = {kDark ? dark0 : bright0, kDark ? dark1 : bright1, kDark ? dark2 : bright2};
        constexpr int32_t kAhead = Format::kBytesPerPixel == 3 ? L::kLanes + (L::kBgrBytesPast + 2) / 3 : L::kLanes;
        // The running extremes repeat their second row: picking it again
        // changes nothing.
        const bool third = rows[2] != rows[1];
        for (; x + kAhead <= width; x += L::kLanes) {
            KeyVector key = L::PickKeys(L::Load(rows[0] + x), L::Load(rows[1] + x));
            if (third) key = L::PickKeys(key, L::Load(rows[2] + x));
            const KeyVector words = WordsOfKeys<Order, Format::kBytesPerPixel>(key);
            if constexpr (Format::kBytesPerPixel == 3) {
                L::StoreBgrWords(out + 3 * x, words);
            } else {
                // With 1 in the fourth byte, as the scalar loop writes it.
                L::StoreWords(out + 4 * x, words | (1 << 24));
            }
        }
    }
#endif
    for (; x < width; ++x) {
        typename Dark::Key darkest{};
        typename Bright::Key brightest{};
        if constexpr (kDark) darkest = Dark::Pick(Dark::Pick(dark0[x], dark1[x]), dark2[x]);
        if constexpr (kBright) brightest = Bright::Pick(Bright::Pick(bright0[x], bright1[x]), bright2[x]);
        if constexpr (Format::kChannels == 1) {
            const uint8_t own = in[x];
            uint8_t selected;
            if constexpr (!kBright) {
                selected = darkest;
            } else if constexpr (!kDark) {
                selected = brightest;
            } else {
                // The pixel lies in its own window, so neither distance is negative.
                const uint8_t below = static_cast<uint8_t>(own - darkest);
                const uint8_t above = static_cast<uint8_t>(brightest - own);
                selected = below > above ? darkest : brightest;
            }
            out[x] = mix(own, selected);
        } else {
            // The input pixel's channels.
            const uint8_t* p = in + Format::kBytesPerPixel * x;
            int32_t own0, own1, own2;
            if constexpr (Format::kBytesPerPixel == 4) {
                const uint32_t word = LoadPixel(p);
                own0 = word & 0xFF;
                own1 = (word >> 8) & 0xFF;
                own2 = (word >> 16) & 0xFF;
            } else {
                own0 = p[0];
                own1 = p[1];
                own2 = p[2];
            }
            int32_t key;
            int32_t brightness;
            if constexpr (!kBright) {
                key = darkest;
                brightness = Dark::Brightness(key);
            } else if constexpr (!kDark) {
                key = brightest;
                brightness = Bright::Brightness(key);
            } else {
                const int32_t dark = Dark::Brightness(darkest);
                const int32_t bright = Bright::Brightness(brightest);
                const bool takeDark = DarkestIsFurther(own0 + own1 + own2, dark, bright);
                key = takeDark ? darkest : brightest;
                brightness = takeDark ? dark : bright;
            }
            const int32_t blue = key & 0xFF;
            const int32_t green = (key >> 8) & 0xFF;
            const int32_t red = brightness - blue - green;
            if constexpr (Format::kBytesPerPixel == 4) {
                // Written as one word, with 1 in the fourth byte.
                const uint32_t word = mix(own0, blue) | mix(own1, green) << 8 | uint32_t(mix(own2, red)) << 16 |
                                      uint32_t(1) << 24;
                std::memcpy(out + 4 * x, &word, sizeof word);
            } else {
                out[3 * x] = mix(own0, blue);
                out[3 * x + 1] = mix(own1, green);
                out[3 * x + 2] = mix(own2, red);
            }
        }
    }
}

// t = 0: the input pixel itself (i * 1 + s * 0 is exactly i), whatever the
// neighbourhood holds.
template <class Format>
void KeepInput(const PixelPlane& input, const PixelPlane& output) {
    const int32_t width = input.width;
    ParallelRowBlocks(input.height, 16, [&](int32_t y0, int32_t y1) {
        for (int32_t y = y0; y < y1; ++y) {
            const uint8_t* in = input.Row(y);
            uint8_t* out = output.Row(y);
            std::memcpy(out, in, static_cast<size_t>(width) * Format::kBytesPerPixel);
            if constexpr (Format::kHasFourthByte) {
                for (int32_t x = 0; x < width; ++x) out[4 * x + 3] = 1;
            }
        }
    });
}

// The darkest and/or brightest selections of one strip, with the column pass
// ColumnPass (AdjacentRows or RunningExtremes).
template <class Format, ExtremeSelection kSelection, template <class, class> class ColumnPass>
struct ExtremeEngine {
    using Dark = ColumnPass<Format, typename OrdersOf<Format>::Darkest>;
    using Bright = ColumnPass<Format, typename OrdersOf<Format>::Brightest>;
    static constexpr bool kDark = kSelection != ExtremeSelection::Brightest;
    static constexpr bool kBright = kSelection != ExtremeSelection::Darkest;

    ExtremeEngine(const PixelPlane& input, int32_t radius) : dark(input, radius), bright(input, radius) {}

    void Layout(ScratchCarver& carver) {
        if constexpr (kDark) dark.Layout(carver);
        if constexpr (kBright) bright.Layout(carver);
    }

    template <class Mix>
    static bool Run(const PixelPlane& input, const PixelPlane& output, int32_t radius, const Mix& mix,
                    ThreadScratch& scratch) {
        // A single selection of bytes taken as it is is the output row itself.
        constexpr bool kPickIntoOutput = Format::kChannels == 1 && kSelection != ExtremeSelection::Further &&
                                         std::is_same_v<Mix, TakeSelected>;
        const int32_t width = input.width;
        const int32_t threads = RowBlockCount(input.height);
        {
            ExtremeEngine counted(input, radius);
            ScratchCarver counter;
            counted.Layout(counter);
            if (!scratch.Reserve(counter.Used(), threads)) return false;
        }
        const int32_t blockRows = RankBlockRows(input.height, threads, radius);
        ParallelRowBlocks(input.height, threads, blockRows, [&](int32_t thread, int32_t y0, int32_t y1) {
            ExtremeEngine engine(input, radius);
            ScratchCarver carver(scratch.Area(thread));
            engine.Layout(carver);
            if constexpr (kDark) engine.dark.Begin(y0);
            if constexpr (kBright) engine.bright.Begin(y0);
            Selection<typename Dark::Key> d;
            Selection<typename Bright::Key> b;
            for (int32_t y = y0; y < y1; ++y) {
                if constexpr (kDark) d = engine.dark.Next(y);
                if constexpr (kBright) b = engine.bright.Next(y);
                if constexpr (kPickIntoOutput && kDark) {
                    PickRows<typename Dark::Order>(output.Row(y), d.first, d.second, d.third, width);
                } else if constexpr (kPickIntoOutput) {
                    PickRows<typename Bright::Order>(output.Row(y), b.first, b.second, b.third, width);
                } else {
                    FinishRow<Format, kSelection>(input.Row(y), output.Row(y), d.first, d.second, d.third, b.first,
                                                  b.second, b.third, width, mix);
                }
            }
        });
        return true;
    }

    Dark dark;
    Bright bright;
};

template <class Format, ExtremeSelection kSelection, class Mix>
bool SelectAndMix(const PixelPlane& input, const PixelPlane& output, int32_t radius, const Mix& mix,
                  ThreadScratch& scratch) {
    if (radius <= 1) return ExtremeEngine<Format, kSelection, AdjacentRows>::Run(input, output, radius, mix, scratch);
    return ExtremeEngine<Format, kSelection, RunningExtremes>::Run(input, output, radius, mix, scratch);
}

template <class Format, ExtremeSelection kSelection>
bool SelectAndBlend(const PixelPlane& input, const PixelPlane& output, int32_t radius, float intensity,
                    ThreadScratch& scratch) {
    if (intensity == 0.0f) {
        KeepInput<Format>(input, output);
        return true;
    }
    if (intensity == 1.0f) return SelectAndMix<Format, kSelection>(input, output, radius, TakeSelected{}, scratch);
    return SelectAndMix<Format, kSelection>(input, output, radius, BlendSelected{intensity, 1.0f - intensity},
                                            scratch);
}

}  // namespace

bool SelectExtremes(ExtremeSelection selection, const PixelPlane& input, const PixelPlane& output, int32_t radius,
                    float intensity, ThreadScratch& scratch) {
    if (input.width < 1 || input.height < 1) return true;
    bool ok = true;
    DispatchByDepth(input.bitsPerPixel, [&](auto format) {
        using Format = decltype(format);
        switch (selection) {
        case ExtremeSelection::Darkest:
            ok = SelectAndBlend<Format, ExtremeSelection::Darkest>(input, output, radius, intensity, scratch);
            break;
        case ExtremeSelection::Brightest:
            ok = SelectAndBlend<Format, ExtremeSelection::Brightest>(input, output, radius, intensity, scratch);
            break;
        case ExtremeSelection::Further:
            ok = SelectAndBlend<Format, ExtremeSelection::Further>(input, output, radius, intensity, scratch);
            break;
        }
    });
    return ok;
}

}  // namespace RANK_KERNELS
}  // namespace rank
