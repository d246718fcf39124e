// The median engines. Kernel source: included once per instruction set by
// the kernels_*.cpp files, inside the namespace RANK_KERNELS.
//
// Every channel of output pixel (x, y) is the sample of rank half = n / 2
// (counted from 1 in ascending order) of the n pixels of its neighbourhood,
// the (2r + 1)-square cut at the frame's borders; when n is 1 there is no such
// sample and the output is 255. For a full 3 x 3 window that is the fourth
// smallest of nine, for a 2 x 2 corner the second smallest of four.
//
// Two algorithms give exactly that value:
//  - r = 1 on frames of at least 3 x 3: min/max networks over the window as
//    it is cut at the borders, run on every byte of a row at once (the
//    channels of a colour pixel are ranked independently, so a byte is a byte).
//  - otherwise: sliding histograms with one histogram per column (the
//    constant-time median). A column's histogram follows the window's rows
//    down the frame, one row in and one row out per output row; the window's
//    histogram is the sum of its columns' and slides along a row one column in
//    and one column out per output pixel. The counts are kept cumulative, in
//    16 segments of 16 values: the coarse counts say how many values lie in
//    segments 0 .. s, the fine counts of segment s how many lie in 16s .. 16s + j.
//    The rank search is then a comparison of 16 counters against half to find
//    the segment and 16 more to find the value, with no walk over the bins.
//    The window's fine counts of a segment are only brought up to date when a
//    search lands in that segment (neighbouring medians mostly share their
//    segment, so that is usually one column in and one out).
namespace rank {
namespace RANK_KERNELS {
namespace {

// ---- r = 1: min/max networks -----------------------------------------------------
//
// Each byte of a row is ranked on its own, so a row of any depth is a row of
// independent byte lanes whose horizontal neighbours lie kStep bytes away.
// The columns of the window are sorted first and shared by the three output
// pixels that see them; the rank then follows from the sorted columns by a
// few minima and maxima (checked on all 0/1 inputs, which is enough for a
// min/max network). With the window cut at the borders:
//  - 3 x 3, the fourth smallest of nine: with columns sorted into lows,
//    mids and highs, only L1, L2 (middle and largest low), M0, M1 (smallest
//    and middle mid) and H0 (smallest high) can be it, with L1 <= L2,
//    M0 <= M1, L1 <= M1, M0 <= H0, and only L0 lies below them all; it is
//    the third smallest of those five: max(L1, M0, min(L2, M1, H0)).
//  - 2 x 3 at the left and right edges, the third smallest of six from two
//    sorted columns a and b: max(min(a0, b2), min(a1, b1), min(a2, b0)).
//  - 3 x 2 in the first and last rows, the third smallest of six from three
//    sorted pairs: max(middle low, min(largest low, smallest high)).
//  - 2 x 2 at the corners, the second smallest of four.

// Minimum and maximum of bytes, as the operations of the networks below
// (which are written once for bytes and for vectors of bytes).
struct ByteOps {
    static uint8_t Min(uint8_t a, uint8_t b) { return a < b ? a : b; }
    static uint8_t Max(uint8_t a, uint8_t b) { return a < b ? b : a; }
};
inline uint8_t Min(uint8_t a, uint8_t b) { return ByteOps::Min(a, b); }
inline uint8_t Max(uint8_t a, uint8_t b) { return ByteOps::Max(a, b); }
inline uint8_t Middle(uint8_t a, uint8_t b, uint8_t c) { return Max(Min(a, b), Min(Max(a, b), c)); }

// A column of three bytes (or of three vectors of bytes), sorted:
// lo <= mid <= hi. Ops has Min and Max of T.
template <class T>
struct SortedColumn {
    T lo, mid, hi;
};
template <class T = uint8_t, class Ops = ByteOps>
inline SortedColumn<T> SortColumn(T a, T b, T c) {
    const T ab0 = Ops::Min(a, b), ab1 = Ops::Max(a, b);
    const T top = Ops::Max(ab0, c);
    return {Ops::Min(ab0, c), Ops::Min(ab1, top), Ops::Max(ab1, top)};
}

// The fourth smallest of the nine bytes of three sorted columns.
template <class T = uint8_t, class Ops = ByteOps>
inline T RankOfNineColumns(const SortedColumn<T>& c0, const SortedColumn<T>& c1, const SortedColumn<T>& c2) {
    const T lMin01 = Ops::Min(c0.lo, c1.lo), lMax01 = Ops::Max(c0.lo, c1.lo);
    const T lowMiddle = Ops::Max(lMin01, Ops::Min(lMax01, c2.lo));
    const T lowLargest = Ops::Max(lMax01, c2.lo);
    const T mMin01 = Ops::Min(c0.mid, c1.mid), mMax01 = Ops::Max(c0.mid, c1.mid);
    const T midSmallest = Ops::Min(mMin01, c2.mid);
    const T midMiddle = Ops::Max(mMin01, Ops::Min(mMax01, c2.mid));
    const T highSmallest = Ops::Min(Ops::Min(c0.hi, c1.hi), c2.hi);
    return Ops::Max(Ops::Max(lowMiddle, midSmallest), Ops::Min(Ops::Min(lowLargest, midMiddle), highSmallest));
}

// Column j of three rows, sorted.
inline SortedColumn<uint8_t> ColumnAt(const uint8_t* above, const uint8_t* at, const uint8_t* below, int32_t j) {
    return SortColumn(above[j], at[j], below[j]);
}

// The fourth smallest of the nine bytes around bytes j0 .. j1 - 1 of a row,
// each column sorted where it is read.
template <int kStep>
void RankOfNine(const uint8_t* __restrict above, const uint8_t* __restrict at, const uint8_t* __restrict below,
                uint8_t* __restrict out, int32_t j0, int32_t j1) {
    for (int32_t j = j0; j < j1; ++j) {
        out[j] = RankOfNineColumns(ColumnAt(above, at, below, j - kStep), ColumnAt(above, at, below, j),
                                   ColumnAt(above, at, below, j + kStep));
    }
}

#if defined(RANK_KERNELS_AVX2) || defined(RANK_KERNELS_AVX512)
// RankOfNine for bytes 0 .. j - 1 of the row, a vector at a time (AVX2 and
// AVX-512), where j is returned: every vector whose next one lies inside the
// row. Each column of the window is sorted once, and the columns kStep bytes
// to either side come from the sorted vectors before and after by byte
// shifts. Bytes below kStep (the first pixel) are written with no meaning;
// with kKeepFourth, byte 3 of every pixel is the input's own.
template <int kStep, bool kKeepFourth>
int32_t RankOfNineLanes(const uint8_t* above, const uint8_t* at, const uint8_t* below, uint8_t* out,
                        int32_t bytes) {
    using V = ByteLanes::V;
    using Sorted = SortedColumn<V>;
    constexpr int32_t L = ByteLanes::kBytes;
    auto sortAt = [&](int32_t j) {
        return SortColumn<V, ByteLanes>(ByteLanes::Load(above + j), ByteLanes::Load(at + j), ByteLanes::Load(below + j));
    };
    int32_t j = 0;
    if (bytes < 2 * L) return j;
    Sorted before = sortAt(0);  // stands in for the bytes ahead of the row
    Sorted now = before;
    for (; j + 2 * L <= bytes; j += L) {
        const Sorted after = sortAt(j + L);
        const Sorted left{ByteLanes::Earlier<kStep>(before.lo, now.lo), ByteLanes::Earlier<kStep>(before.mid, now.mid),
                          ByteLanes::Earlier<kStep>(before.hi, now.hi)};
        const Sorted right{ByteLanes::Later<kStep>(now.lo, after.lo), ByteLanes::Later<kStep>(now.mid, after.mid),
                           ByteLanes::Later<kStep>(now.hi, after.hi)};
        const V r = RankOfNineColumns<V, ByteLanes>(left, now, right);
        ByteLanes::Store(out + j, kKeepFourth ? ByteLanes::KeepFourthBytes(r, at + j) : r);
        before = now;
        now = after;
    }
    return j;
}
#endif

// The third smallest of the six bytes of sorted columns a and b.
inline uint8_t RankOfSixColumns(const SortedColumn<uint8_t>& a, const SortedColumn<uint8_t>& b) {
    return Max(Max(Min(a.lo, b.hi), Min(a.mid, b.mid)), Min(a.hi, b.lo));
}

// The third smallest of the six bytes around every inner byte of a first or
// last row, from the two rows the window holds.
template <int kStep>
void RankOfSixPairs(const uint8_t* __restrict first, const uint8_t* __restrict second, uint8_t* __restrict out,
                    uint8_t* __restrict lo, uint8_t* __restrict hi, int32_t bytes) {
    for (int32_t j = 0; j < bytes; ++j) {
        lo[j] = Min(first[j], second[j]);
        hi[j] = Max(first[j], second[j]);
    }
    for (int32_t j = kStep; j < bytes - kStep; ++j) {
        const uint8_t l0 = lo[j - kStep], l1 = lo[j], l2 = lo[j + kStep];
        const uint8_t lowLargest = Max(Max(l0, l1), l2);
        const uint8_t highSmallest = Min(Min(hi[j - kStep], hi[j]), hi[j + kStep]);
        out[j] = Max(Middle(l0, l1, l2), Min(lowLargest, highSmallest));
    }
}

// The second smallest of the four bytes of two sorted pairs.
inline uint8_t RankOfFour(const uint8_t* lo, const uint8_t* hi, int32_t a, int32_t b) {
    return Min(Max(lo[a], lo[b]), Min(hi[a], hi[b]));
}

// 32 bits per pixel: every fourth byte is the input's own.
inline void KeepFourthBytes(const uint8_t* __restrict in, uint8_t* __restrict out, int32_t width) {
    for (int32_t x = 0; x < width; ++x) {
        uint32_t ranked, own;
        std::memcpy(&ranked, out + 4 * x, 4);
        std::memcpy(&own, in + 4 * x, 4);
        const uint32_t word = (ranked & 0x00FFFFFFu) | (own & 0xFF000000u);
        std::memcpy(out + 4 * x, &word, 4);
    }
}

template <class Format>
bool MedianByNetwork(const PixelPlane& input, const PixelPlane& output, ThreadScratch& scratch) {
    constexpr int kStep = Format::kBytesPerPixel;
    const int32_t width = input.width, height = input.height;
    const int32_t bytes = width * kStep;
    const int32_t last = bytes - kStep;  // first byte of the last pixel
    const int32_t threads = RowBlockCount(height);
    const auto layout = [&](ScratchCarver& carver, uint8_t** rows) {
        for (int i = 0; i < 2; ++i) rows[i] = carver.Take<uint8_t>(static_cast<size_t>(bytes));
    };
    {
        ScratchCarver counter;
        uint8_t* rows[2];
        layout(counter, rows);
        if (!scratch.Reserve(counter.Used(), threads)) return false;
    }
    const int32_t blockRows = RankBlockRows(height, threads, 1);
    ParallelRowBlocks(height, threads, blockRows, [&](int32_t thread, int32_t y0, int32_t y1) {
        ScratchCarver carver(scratch.Area(thread));
        uint8_t* rows[2];  // the first and last rows' sorted pairs
        layout(carver, rows);
        uint8_t* lo = rows[0];
        uint8_t* hi = rows[1];
        for (int32_t y = y0; y < y1; ++y) {
            const uint8_t* at = input.Row(y);
            uint8_t* out = output.Row(y);
            int32_t done = 0;  // the bytes before it are written, fourth bytes included
            if (y == 0 || y == height - 1) {
                RankOfSixPairs<kStep>(at, input.Row(y == 0 ? 1 : y - 1), out, lo, hi, bytes);
                for (int c = 0; c < Format::kChannels; ++c) {
                    out[c] = RankOfFour(lo, hi, c, kStep + c);
                    out[last + c] = RankOfFour(lo, hi, last - kStep + c, last + c);
                }
            } else {
                const uint8_t* above = input.Row(y - 1);
                const uint8_t* below = input.Row(y + 1);
                if (y + 2 < height) PrefetchRow(input.Row(y + 2), static_cast<size_t>(bytes));
#if defined(RANK_KERNELS_AVX2) || defined(RANK_KERNELS_AVX512)
                done = RankOfNineLanes<kStep, Format::kHasFourthByte>(above, at, below, out, bytes);
#endif
                RankOfNine<kStep>(above, at, below, out, std::max(done, kStep), bytes - kStep);
                auto column = [&](int32_t i) { return ColumnAt(above, at, below, i); };
                for (int c = 0; c < Format::kChannels; ++c) {
                    out[c] = RankOfSixColumns(column(c), column(kStep + c));
                    out[last + c] = RankOfSixColumns(column(last - kStep + c), column(last + c));
                }
            }
            if constexpr (Format::kHasFourthByte) KeepFourthBytes(at + done, out + done, width - done / kStep);
        }
    });
    return true;
}

// ---- sliding histograms ------------------------------------------------------------

using Counter = uint16_t;  // at most 21 x 21 = 441 values in a window
constexpr int kSegments = 16;
constexpr int kSegmentValues = 16;

// kStep[q][j] = 1 for j >= q: added to a cumulative row it counts one value at q.
struct StepRows {
    Counter rows[kSegmentValues][kSegmentValues];
};
constexpr StepRows MakeStepRows() {
    StepRows steps{};
    for (int q = 0; q < kSegmentValues; ++q) {
        for (int j = 0; j < kSegmentValues; ++j) steps.rows[q][j] = j >= q ? 1 : 0;
    }
    return steps;
}
constexpr StepRows kSteps = MakeStepRows();

inline void AddCounts(Counter* __restrict dst, const Counter* __restrict src) {
    for (int j = 0; j < kSegmentValues; ++j) dst[j] = static_cast<Counter>(dst[j] + src[j]);
}
inline void SubtractCounts(Counter* __restrict dst, const Counter* __restrict src) {
    for (int j = 0; j < kSegmentValues; ++j) dst[j] = static_cast<Counter>(dst[j] - src[j]);
}

// The number of leading counters of a cumulative (non-decreasing) row of 16
// that are below limit (1 .. 32767); that is the index of the first one that
// reaches it.
inline int CountBelow(const Counter* counts, int32_t limit) {
#if defined(__SSE2__)
    const __m128i bound = _mm_set1_epi16(static_cast<short>(limit));
    const __m128i low = _mm_cmplt_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(counts)), bound);
    const __m128i high = _mm_cmplt_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(counts + 8)), bound);
    const unsigned below = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(low, high)));
    return __builtin_ctz(~below);  // the set bits are a run from bit 0
