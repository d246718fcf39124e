// Minimum, maximum and extreme of the neighbourhood, by separable running
// extremes.
//
// The selection over a (2r + 1)-square is done as a row pass and a column
// pass. The row pass picks, for every pixel of an input row, the best pixel of
// the 2r + 1 columns around it; the column pass picks the best of those row
// results over the 2r + 1 rows around the output row. Neither pass costs more
// when r grows:
//  - the row pass doubles its span (best of 2, of 4, of 8, ... neighbours,
//    then two overlapping spans cover the 2r + 1), so r = 10 takes five
//    vectorised passes over the row;
//  - the column pass is van Herk / Gil-Werman: rows are grouped into blocks
//    of 2r + 1; a window is the suffix of one block plus the prefix of the
//    next, kept as suffix rows built backwards once per block and one running
//    prefix row; three row operations per output row.
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
// Borders: a row is padded with r neutral keys on each side that never win,
// and the column pass leaves rows outside the frame out of its blocks, so
// every window is exactly the neighbourhood cut at the borders.
#include <omp.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "numeric.h"
#include "rank_engines.h"

namespace rank {
namespace {

// ---- orders ---------------------------------------------------------------
// An order turns input pixels into keys and picks the better of an earlier
// and a later key. A smaller key is better in every order.

// 8 bits per pixel: the byte is the key (minimum: kept as it is).
struct DarkestByte {
    using Key = uint8_t;
    static constexpr Key kNeutral = 255;
    static Key Pick(Key earlier, Key later) { return later < earlier ? later : earlier; }
};

// Maximum: the byte is the key, the larger the better.
struct BrightestByte {
    using Key = uint8_t;
    static constexpr Key kNeutral = 0;
    static Key Pick(Key earlier, Key later) { return later > earlier ? later : earlier; }
};

// Colour pixels: a 32-bit key holds a rank in its high half and the green and
// blue bytes below; red is brightness - blue - green. Only the rank decides,
// so a later key replaces an earlier one when it is below the earlier key
// with its colour bits cleared.
constexpr int32_t kRankMask = ~int32_t(0xFFFF);

template <int32_t kRankOfZero, int32_t kRankStep>
struct PixelOrder {
    using Key = int32_t;
    static constexpr Key kNeutral = INT32_MAX;  // rank 0x7FFF: worse than any pixel
    static Key Pick(Key earlier, Key later) { return later < (earlier & kRankMask) ? later : earlier; }
    static int32_t RankOf(int32_t brightness) { return kRankOfZero + kRankStep * brightness; }
    static int32_t Brightness(Key key) { return ((key >> 16) - kRankOfZero) * kRankStep; }
};

using DarkestPixel = PixelOrder<0, 1>;       // rank = brightness
using BrightestPixel = PixelOrder<1023, -1>;  // rank = 1023 - brightness

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

// Keys of one input row.
template <class Format, class Order>
void MakeKeys(const uint8_t* __restrict in, typename Order::Key* __restrict keys, int32_t width) {
    if constexpr (Format::kChannels == 1) {
        std::memcpy(keys, in, static_cast<size_t>(width));
    } else {
        constexpr int kStep = Format::kBytesPerPixel;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = in + kStep * x;
            const int32_t brightness = p[0] + p[1] + p[2];
            keys[x] = (Order::RankOf(brightness) << 16) | (p[1] << 8) | p[0];
        }
    }
}

// dst[i] = Pick(earlier[i], later[i]).
template <class Order, class Key>
void PickRows(Key* __restrict dst, const Key* __restrict earlier, const Key* __restrict later, int32_t count) {
    for (int32_t i = 0; i < count; ++i) dst[i] = Order::Pick(earlier[i], later[i]);
}

// ---- one selection over a strip of rows ---------------------------------------
template <class Format, class Order>
class RunningExtremes {
public:
    using Key = typename Order::Key;

    RunningExtremes(const PixelPlane& input, int32_t radius)
        : input_(input), width_(input.width), height_(input.height), radius_(radius), span_(2 * radius + 1) {}

    // Carves (or, with a counting carver, measures) the working rows.
    void Layout(ScratchCarver& carver) {
        const size_t w = static_cast<size_t>(width_);
        const size_t padded = w + 2 * static_cast<size_t>(radius_);
        padded_ = carver.Take<Key>(padded);
        doubled_[0] = carver.Take<Key>(padded);
        doubled_[1] = carver.Take<Key>(padded);
        suffix_ = carver.Take<Key>(w * span_);
        store_ = carver.Take<Key>(w * span_);
        running_[0] = carver.Take<Key>(w);
        running_[1] = carver.Take<Key>(w);
        result_ = carver.Take<Key>(w);
    }

