#include "threshold_passes.h"

#include <algorithm>

#include "numeric.h"
#include "parallel.h"
#include "pixel_format.h"
#include "threshold_rows.h"

int32_t ThresholdLevel(float threshold) { return TruncateToInt32(threshold * 255.0f); }

bool PassesChain(MorphologyRule rule, int32_t thresholdLevel) {
    // Dilation reads a pixel as object when it is at or below the level,
    // erosion when it is below it.
    return rule == MorphologyRule::Dilation ? thresholdLevel >= 0 && thresholdLevel <= 254
                                            : thresholdLevel >= 1 && thresholdLevel <= 255;
}

namespace {

// Grey values are compared with the level, colour sums with three times it.
template <class Format, bool kDilation>
HitRule Classify(int32_t thresholdLevel) {
    const int64_t limit = int64_t(thresholdLevel) * (Format::kChannels == 1 ? 1 : 3);
    const int64_t maxValue = 255 * Format::kChannels;
    HitRule c;
    if (kDilation) {  // hit when value <= limit
        c.kind = limit < 0 ? HitRule::kNone : limit >= maxValue ? HitRule::kAll : HitRule::kCompare;
    } else {  // hit when value >= limit
        c.kind = limit <= 0 ? HitRule::kAll : limit > maxValue ? HitRule::kNone : HitRule::kCompare;
    }
    if (c.kind == HitRule::kCompare) c.limit = static_cast<uint16_t>(limit);
    return c;
}

// Runs the rows of the table's entry (by rule and depth) over the whole
// destination; `kDilation` is the first (or only) pass's rule.
template <bool kDilation, class PickRows>
void RunRows(const PixelPlane& src, const PixelPlane& dst, int32_t thresholdLevel, int32_t radius, PickRows&& pick) {
    const int32_t height = src.height;
    if (!src.data || !dst.data || height < 1 || src.width < 1 || radius < 1 || radius > kMaxWindowRadius) return;
    // The destination must hold the source's pixels at 8 bits; nothing is
    // read or written outside either plane.
    if (dst.width < src.width || dst.height < height || dst.bitsPerPixel != 8) return;
    DispatchByDepth(src.bitsPerPixel, [&](auto format) {
        using Format = decltype(format);
        const HitRule c = Classify<Format, kDilation>(thresholdLevel);
        const size_t depth = Format::kBytesPerPixel == 1 ? 0 : Format::kBytesPerPixel == 3 ? 1 : 2;
        const ThresholdRows::Rows rows = pick(kaf_isa::WidestTable(ThresholdRowsFor))[depth];
        // A thread carries the windows down each block of rows it takes; the
        // blocks go out as threads finish their last, several windows tall.
        ParallelRowBlocks(height, std::max(16, 4 * (2 * radius + 1)),
                          [&](int32_t rowBegin, int32_t rowEnd) { rows(src, dst, rowBegin, rowEnd, radius, c); });
    });
}

template <bool kDilation>
void RunWindowPass(const PixelPlane& src, const PixelPlane& dst, int32_t thresholdLevel, int32_t radius) {
    RunRows<kDilation>(src, dst, thresholdLevel, radius,
                       [](const ThresholdRows& t) { return kDilation ? t.dilation : t.erosion; });
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

void TwoWindowPasses(MorphologyRule first, const PixelPlane& source, const PixelPlane& destination,
                     int32_t thresholdLevel, int32_t radius) {
    if (first == MorphologyRule::Dilation) {
        RunRows<true>(source, destination, thresholdLevel, radius, [](const ThresholdRows& t) { return t.closing; });
    } else {
        RunRows<false>(source, destination, thresholdLevel, radius, [](const ThresholdRows& t) { return t.opening; });
    }
}

void DilationPass(const PixelPlane& source, const PixelPlane& destination, int32_t thresholdLevel) {
    RunWindowPass<true>(source, destination, thresholdLevel, 1);
}

void ErosionPass(const PixelPlane& source, const PixelPlane& destination, int32_t thresholdLevel) {
    RunWindowPass<false>(source, destination, thresholdLevel, 1);
}