#else
    int count = 0;
    while (count < kSegmentValues && counts[count] < limit) ++count;
    return count;
#endif
}

// The cumulative counts of one channel over a set of pixels: coarse[s] counts
// the values 0 .. 16s + 15, fine[s][j] the values 16s .. 16s + j.
struct Counts {
    Counter coarse[kSegments];
    Counter fine[kSegments][kSegmentValues];

    void Add(int value) {
        AddCounts(coarse, kSteps.rows[value >> 4]);
        AddCounts(fine[value >> 4], kSteps.rows[value & 15]);
    }
    void Remove(int value) {
        SubtractCounts(coarse, kSteps.rows[value >> 4]);
        SubtractCounts(fine[value >> 4], kSteps.rows[value & 15]);
    }
};

// Column counts for a budget of about 256 KB per thread: that many columns
// make a tile, processed over all rows of the strip before the next tile.
constexpr size_t kColumnCountsBudget = 256 * 1024;

template <class Format>
class HistogramMedian {
public:
    static constexpr int kChannels = Format::kChannels;
    static constexpr int kStep = Format::kBytesPerPixel;

    HistogramMedian(const PixelPlane& input, const PixelPlane& output, int32_t radius)
        : input_(input), output_(output), width_(input.width), height_(input.height), radius_(radius) {
        const int32_t budget = static_cast<int32_t>(kColumnCountsBudget / (sizeof(Counts) * kChannels));
        tileWidth_ = std::max<int32_t>(64, budget - 2 * radius);
        tileColumns_ = std::min(width_, tileWidth_ + 2 * radius);
    }