    // Prepares the column pass for output rows y0, y0 + 1, ... In the padded
    // row index p = j + r the window of output row y is p = y .. y + 2r, and
    // the blocks are p = bk .. bk + 2r; input rows exist for p = r .. H + r - 1.
    void Begin(int32_t y0) {
        std::fill(padded_, padded_ + radius_, Order::kNeutral);
        std::fill(padded_ + radius_ + width_, padded_ + 2 * radius_ + width_, Order::kNeutral);
        blockStart_ = y0 - y0 % span_;
        const int32_t first = std::max(y0, radius_);
        const int32_t last = std::min(blockStart_ + span_ - 1, LastP());
        for (int32_t p = first; p <= last; ++p) RowPass(p - radius_, Store(p - blockStart_));
        BuildSuffix(first - blockStart_, last - blockStart_);
        hasRunning_ = false;
        const int32_t caughtUp = std::min(y0 + span_ - 2, LastP());
        for (int32_t p = blockStart_ + span_; p <= caughtUp; ++p) AddToRunning(p);
    }

    // The selection of output row y; rows must come in increasing order from y0.
    const Key* Next(int32_t y) {
        if (y == blockStart_ + span_) {
            // Into the next block: its rows but the last are in the store already.
            blockStart_ += span_;
            const int32_t last = std::min(blockStart_ + span_ - 1, LastP());
            if (last == blockStart_ + span_ - 1) RowPass(last - radius_, Store(span_ - 1));
            BuildSuffix(0, last - blockStart_);
            hasRunning_ = false;
        } else if (y > blockStart_) {
            const int32_t p = y + span_ - 1;
            if (p <= LastP()) AddToRunning(p);
        }
        const Key* suffix = Suffix(std::max(y, radius_) - blockStart_);
        if (!hasRunning_) return suffix;
        PickRows<Order>(result_, suffix, running_[runningIndex_], width_);
        return result_;
    }

private:
    int32_t LastP() const { return height_ + radius_ - 1; }
    Key* Store(int32_t i) const { return store_ + static_cast<size_t>(i) * width_; }
    Key* Suffix(int32_t i) const { return suffix_ + static_cast<size_t>(i) * width_; }

    // Row pass of input row j into dst: the best of columns x - r .. x + r.
    void RowPass(int32_t j, Key* __restrict dst) {
        MakeKeys<Format, Order>(input_.Row(j), padded_ + radius_, width_);
        const int32_t length = width_ + 2 * radius_;
        const Key* src = padded_;
        int32_t covered = 1;  // src[i] is the best of i .. i + covered - 1
        for (int turn = 0; 2 * covered <= span_; ++turn) {
            Key* __restrict next = doubled_[turn & 1];
            const int32_t count = length - 2 * covered + 1;
            for (int32_t i = 0; i < count; ++i) next[i] = Order::Pick(src[i], src[i + covered]);
            src = next;
            covered *= 2;
        }
        // Two spans of `covered` starting at x and x + 2r + 1 - covered.
        const Key* later = src + (span_ - covered);
        PickRows<Order>(dst, src, later, width_);
    }

    // suffix[i] = best of store rows i .. last, for i = first .. last.
    void BuildSuffix(int32_t first, int32_t last) {
        std::memcpy(Suffix(last), Store(last), sizeof(Key) * static_cast<size_t>(width_));
        for (int32_t i = last - 1; i >= first; --i) PickRows<Order>(Suffix(i), Store(i), Suffix(i + 1), width_);
    }

    // Row p of the next block joins its running prefix.
    void AddToRunning(int32_t p) {
        Key* row = Store(p - blockStart_ - span_);
        RowPass(p - radius_, row);
        if (!hasRunning_) {
            std::memcpy(running_[0], row, sizeof(Key) * static_cast<size_t>(width_));
            runningIndex_ = 0;
            hasRunning_ = true;
            return;
        }
        PickRows<Order>(running_[1 - runningIndex_], running_[runningIndex_], row, width_);
        runningIndex_ = 1 - runningIndex_;
    }

    const PixelPlane& input_;
    const int32_t width_;
    const int32_t height_;
    const int32_t radius_;
    const int32_t span_;

