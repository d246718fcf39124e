#include "threshold_passes.h"

#include <omp.h>

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "numeric.h"
#include "pixel_format.h"

int32_t ThresholdLevel(float threshold) { return TruncateToInt32(threshold * 255.0f); }

namespace {

// Both passes are an OR over the clipped 3x3 window of a per-pixel "hit":
//   dilation: hit = dark (value <= level), result 0 when any hit, else 255;
//   erosion:  hit = light (value >= level), result 255 when any hit, else 0.
// A pixel outside the frame is simply no hit, which is exactly the clipped
// window; so the frame border, corners and 1-pixel-wide frames need no code
// of their own. Each source row is classified once into a byte mask (0xFF
// for a hit); the window then is three ORs across and three down, loops the
// compiler turns into vector code.

// The compared value: the grey byte, or blue + green + red (byte 3 unread).
template <class Format>
using ValueOf = std::conditional_t<Format::kChannels == 1, uint8_t, uint16_t>;

template <class Format>
inline ValueOf<Format> PixelValue(const uint8_t* pixel) {
    if constexpr (Format::kChannels == 1) {
        return pixel[0];
    } else {
        return static_cast<uint16_t>(pixel[0] + pixel[1] + pixel[2]);
    }
}

// How a pass classifies pixels for one level: every pixel a hit, none, or a
// comparison with a limit that fits the value type.
template <class Format>
struct Classification {
    enum Kind { kNone, kAll, kCompare } kind = kNone;
    ValueOf<Format> limit = 0;
};

template <class Format, bool kDilation>
Classification<Format> Classify(int32_t thresholdLevel) {
    // Grey values are compared with the level, colour sums with three times it.
    const int64_t limit = int64_t(thresholdLevel) * (Format::kChannels == 1 ? 1 : 3);
    const int64_t maxValue = 255 * Format::kChannels;
    Classification<Format> c;
    if (kDilation) {  // hit when value <= limit
        c.kind = limit < 0 ? c.kNone : limit >= maxValue ? c.kAll : c.kCompare;
    } else {  // hit when value >= limit
        c.kind = limit <= 0 ? c.kAll : limit > maxValue ? c.kNone : c.kCompare;
    }
    if (c.kind == c.kCompare) c.limit = static_cast<ValueOf<Format>>(limit);
    return c;
}

// mask[k] = 0xFF when pixel k of the run starting at `pixels` is a hit.
template <class Format, bool kDilation>
void ClassifyRun(const uint8_t* pixels, int32_t count, const Classification<Format>& c, uint8_t* mask) {
    if (c.kind != c.kCompare) {
        std::memset(mask, c.kind == c.kAll ? 0xFF : 0, static_cast<size_t>(count));
        return;
    }
    const ValueOf<Format> limit = c.limit;
    for (int32_t k = 0; k < count; ++k) {
        const ValueOf<Format> v = PixelValue<Format>(pixels + size_t(k) * Format::kBytesPerPixel);
        const bool hit = kDilation ? v <= limit : v >= limit;
        mask[k] = hit ? 0xFF : 0;
    }
}

// Columns per strip: the masks of three rows of a strip live on the stack.
constexpr int32_t kStripWidth = 2048;

// Writes destination rows [rowBegin, rowEnd), strip by strip. Within a strip
// the masks of the rows above, at and below the current row are kept in a
// ring, each already ORed across its 3 columns, so every source row of the
// block (and one row either side) is classified once per strip.
template <class Format, bool kDilation>
void PassRows(const PixelPlane& source, const PixelPlane& destination, int32_t height, int32_t width,
              int32_t rowBegin, int32_t rowEnd, const Classification<Format>& c) {
    constexpr uint8_t kFlip = kDilation ? 0xFF : 0x00;  // dilation writes 0 where a hit is near
    uint8_t mask[kStripWidth + 2];
    uint8_t ring[3][kStripWidth];
    for (int32_t x0 = 0; x0 < width; x0 += kStripWidth) {
        const int32_t n = std::min(kStripWidth, width - x0);
        const int32_t first = x0 > 0 ? x0 - 1 : 0;             // first column read
        const int32_t last = std::min(x0 + n, width - 1);      // last column read
        // Spreads row y's hits across each pixel's three columns; rows and
        // columns outside the frame contribute no hits.
        auto spreadRow = [&](int32_t y, uint8_t* spread) {
            if (y < 0 || y >= height) {
                std::memset(spread, 0, static_cast<size_t>(n));
                return;
            }
            mask[0] = 0;  // mask[k] is column x0 - 1 + k
            mask[n + 1] = 0;
            ClassifyRun<Format, kDilation>(source.Row(y) + size_t(first) * Format::kBytesPerPixel,
                                           last - first + 1, c, mask + (first - (x0 - 1)));
            for (int32_t k = 0; k < n; ++k) spread[k] = mask[k] | mask[k + 1] | mask[k + 2];
        };
        uint8_t* above = ring[0];
        uint8_t* here = ring[1];
        uint8_t* below = ring[2];
        spreadRow(rowBegin - 1, above);
        spreadRow(rowBegin, here);
        for (int32_t y = rowBegin; y < rowEnd; ++y) {
            spreadRow(y + 1, below);
            uint8_t* out = destination.Row(y) + x0;
            for (int32_t k = 0; k < n; ++k) out[k] = static_cast<uint8_t>(kFlip ^ (above[k] | here[k] | below[k]));
            uint8_t* const freed = above;
            above = here;
            here = below;
            below = freed;
        }
    }
}

template <bool kDilation>
void RunPass(FrameHandle source, FrameHandle destination, int32_t height, int32_t width, int32_t thresholdLevel) {
    if (!source || !destination || height < 1 || width < 1) return;
    // Both frames must hold width x height pixels, the destination 8-bit;
    // nothing is read or written outside them.
    if (GetFrameWidth(source) < width || GetFrameDepth(source) < height || GetFrameWidth(destination) < width ||
        GetFrameDepth(destination) < height || GetFrameBPP(destination) != 8) {
        return;
    }
    const int32_t bpp = GetFrameBPP(source);
    DispatchByDepth(bpp, [&](auto format) {
        using Format = decltype(format);
        PixelPlane src{GetFrameDataAddr(source), RowStride<Format>(GetFrameWidth(source)), width, height};
        PixelPlane dst{GetFrameDataAddr(destination), RowStride<Gray8>(GetFrameWidth(destination)), width, height};
        const Classification<Format> c = Classify<Format, kDilation>(thresholdLevel);
        // Every thread takes one contiguous block of rows, as a static
        // schedule would, and carries its row masks down the block.
#pragma omp parallel
        {
            const int64_t threads = omp_get_num_threads();
            const int64_t t = omp_get_thread_num();
            const int32_t rowBegin = static_cast<int32_t>(height * t / threads);
            const int32_t rowEnd = static_cast<int32_t>(height * (t + 1) / threads);
            if (rowBegin < rowEnd) PassRows<Format, kDilation>(src, dst, height, width, rowBegin, rowEnd, c);
        }
    });
}

}  // namespace

void DilationPass(FrameHandle source, FrameHandle destination, int32_t height, int32_t width,
                  int32_t thresholdLevel) {
    RunPass<true>(source, destination, height, width, thresholdLevel);
}

void ErosionPass(FrameHandle source, FrameHandle destination, int32_t height, int32_t width,
                 int32_t thresholdLevel) {
    RunPass<false>(source, destination, height, width, thresholdLevel);
}