    void Layout(ScratchCarver& carver) {
        columns_ = carver.Take<Counts>(static_cast<size_t>(tileColumns_) * kChannels);
        window_ = carver.Take<Counts>(kChannels);
    }

    void Strip(int32_t y0, int32_t y1) {
        for (int32_t tx0 = 0; tx0 < width_; tx0 += tileWidth_) {
            const int32_t tx1 = std::min(width_, tx0 + tileWidth_);
            firstColumn_ = std::max(0, tx0 - radius_);
            const int32_t endColumn = std::min(width_, tx1 + radius_);
            std::memset(columns_, 0, sizeof(Counts) * kChannels * static_cast<size_t>(endColumn - firstColumn_));
            const int32_t top = std::max(0, y0 - radius_), bottom = std::min(height_ - 1, y0 + radius_);
            for (int32_t j = top; j <= bottom; ++j) MoveRows(-1, j, endColumn);
            for (int32_t y = y0; y < y1; ++y) {
                if (y > y0) {
                    const int32_t leaving = y - radius_ - 1, entering = y + radius_;
                    MoveRows(leaving, entering < height_ ? entering : -1, endColumn);
                }
                const int32_t rows = std::min(height_ - 1, y + radius_) - std::max(0, y - radius_) + 1;
                Row(y, tx0, tx1, rows);
            }
        }
    }

private:
    static constexpr int32_t kStale = INT32_MIN;