    Key* padded_ = nullptr;
    Key* doubled_[2] = {};
    Key* suffix_ = nullptr;   // span rows: suffixes of the current block
    Key* store_ = nullptr;    // span rows: row-pass results of the next block
    Key* running_[2] = {};    // prefix of the next block (two, to avoid writing over the operand)
    Key* result_ = nullptr;
    int32_t blockStart_ = 0;
    int32_t runningIndex_ = 0;
    bool hasRunning_ = false;
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

template <class Format, ExtremeSelection kSelection, class Mix>
void FinishRow(const uint8_t* __restrict in, uint8_t* __restrict out,
               const typename OrdersOf<Format>::Darkest::Key* __restrict darkest,
               const typename OrdersOf<Format>::Brightest::Key* __restrict brightest, int32_t width,
               const Mix& mix) {
    using Dark = typename OrdersOf<Format>::Darkest;
    using Bright = typename OrdersOf<Format>::Brightest;
    constexpr int kStep = Format::kBytesPerPixel;
    for (int32_t x = 0; x < width; ++x) {
        const uint8_t* ip = in + kStep * x;
        uint8_t* op = out + kStep * x;
        if constexpr (Format::kChannels == 1) {
            int32_t selected;
            if constexpr (kSelection == ExtremeSelection::Darkest) {
                selected = darkest[x];
            } else if constexpr (kSelection == ExtremeSelection::Brightest) {
                selected = brightest[x];
            } else {
                selected = DarkestIsFurther(ip[0], darkest[x], brightest[x]) ? darkest[x] : brightest[x];
            }
            op[0] = mix(ip[0], selected);
        } else {
            int32_t key;
            int32_t brightness;
            if constexpr (kSelection == ExtremeSelection::Darkest) {
                key = darkest[x];
                brightness = Dark::Brightness(key);
            } else if constexpr (kSelection == ExtremeSelection::Brightest) {
                key = brightest[x];
                brightness = Bright::Brightness(key);
            } else {
                const int32_t own = ip[0] + ip[1] + ip[2];
                const int32_t dark = Dark::Brightness(darkest[x]);
                const int32_t bright = Bright::Brightness(brightest[x]);
                const bool takeDark = DarkestIsFurther(own, dark, bright);
                key = takeDark ? darkest[x] : brightest[x];
                brightness = takeDark ? dark : bright;
            }
            const int32_t blue = key & 0xFF;
            const int32_t green = (key >> 8) & 0xFF;
            op[0] = mix(ip[0], blue);
            op[1] = mix(ip[1], green);
            op[2] = mix(ip[2], brightness - blue - green);
            if constexpr (Format::kHasFourthByte) op[3] = 1;
        }
    }
}

// t = 0: the input pixel itself (i * 1 + s * 0 is exactly i), whatever the
// neighbourhood holds.
template <class Format>
void KeepInput(const PixelPlane& input, const PixelPlane& output) {
    const int32_t width = input.width;
    ParallelStrips(input.height, StripCount(input.height), [&](int32_t, int32_t y0, int32_t y1) {
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

template <class Format, ExtremeSelection kSelection>
struct ExtremeEngine {
    using Dark = RunningExtremes<Format, typename OrdersOf<Format>::Darkest>;
    using Bright = RunningExtremes<Format, typename OrdersOf<Format>::Brightest>;
    static constexpr bool kDark = kSelection != ExtremeSelection::Brightest;
    static constexpr bool kBright = kSelection != ExtremeSelection::Darkest;

    static void Layout(ScratchCarver& carver, Dark& dark, Bright& bright) {
        if constexpr (kDark) dark.Layout(carver);
        if constexpr (kBright) bright.Layout(carver);
    }

    template <class Mix>
    static bool Run(const PixelPlane& input, const PixelPlane& output, int32_t radius, const Mix& mix,
                    ThreadScratch& scratch) {
        const int32_t strips = StripCount(input.height);
        {
            Dark dark(input, radius);
            Bright bright(input, radius);
            ScratchCarver counter;
            Layout(counter, dark, bright);
            if (!scratch.Reserve(counter.Used(), strips)) return false;
        }
        ParallelStrips(input.height, strips, [&](int32_t strip, int32_t y0, int32_t y1) {
            Dark dark(input, radius);
            Bright bright(input, radius);
            ScratchCarver carver(scratch.Area(strip));
            Layout(carver, dark, bright);
            if constexpr (kDark) dark.Begin(y0);
            if constexpr (kBright) bright.Begin(y0);
            for (int32_t y = y0; y < y1; ++y) {
                const typename Dark::Key* darkest = nullptr;
                const typename Bright::Key* brightest = nullptr;
                if constexpr (kDark) darkest = dark.Next(y);
                if constexpr (kBright) brightest = bright.Next(y);
                FinishRow<Format, kSelection>(input.Row(y), output.Row(y), darkest, brightest, input.width, mix);
            }
        });
        return true;
    }
};

template <class Format, ExtremeSelection kSelection>
bool SelectAndBlend(const PixelPlane& input, const PixelPlane& output, int32_t radius, float intensity,
                    ThreadScratch& scratch) {
    if (intensity == 0.0f) {
        KeepInput<Format>(input, output);
        return true;
    }
    using Engine = ExtremeEngine<Format, kSelection>;
    if (intensity == 1.0f) return Engine::Run(input, output, radius, TakeSelected{}, scratch);
    return Engine::Run(input, output, radius, BlendSelected{intensity, 1.0f - intensity}, scratch);
}

}  // namespace

bool SelectExtremes(ExtremeSelection selection, int32_t bitsPerPixel, const PixelPlane& input,
                    const PixelPlane& output, int32_t radius, float intensity, ThreadScratch& scratch) {
    if (input.width < 1 || input.height < 1) return true;
    bool ok = true;
    DispatchByDepth(bitsPerPixel, [&](auto format) {
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

}  // namespace rank
