// The median engines.
//
// Every channel of output pixel (x, y) is the sample of rank half = n / 2
// (counted from 1 in ascending order) of the n pixels of its neighbourhood,
// the (2r + 1)-square cut at the frame's borders; when n is 1 there is no such
// sample and the output is 255. For a full 3 x 3 window that is the fourth
// smallest of nine, for a 2 x 2 corner the second smallest of four.
//
// Two algorithms give exactly that value:
//  - r = 1 inside the frame: a min/max network over the 3 x 3 window, run on
//    every byte of a row at once (the channels of a colour pixel are ranked
//    independently, so a byte is a byte); border pixels are ranked directly.
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
#include <algorithm>
#include <climits>
#include <cstring>

#include "rank_engines.h"

namespace rank {
namespace {

// ---- direct ranking, for the pixels the network leaves out ---------------------------

// Ranks channel `channel` of pixel (x, y) directly: the value of rank n / 2.
template <class Format>
uint8_t DirectRank(const PixelPlane& input, int32_t x, int32_t y, int32_t radius, int channel) {
    uint8_t values[(2 * 1 + 1) * (2 * 1 + 1)];
    int count = 0;
    const int32_t x0 = std::max(0, x - radius), x1 = std::min(input.width - 1, x + radius);
    const int32_t y0 = std::max(0, y - radius), y1 = std::min(input.height - 1, y + radius);
    for (int32_t j = y0; j <= y1; ++j) {
        const uint8_t* row = input.Row(j);
        for (int32_t i = x0; i <= x1; ++i) values[count++] = row[Format::kBytesPerPixel * i + channel];
    }
    const int half = count / 2;
    if (half == 0) return 255;
    std::nth_element(values, values + (half - 1), values + count);
    return values[half - 1];
}

template <class Format>
void DirectRankPixel(const PixelPlane& input, const PixelPlane& output, int32_t x, int32_t y, int32_t radius) {
    uint8_t* out = output.Row(y) + Format::kBytesPerPixel * x;
    for (int c = 0; c < Format::kChannels; ++c) out[c] = DirectRank<Format>(input, x, y, radius, c);
    if constexpr (Format::kHasFourthByte) out[3] = input.Row(y)[4 * x + 3];
}

// ---- r = 1: the network -------------------------------------------------------

inline uint8_t Min(uint8_t a, uint8_t b) { return a < b ? a : b; }
inline uint8_t Max(uint8_t a, uint8_t b) { return a < b ? b : a; }

// One interior row: every byte from the three rows above, at and below it.
// First each column of three is sorted (lo <= mid <= hi); with the columns
// sorted, only five values can be the fourth smallest of the nine:
// L1 and L2 (the middle and largest of the three lows), M0 and M1 (the
// smallest and middle of the three mids) and H0 (the smallest high), with
// L1 <= L2, M0 <= M1, L1 <= M1 and M0 <= H0; and only the smallest of all
// nine (L0) lies below all of them. The fourth smallest is therefore the
// third smallest of those five, which under these order relations is
// max(L1, M0, min(L2, M1, H0)).
template <int kStep>
void NetworkRow(const uint8_t* __restrict above, const uint8_t* __restrict at, const uint8_t* __restrict below,
                uint8_t* __restrict out, int32_t bytes, uint8_t* __restrict lo, uint8_t* __restrict mid,
                uint8_t* __restrict hi) {
    for (int32_t j = 0; j < bytes; ++j) {
        const uint8_t a = above[j], b = at[j], c = below[j];
        const uint8_t ab0 = Min(a, b), ab1 = Max(a, b);
        lo[j] = Min(ab0, c);
        const uint8_t top = Max(ab0, c);
        mid[j] = Min(ab1, top);
        hi[j] = Max(ab1, top);
    }
    for (int32_t j = kStep; j < bytes - kStep; ++j) {
        const uint8_t l0 = lo[j - kStep], l1 = lo[j], l2 = lo[j + kStep];
        const uint8_t lMin01 = Min(l0, l1), lMax01 = Max(l0, l1);
        const uint8_t lowMiddle = Max(lMin01, Min(lMax01, l2));
        const uint8_t lowLargest = Max(lMax01, l2);
        const uint8_t m0 = mid[j - kStep], m1 = mid[j], m2 = mid[j + kStep];
        const uint8_t mMin01 = Min(m0, m1), mMax01 = Max(m0, m1);
        const uint8_t midSmallest = Min(mMin01, m2);
        const uint8_t midMiddle = Max(mMin01, Min(mMax01, m2));
        const uint8_t highSmallest = Min(Min(hi[j - kStep], hi[j]), hi[j + kStep]);
        out[j] = Max(Max(lowMiddle, midSmallest), Min(Min(lowLargest, midMiddle), highSmallest));
    }
}

template <class Format>
bool MedianByNetwork(const PixelPlane& input, const PixelPlane& output, ThreadScratch& scratch) {
    constexpr int kStep = Format::kBytesPerPixel;
    const int32_t width = input.width, height = input.height;
    const int32_t bytes = width * kStep;
    const int32_t strips = StripCount(height);
    const auto layout = [&](ScratchCarver& carver, uint8_t** rows) {
        for (int i = 0; i < 3; ++i) rows[i] = carver.Take<uint8_t>(static_cast<size_t>(bytes));
    };
    {
        ScratchCarver counter;
        uint8_t* rows[3];
        layout(counter, rows);
        if (!scratch.Reserve(counter.Used(), strips)) return false;
    }
    ParallelStrips(height, strips, [&](int32_t strip, int32_t y0, int32_t y1) {
        ScratchCarver carver(scratch.Area(strip));
        uint8_t* rows[3];
        layout(carver, rows);
        for (int32_t y = y0; y < y1; ++y) {
            if (y == 0 || y == height - 1) {
                for (int32_t x = 0; x < width; ++x) DirectRankPixel<Format>(input, output, x, y, 1);
                continue;
            }
            const uint8_t* at = input.Row(y);
            uint8_t* out = output.Row(y);
            NetworkRow<kStep>(input.Row(y - 1), at, input.Row(y + 1), out, bytes, rows[0], rows[1], rows[2]);
            if constexpr (Format::kHasFourthByte) {
                for (int32_t x = 1; x < width - 1; ++x) out[4 * x + 3] = at[4 * x + 3];
            }
            DirectRankPixel<Format>(input, output, 0, y, 1);
            DirectRankPixel<Format>(input, output, width - 1, y, 1);
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
            for (int32_t j = top; j <= bottom; ++j) CountRow<true>(j, endColumn);
            for (int32_t y = y0; y < y1; ++y) {
                if (y > y0) {
                    if (y - radius_ - 1 >= 0) CountRow<false>(y - radius_ - 1, endColumn);
                    if (y + radius_ < height_) CountRow<true>(y + radius_, endColumn);
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

    // Row j enters (or leaves) the counts of columns firstColumn_ .. end - 1.
    template <bool kEnter>
    void CountRow(int32_t j, int32_t end) {
        const uint8_t* row = input_.Row(j);
        for (int32_t x = firstColumn_; x < end; ++x) {
            for (int c = 0; c < kChannels; ++c) {
                const int value = row[kStep * x + c];
                if constexpr (kEnter) {
                    Column(x, c).Add(value);
                } else {
                    Column(x, c).Remove(value);
                }
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
        int segment = 0;
        for (int s = 0; s < kSegments; ++s) segment += window.coarse[s] < half;
        const int32_t below = segment > 0 ? window.coarse[segment - 1] : 0;
        if (fineAt_[c][segment] != x) RefreshFine(c, segment, x, first, last);
        const Counter* fine = window.fine[segment];
        int value = 0;
        for (int j = 0; j < kSegmentValues; ++j) value += below + fine[j] < half;
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
    const int32_t strips = StripCount(input.height);
    {
        HistogramMedian<Format> engine(input, output, radius);
        ScratchCarver counter;
        engine.Layout(counter);
        if (!scratch.Reserve(counter.Used(), strips)) return false;
    }
    ParallelStrips(input.height, strips, [&](int32_t strip, int32_t y0, int32_t y1) {
        HistogramMedian<Format> engine(input, output, radius);
        ScratchCarver carver(scratch.Area(strip));
        engine.Layout(carver);
        engine.Strip(y0, y1);
    });
    return true;
}

}  // namespace

bool MedianByHistograms(int32_t bitsPerPixel, const PixelPlane& input, const PixelPlane& output, int32_t radius,
                        ThreadScratch& scratch) {
    if (input.width < 1 || input.height < 1) return true;
    bool ok = true;
    DispatchByDepth(bitsPerPixel, [&](auto format) {
        ok = RunHistogramMedian<decltype(format)>(input, output, radius, scratch);
    });
    return ok;
}

bool MedianFilter(int32_t bitsPerPixel, const PixelPlane& input, const PixelPlane& output, int32_t radius,
                  ThreadScratch& scratch) {
    if (input.width < 1 || input.height < 1) return true;
    if (radius != 1 || input.width < 3 || input.height < 3) {
        return MedianByHistograms(bitsPerPixel, input, output, radius, scratch);
    }
    bool ok = true;
    DispatchByDepth(bitsPerPixel, [&](auto format) {
        ok = MedianByNetwork<decltype(format)>(input, output, scratch);
    });
    return ok;
}

}  // namespace rank