    Counts& Column(int32_t x, int channel) const {
        return columns_[static_cast<size_t>(x - firstColumn_) * kChannels + channel];
    }

    // Row `leaving` leaves and row `entering` enters the counts of columns
    // firstColumn_ .. end - 1; -1 stands for no row.
    void MoveRows(int32_t leaving, int32_t entering, int32_t end) {
        const uint8_t* out = leaving >= 0 ? input_.Row(leaving) : nullptr;
        const uint8_t* in = entering >= 0 ? input_.Row(entering) : nullptr;
        for (int32_t x = firstColumn_; x < end; ++x) {
            for (int c = 0; c < kChannels; ++c) {
                Counts& column = Column(x, c);
                if (out) column.Remove(out[kStep * x + c]);
                if (in) column.Add(in[kStep * x + c]);
            }
        }
    }

    // Output row y over columns tx0 .. tx1 - 1, with `rows` rows in every column's counts.
    void Row(int32_t y, int32_t tx0, int32_t tx1, int32_t rows) {
        for (int c = 0; c < kChannels; ++c) {
            Counter* coarse = window_[c].coarse;
            std::fill(coarse, coarse + kSegments, Counter(0));
            for (int32_t i = std::max(0, tx0 - radius_); i <= std::min(width_ - 1, tx0 + radius_); ++i) {
                AddCounts(coarse, Column(i, c).coarse);
            }
            std::fill(fineAt_[c], fineAt_[c] + kSegments, kStale);
        }
        const uint8_t* in = input_.Row(y);
        uint8_t* out = output_.Row(y);
        for (int32_t x = tx0; x < tx1; ++x) {
            if (x > tx0) {
                const bool enters = x + radius_ < width_, leaves = x - radius_ - 1 >= 0;
                for (int c = 0; c < kChannels; ++c) {
                    if (enters) AddCounts(window_[c].coarse, Column(x + radius_, c).coarse);
                    if (leaves) SubtractCounts(window_[c].coarse, Column(x - radius_ - 1, c).coarse);
                }
            }
            const int32_t first = std::max(0, x - radius_), last = std::min(width_ - 1, x + radius_);
            const int32_t half = (last - first + 1) * rows / 2;
            for (int c = 0; c < kChannels; ++c) {
                out[kStep * x + c] = half == 0 ? 255 : Select(c, x, first, last, half);
            }
            if constexpr (Format::kHasFourthByte) out[4 * x + 3] = in[4 * x + 3];
        }
    }

