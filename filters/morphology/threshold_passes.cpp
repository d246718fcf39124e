#include "threshold_passes.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "numeric.h"
#include "parallel.h"
#include "pixel_format.h"

int32_t ThresholdLevel(float threshold) { return TruncateToInt32(threshold * 255.0f); }

bool PassesChain(MorphologyRule rule, int32_t thresholdLevel) {
    // Dilation reads a pixel as object when it is at or below the level,
    // erosion when it is below it.
    return rule == MorphologyRule::Dilation ? thresholdLevel >= 0 && thresholdLevel <= 254
                                            : thresholdLevel >= 1 && thresholdLevel <= 255;
}

namespace {

// Both rules are an OR over the clipped window of a per-pixel "hit":
//   dilation: hit = dark (value <= level), result 0 when any hit, else 255;
//   erosion:  hit = light (value >= level), result 255 when any hit, else 0.
// A pixel outside the frame is simply no hit, which is exactly the clipped
// window; so the frame border, its corners and 1-pixel-wide frames need no
// code of their own. Each source row is classified once into a byte mask
// (1 for a hit) and spread across its window columns; a per-column count of
// hits over the window rows, one row added and one dropped per output row,
// then decides each pixel. All of these are plain byte loops that the
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

// How a pass classifies the pixels of one source for one level: every pixel
// a hit, none, or a comparison with a limit that fits the value type.
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

// mask[k] = 1 when pixel k of the run starting at `pixels` is a hit.
template <class Format, bool kDilation>
void ClassifyRun(const uint8_t* pixels, int32_t count, const Classification<Format>& c, uint8_t* mask) {
    if (c.kind != c.kCompare) {
        std::memset(mask, c.kind == c.kAll ? 1 : 0, static_cast<size_t>(count));
        return;
    }
    const ValueOf<Format> limit = c.limit;
    for (int32_t k = 0; k < count; ++k) {
        const ValueOf<Format> v = PixelValue<Format>(pixels + size_t(k) * Format::kBytesPerPixel);
        mask[k] = kDilation ? v <= limit : v >= limit;
    }
}

// spread[k] = OR of mask[k .. k + 2 radius], for k in [0, count). Runs of
// doubling length (1, 2, 4, ...) are ORed pairwise until the next doubling
// would pass the window, then two overlapping runs cover it. mask holds
// count + 2 radius entries; it and scratch are overwritten.
void SpreadAcross(uint8_t* mask, uint8_t* scratch, int32_t count, int32_t radius, uint8_t* spread) {
    const int32_t window = 2 * radius + 1;
    uint8_t* runs = mask;
    uint8_t* next = scratch;
    int32_t valid = count + 2 * radius;  // entries whose run lies inside the mask
    int32_t run = 1;
    while (run * 2 <= window) {
        valid -= run;
        for (int32_t k = 0; k < valid; ++k) next[k] = runs[k] | runs[k + run];
        std::swap(runs, next);
        run *= 2;
    }
    const int32_t overlap = window - run;
    for (int32_t k = 0; k < count; ++k) spread[k] = runs[k] | runs[k + overlap];
}

// A thread's window rows live on its stack: up to kRingBytes for the ring of
// spread rows, so strips are as wide as that allows (whole rows of most
// frames, which keeps the reads of the source in long streams).
constexpr size_t kRingBytes = 64 * 1024;
constexpr int32_t kMaxStripWidth = 8192;
constexpr int32_t kMaxMaskWidth = kMaxStripWidth + 2 * kMaxWindowRadius;

struct StripBuffers {
    uint8_t ring[kRingBytes];          // the spread rows of the window, one per slot
    uint8_t counts[kMaxStripWidth];    // hits per column in the window rows
    uint8_t mask[kMaxMaskWidth];
    uint8_t scratch[kMaxMaskWidth];
};

// Writes destination rows [rowBegin, rowEnd), strip by strip. Every source
// row of the block, and radius rows either side, is classified once per
// strip.
template <class Format, bool kDilation>
void WindowRows(const PixelPlane& source, const PixelPlane& destination, int32_t rowBegin, int32_t rowEnd,
                int32_t radius, const Classification<Format>& c) {
    constexpr uint8_t kNear = kDilation ? 0 : 255;  // where the window holds a hit
    constexpr uint8_t kFar = 255 - kNear;
    const int32_t width = source.width;
    const int32_t height = source.height;
    const int32_t window = 2 * radius + 1;
    const int32_t stripWidth = std::min<int32_t>(kMaxStripWidth, static_cast<int32_t>(kRingBytes / window));
    StripBuffers b;
    for (int32_t x0 = 0; x0 < width; x0 += stripWidth) {
        const int32_t n = std::min(stripWidth, width - x0);
        // mask[k] is column x0 - radius + k; columns outside the frame are no hits.
        const int32_t first = std::max(0, x0 - radius);
        const int32_t end = std::min(width, x0 + n + radius);
        const int32_t lead = first - (x0 - radius);
        const int32_t tail = n + 2 * radius - lead - (end - first);
        auto spreadRow = [&](int32_t y, uint8_t* spread) {
            if (y < 0 || y >= height) {
                std::memset(spread, 0, static_cast<size_t>(n));
                return;
            }
            std::memset(b.mask, 0, static_cast<size_t>(lead));
            ClassifyRun<Format, kDilation>(source.Row(y) + size_t(first) * Format::kBytesPerPixel, end - first, c,
                                           b.mask + lead);
            std::memset(b.mask + lead + (end - first), 0, static_cast<size_t>(tail));
            SpreadAcross(b.mask, b.scratch, n, radius, spread);
        };
        // Ring slot of row y, for y from rowBegin - radius on.
        auto slot = [&](int32_t y) { return b.ring + size_t((y - rowBegin + radius) % window) * stripWidth; };
        std::memset(b.counts, 0, static_cast<size_t>(n));
        for (int32_t y = rowBegin - radius; y < rowBegin + radius; ++y) {
            uint8_t* spread = slot(y);
            spreadRow(y, spread);
            for (int32_t k = 0; k < n; ++k) b.counts[k] += spread[k];
        }
        for (int32_t y = rowBegin; y < rowEnd; ++y) {
            uint8_t* entering = slot(y + radius);  // the slot row y - radius - 1 left
            spreadRow(y + radius, entering);
            const uint8_t* leaving = slot(y - radius);
            uint8_t* out = destination.Row(y) + x0;
            for (int32_t k = 0; k < n; ++k) {
                const uint8_t hits = static_cast<uint8_t>(b.counts[k] + entering[k]);
                out[k] = hits ? kNear : kFar;
                b.counts[k] = static_cast<uint8_t>(hits - leaving[k]);
            }
        }
    }
}

template <bool kDilation>
void RunWindowPass(const PixelPlane& src, const PixelPlane& dst, int32_t thresholdLevel, int32_t radius) {
    const int32_t height = src.height;
    if (!src.data || !dst.data || height < 1 || src.width < 1 || radius < 1 || radius > kMaxWindowRadius) return;
    // The destination must hold the source's pixels at 8 bits; nothing is
    // read or written outside either plane.
    if (dst.width < src.width || dst.height < height || dst.bitsPerPixel != 8) return;
    DispatchByDepth(src.bitsPerPixel, [&](auto format) {
        using Format = decltype(format);
        const Classification<Format> c = Classify<Format, kDilation>(thresholdLevel);
        // Every thread carries its window down its own block of rows.
        ParallelRowBlocks(height, [&](int32_t rowBegin, int32_t rowEnd) {
            WindowRows<Format, kDilation>(src, dst, rowBegin, rowEnd, radius, c);
        });
    });
}

}  // namespace

void WindowPass(MorphologyRule rule, const PixelPlane& source, const PixelPlane& destination, int32_t thresholdLevel,
                int32_t radius) {
    if (rule == MorphologyRule::Dilation) {
        RunWindowPass<true>(source, destination, thresholdLevel, radius);
    } else {
        RunWindowPass<false>(source, destination, thresholdLevel, radius);
    }
}

void DilationPass(const PixelPlane& source, const PixelPlane& destination, int32_t thresholdLevel) {
    RunWindowPass<true>(source, destination, thresholdLevel, 1);
}

void ErosionPass(const PixelPlane& source, const PixelPlane& destination, int32_t thresholdLevel) {
    RunWindowPass<false>(source, destination, thresholdLevel, 1);
}