    // The smallest value v of channel c whose cumulative count reaches half.
    uint8_t Select(int c, int32_t x, int32_t first, int32_t last, int32_t half) {
        const Counts& window = window_[c];
        const int segment = CountBelow(window.coarse, half);
        const int32_t below = segment > 0 ? window.coarse[segment - 1] : 0;
        if (fineAt_[c][segment] != x) RefreshFine(c, segment, x, first, last);
        const int value = CountBelow(window.fine[segment], half - below);
        return static_cast<uint8_t>(kSegmentValues * segment + value);
    }

    // Brings the window's fine counts of a segment to column x: column by
    // column from where they were last used when that is close, else summed
    // afresh over the window's columns.
    void RefreshFine(int c, int segment, int32_t x, int32_t first, int32_t last) {
        Counter* fine = window_[c].fine[segment];
        const int32_t at = fineAt_[c][segment];
        if (at != kStale && 2 * (x - at) <= last - first + 1) {
            for (int32_t step = at + 1; step <= x; ++step) {
                if (step + radius_ < width_) AddCounts(fine, Column(step + radius_, c).fine[segment]);
                if (step - radius_ - 1 >= 0) SubtractCounts(fine, Column(step - radius_ - 1, c).fine[segment]);
            }
        } else {
            std::fill(fine, fine + kSegmentValues, Counter(0));
            for (int32_t i = first; i <= last; ++i) AddCounts(fine, Column(i, c).fine[segment]);
        }
        fineAt_[c][segment] = x;
    }

    const PixelPlane& input_;
    const PixelPlane& output_;
    const int32_t width_;
    const int32_t height_;
    const int32_t radius_;
    int32_t tileWidth_ = 0;
    int32_t tileColumns_ = 0;
    int32_t firstColumn_ = 0;
    Counts* columns_ = nullptr;
    Counts* window_ = nullptr;
    int32_t fineAt_[kChannels][kSegments] = {};
};

template <class Format>
bool RunHistogramMedian(const PixelPlane& input, const PixelPlane& output, int32_t radius,
                        ThreadScratch& scratch) {
    const int32_t threads = RowBlockCount(input.height);
    {
        HistogramMedian<Format> engine(input, output, radius);
        ScratchCarver counter;
        engine.Layout(counter);
        if (!scratch.Reserve(counter.Used(), threads)) return false;
    }
    const int32_t blockRows = RankBlockRows(input.height, threads, radius);
    ParallelRowBlocks(input.height, threads, blockRows, [&](int32_t thread, int32_t y0, int32_t y1) {
        HistogramMedian<Format> engine(input, output, radius);
        ScratchCarver carver(scratch.Area(thread));
        engine.Layout(carver);
        engine.Strip(y0, y1);
    });
    return true;
}

}  // namespace

bool MedianByHistograms(const PixelPlane& input, const PixelPlane& output, int32_t radius, ThreadScratch& scratch) {
    if (input.width < 1 || input.height < 1) return true;
    bool ok = true;
    DispatchByDepth(input.bitsPerPixel, [&](auto format) {
        ok = RunHistogramMedian<decltype(format)>(input, output, radius, scratch);
    });
    return ok;
}

bool MedianFilter(const PixelPlane& input, const PixelPlane& output, int32_t radius, ThreadScratch& scratch) {
    if (input.width < 1 || input.height < 1) return true;
    if (radius != 1 || input.width < 3 || input.height < 3) {
        return RANK_KERNELS::MedianByHistograms(input, output, radius, scratch);
    }
    bool ok = true;
    DispatchByDepth(input.bitsPerPixel, [&](auto format) {
        ok = MedianByNetwork<decltype(format)>(input, output, scratch);
    });
    return ok;
}

}  // namespace RANK_KERNELS
}  // namespace rank
