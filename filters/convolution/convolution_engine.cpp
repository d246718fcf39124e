#include "convolution_engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "box_kernel.h"
#include "lane_routines.h"
#include "numeric.h"
#include "parallel.h"
#include "pixel_format.h"
#include "row_prefetch.h"
#include "tap_span.h"
#include "window_clipping.h"

namespace {

// Each thread works in floats on its own stack: rows of the frame converted
// once (not once per tap), held in a ring of as many rows as the kernel has,
// over a vertical strip of the frame narrow enough for the ring to fit. The
// ring lives in the second-level cache; 256 KiB of it gives strips wide
// enough that the frame's rows are read in long runs and a strip's edges
// (their extra samples and their clipped kernels) come seldom. Half that was
// 8-12 % slower at one thread; it stays well within a thread's stack.
constexpr int64_t kWorkFloats = 65536;
constexpr int64_t kMaxRingRows = 32;
constexpr int64_t kMaxRowsAtOnce = 8;
constexpr int64_t kMinStripPixels = 8;

struct KernelPass {
    const float* weights;
    int64_t height;  // kernel rows
    int64_t width;   // kernel columns
    SpanFinish finish;  // LowByte or Saturate
    bool normalise;     // Saturate only; LowByte always divides by W
};

// A kernel whose weights are all the same (the mean kernel) multiplies every
// sample by that weight whichever tap reads it, so the working rows can hold
// the products, formed once, and the taps only add them: the same roundings
// and the same additions in the same order. Returns 1 for other kernels,
// which leaves the samples as they are.
struct UniformWeight {
    bool uniform = false;
    float weight = 1.0f;
};
UniformWeight UniformWeightOf(const float* kernel, int64_t count) {
    for (int64_t i = 1; i < count; ++i) {
        if (std::memcmp(&kernel[i], &kernel[0], sizeof(float)) != 0) return {};
    }
    return {true, kernel[0]};
}

// The longest kernel (in taps) that takes 32-bit pixels whole; see
// RingSamplesPerPixel. Also the longest row-pass kernel that reads the
// frame's bytes directly (see SmoothedRows::Fill); longer ones were measured
// slower that way.
constexpr int64_t kMaxTapsFromBytes = 3;

// Working rows hold the samples a pass filters: every byte of 8- and 24-bit
// pixels. Of 32-bit pixels, whose byte 3 is the input's, they hold blue,
// green and red only, so that no tap works out a byte that is thrown away;
// for kernels of a few taps, where sorting the bytes in and out costs more
// than those taps, they hold whole pixels as the frame does.
template <class Format>
int64_t RingSamplesPerPixel(int64_t kernelTaps) {
    return Format::kHasFourthByte && kernelTaps > kMaxTapsFromBytes ? Format::kChannels : Format::kBytesPerPixel;
}

struct FrameRows {
    const uint8_t* input;
    uint8_t* output;
    ptrdiff_t stride;
    int64_t height;
    int64_t width;

    const uint8_t* InputRow(int64_t y) const { return input + y * stride; }
    uint8_t* OutputRow(int64_t y) const { return output + y * stride; }
};

SpanOutput ByteOutput(const KernelPass& pass, uint8_t* samples, int64_t count, float weightSum,
                      const uint8_t* fourthBytes) {
    SpanOutput out;
    out.samples = samples;
    out.count = static_cast<int32_t>(count);
    out.finish = pass.finish;
    out.divisor = weightSum;
    out.divide = pass.finish == SpanFinish::LowByte || (pass.normalise && weightSum != 0.0f);
    out.fourthBytes = fourthBytes;
    return out;
}

// Where a pass's bytes for pixels p0..p1-1 of output row y go. Straight
// into the row when the samples are the frame's bytes and there is no sink;
// else into `held`, C bytes a pixel, which Finish hands to the sink or, for
// working rows of 32-bit pixels (colours only, C = 3), joins with the
// input's byte 3 into the row.
template <class Format>
struct RowOutput {
    const FrameRows* frame = nullptr;
    const RowSink* sink = nullptr;
    int64_t y = 0, p0 = 0, p1 = 0;
    int64_t samplesPerPixel = Format::kBytesPerPixel;  // C
    uint8_t* held = nullptr;  // null: straight into the row

    int64_t SamplesPerPixel() const { return samplesPerPixel; }
    SpanOutput Span(const KernelPass& pass, int64_t x, int64_t pixels, float weightSum) const {
        constexpr int64_t B = Format::kBytesPerPixel;
        const int64_t C = samplesPerPixel;
        if (held) return ByteOutput(pass, held + C * (x - p0), C * pixels, weightSum, nullptr);
        const uint8_t* fourth = Format::kHasFourthByte ? frame->InputRow(y) + B * x : nullptr;
        return ByteOutput(pass, frame->OutputRow(y) + B * x, B * pixels, weightSum, fourth);
    }
    void Finish() const {
        constexpr int64_t B = Format::kBytesPerPixel;
        if (sink) {
            sink->take(sink->context, held, samplesPerPixel, y, p0, p1 - p0);
        } else if (held) {
            JoinFourthBytes(held, frame->InputRow(y) + B * p0, frame->OutputRow(y) + B * p0, p1 - p0);
        }
    }
};

// Whether a pass's output rows go through bytes held apart (see RowOutput).
inline bool HoldsRows(const RowSink* sink, int64_t samplesPerPixel, int64_t bytesPerPixel) {
    return sink || samplesPerPixel != bytesPerPixel;
}

// Pixels x0..x1-1 of an output row from the kernel rows that meet the frame;
// `taps` gives where those rows start, and kernel column kx of pixel x lies
// C * (x - columnBase + kx) samples from each row's start, C samples a pixel.
template <class Format, class Sample>
void ConvolveOutputSpans(const KernelPass& pass, const RowOutput<Format>& row, const RowRange& rows,
                         TapSpan<Sample> taps, int64_t columnBase, int64_t x0, int64_t x1) {
    const int64_t C = row.SamplesPerPixel();
    taps.columnStep = C;
    taps.rows = static_cast<int32_t>(rows.count);
    taps.weights = pass.weights + rows.first * pass.width;
    taps.weightStride = pass.width;
    const int64_t rx = (pass.width - 1) / 2;
    ForEachColumnSpan(x0, x1, rx, pass.width, row.frame->width,
                      [&](int64_t x, int64_t pixels, int64_t kx0, int64_t columns) {
                          TapSpan<Sample> span = taps;
                          span.shift = C * (x - columnBase + kx0);
                          span.weights += kx0;
                          span.columns = static_cast<int32_t>(columns);
                          ConvolveSpan(span, row.Span(pass, x, pixels, SumSpanWeights(span)));
                      });
}

// The whole output row.
template <class Format, class Sample>
void ConvolveOutputRow(const KernelPass& pass, const RowOutput<Format>& row, const RowRange& rows,
                       TapSpan<Sample> taps, int64_t columnBase) {
    ConvolveOutputSpans(pass, row, rows, taps, columnBase, row.p0, row.p1);
    row.Finish();
}

// Output rows y + count - 1 down to y (rows[0] .. rows[count - 1]) of one
// strip, for a kernel of one column whose rows all meet the frame for every
// one of them; `taps` has the ring rows from row y + count - 1 + radius down
// to row y - radius.
template <class Format>
void ConvolveOutputRows(const KernelPass& pass, const RowOutput<Format>* rows, int64_t count, TapSpan<float> taps) {
    taps.columnStep = rows[0].SamplesPerPixel();
    taps.rows = static_cast<int32_t>(pass.height);
    taps.columns = 1;
    taps.weights = pass.weights;
    taps.weightStride = 1;
    const float weightSum = SumSpanWeights(taps);
    taps.rows += static_cast<int32_t>(count - 1);
    SpanOutput outputs[kMaxRowsAtOnce];
    for (int64_t m = 0; m < count; ++m) {
        outputs[m] = rows[m].Span(pass, rows[m].p0, rows[m].p1 - rows[m].p0, weightSum);
    }
    ConvolveColumnRows(taps, outputs, static_cast<int32_t>(count));
    for (int64_t m = 0; m < count; ++m) rows[m].Finish();
}

// For a kernel of `rows` rows of `length` weights: the weight sums W of the
// pixels nearer a side than the radius whose kernel rows all meet the frame
// (left[d] and right[d] for the pixel d pixels from that side), each over
// the taps inside in kernel order as its clipped span sums them; and
// whether the pass takes those pixels a vector group at a time (see
// EdgeSumsTogether), `groupSamples` samples at a time. That needs finite
// weights (a zero sample times an infinite weight is not zero), a frame wide
// enough for a group to fit between its sides, and a strip with a group's
// room beyond its side pixels. Row passes take 64 samples; two-dimensional
// kernels a whole vector block of 128, whose sums the lanes work out side
// by side rather than one group after the other, and only from a radius of
// 3: below that the pixels one at a time were as fast.
constexpr int64_t kMaxEdgeGroupSamples = 128;
constexpr int64_t kMaxEdgeRadius = 15;
constexpr int64_t kMinKernelEdgeRadius = 3;
struct EdgeWeights {
    float left[kMaxEdgeRadius] = {};
    float right[kMaxEdgeRadius] = {};
    int64_t radius;
    int64_t groupSamples;
    bool together;

    EdgeWeights(const float* kernel, int64_t rows, int64_t length, int64_t width)
        : radius((length - 1) / 2), groupSamples(rows > 1 ? kMaxEdgeGroupSamples : 64) {
        together = radius > 0 && radius <= kMaxEdgeRadius && width >= 2 * radius + groupSamples &&
                   (rows == 1 || radius >= kMinKernelEdgeRadius);
        for (int64_t k = 0; k < rows * length; ++k) together = together && std::isfinite(kernel[k]);
        for (int64_t d = 0; d < std::min(radius, kMaxEdgeRadius); ++d) {
            TapSpan<float> span;
            span.rows = static_cast<int32_t>(rows);
            span.columns = static_cast<int32_t>(length - (radius - d));
            span.weights = kernel + (radius - d);
            span.weightStride = length;
            left[d] = SumSpanWeights(span);
            span.weights = kernel;
            right[d] = SumSpanWeights(span);
        }
    }
    bool TakeTogether(int64_t p0, int64_t p1) const { return together && p1 - p0 >= radius + groupSamples; }
};

// Zeros in a working row whose pixel x starts at sample C * (x - (p0 -
// radius)), where the windows of the pixels p0..p1-1 leave the frame.
inline void ZeroOutsideFrame(float* row, int64_t C, int64_t p0, int64_t p1, int64_t radius, int64_t width) {
    if (p0 < radius) std::fill(row, row + C * (radius - p0), 0.0f);
    if (p1 + radius > width) {
        std::fill(row + C * (width - (p0 - radius)), row + C * (p1 + radius - (p0 - radius)), 0.0f);
    }
}

// The sums of the pixels p0..p1-1 nearer a side than the radius, a vector
// group at a time: `taps` has every kernel column, over working rows whose
// pixel x starts at sample C * (x - (p0 - radius)) and that hold zeros where
// the window leaves the frame, so every tap adds its product. A zero sample
// adds +0 or -0 to a sum, which leaves any sum but -0 as it is, and these
// sums start at +0; so each sum is the one over the taps inside, in order,
// that the pixel's own clipped span makes. Calls finish(x, sums) for each
// such pixel x with its C sums.
template <class Finish>
void EdgeSumsTogether(const TapSpan<float>& taps, int64_t C, int64_t p0, int64_t p1, const EdgeWeights& edges,
                      int64_t width, Finish&& finish) {
    const int64_t radius = edges.radius;
    float sums[kMaxEdgeGroupSamples];
    // The sums of the strip's samples first .. first + edges.groupSamples - 1.
    auto groupSums = [&](int64_t first) {
        TapSpan<float> span = taps;
        span.shift = first;  // tap 0 of the strip's sample t reads sample t of a row
        span.columnStep = C;
        SpanOutput out;
        out.samples = sums;
        out.count = static_cast<int32_t>(edges.groupSamples);
        out.finish = SpanFinish::Sum;
        ConvolveSpan(span, out);
    };
    if (p0 < radius) {
        groupSums(0);
        for (int64_t x = p0; x < std::min(p1, radius); ++x) finish(x, sums + C * (x - p0));
    }
    if (p1 > width - radius) {
        const int64_t first = C * (p1 - p0) - edges.groupSamples;
        groupSums(first);
        for (int64_t x = std::max(p0, width - radius); x < p1; ++x) finish(x, sums + C * (x - p0) - first);
    }
}

// A row pass over a converted row whose pixel x starts at sample
// B * (x - (p0 - radius)), for the pixels p0..p1-1 nearer a side than the
// radius, a vector group at a time (see EdgeSumsTogether); the converted row
// gets its zeros here. Calls finish(x, sums, W) for each such pixel x with
// its B sums and its own weight sum.
template <class Finish>
void ConvolveEdgesTogether(float* converted, int64_t B, int64_t p0, int64_t p1, const float* kernel, int64_t length,
                           bool premultiplied, const EdgeWeights& edges, int64_t width, Finish&& finish) {
    const int64_t radius = edges.radius;
    ZeroOutsideFrame(converted, B, p0, p1, radius, width);
    TapSpan<float> taps;
    taps.origin = converted;
    taps.rows = 1;
    taps.columns = static_cast<int32_t>(length);
    taps.weights = kernel;
    taps.premultiplied = premultiplied;
    EdgeSumsTogether(taps, B, p0, p1, edges, width, [&](int64_t x, const float* sums) {
        finish(x, sums, x < radius ? edges.left[x] : edges.right[width - 1 - x]);
    });
}

// Pixels' bytes as floats times scale, as working rows hold them (see
// RingSamplesPerPixel): every byte, or the colours of 32-bit pixels.
template <class Format>
void ConvertPixels(const uint8_t* bytes, float* samples, int64_t pixels, int64_t samplesPerPixel, float scale) {
    if (samplesPerPixel != Format::kBytesPerPixel) {
        ConvertColours(bytes, samples, pixels, scale);
    } else {
        ConvertSamples(bytes, samples, Format::kBytesPerPixel * pixels, scale);
    }
}

// Ring rows that are frame rows converted to floats, over the strip's pixels
// and `halo` pixels either side.
template <class Format>
struct ConvertedRows {
    const FrameRows& frame;
    int64_t halo;
    UniformWeight premultiply;
    int64_t samplesPerPixel;  // RingSamplesPerPixel

    int64_t SamplesPerPixel() const { return samplesPerPixel; }
    int64_t ExtraFloatsPerPixel() const { return 0; }
    int64_t ExtraFloatsFixed() const { return 0; }
    void Fill(float* slot, int64_t row, int64_t p0, int64_t p1, float*, bool = false) const {
        constexpr int64_t B = Format::kBytesPerPixel;
        const int64_t q0 = std::max<int64_t>(0, p0 - halo);
        const int64_t q1 = std::min(frame.width, p1 + halo);
        const uint8_t* bytes = frame.InputRow(row) + B * q0;
        float* samples = slot + samplesPerPixel * (q0 - (p0 - halo));
        ConvertPixels<Format>(bytes, samples, q1 - q0, samplesPerPixel, premultiply.weight);
        // Two-dimensional kernels take the pixels near the sides together
        // (see EdgeSumsTogether), which needs these zeros in every row.
        ZeroOutsideFrame(slot, samplesPerPixel, p0, p1, halo, frame.width);
    }
    void StartRows(float*) const {}
    bool Premultiplied() const { return premultiply.uniform; }
};

// An output row of a row pass (one kernel row, bytes as ConvolveRows writes
// them) from its ring row, the pixels nearer a side than the radius a vector
// group at a time (see ConvolveEdgesTogether).
template <class Format>
void ConvolveRowEdgesTogether(const KernelPass& pass, const RowOutput<Format>& row, const TapSpan<float>& taps,
                              float* ring, const EdgeWeights& edges, bool premultiplied) {
    const int64_t width = row.frame->width;
    const int64_t C = row.SamplesPerPixel();
    ConvolveOutputSpans(pass, row, RowRange{0, 1}, taps, row.p0, std::max(row.p0, edges.radius),
                        std::min(row.p1, width - edges.radius));
    ConvolveEdgesTogether(ring, C, row.p0, row.p1, pass.weights, pass.width, premultiplied, edges, width,
                          [&](int64_t x, const float* sums, float weightSum) {
                              FinishSums(sums, row.Span(pass, x, 1, weightSum));
                          });
    row.Finish();
}

// An output row of a two-dimensional kernel from the ring rows of the kernel
// rows that meet the frame (see ConvolveOutputSpans), the pixels nearer a
// side than the radius a vector group at a time (see EdgeSumsTogether).
template <class Format>
void ConvolveKernelEdgesTogether(const KernelPass& pass, const RowOutput<Format>& row, const RowRange& rows,
                                 const TapSpan<float>& ringRows, const EdgeWeights& edges) {
    const int64_t width = row.frame->width;
    const int64_t C = row.SamplesPerPixel();
    const int64_t radius = edges.radius;
    ConvolveOutputSpans(pass, row, rows, ringRows, row.p0, std::max(row.p0, radius),
                        std::min(row.p1, width - radius));
    TapSpan<float> taps = ringRows;
    taps.rows = static_cast<int32_t>(rows.count);
    taps.columns = static_cast<int32_t>(pass.width);
    taps.weights = pass.weights + rows.first * pass.width;
    taps.weightStride = pass.width;
    const bool allRows = rows.count == pass.height;
    EdgeSumsTogether(taps, C, row.p0, row.p1, edges, width, [&](int64_t x, const float* sums) {
        float weightSum;
        if (allRows) {
            weightSum = x < radius ? edges.left[x] : edges.right[width - 1 - x];
        } else {
            // The taps of the pixel's own clipped span.
            TapSpan<float> clipped = taps;
            const int64_t first = std::max<int64_t>(0, radius - x);
            clipped.weights += first;
            clipped.columns = static_cast<int32_t>(std::min(pass.width - 1, width - 1 - x + radius) - first + 1);
            weightSum = SumSpanWeights(clipped);
        }
        FinishSums(sums, row.Span(pass, x, 1, weightSum));
    });
    row.Finish();
}

// Ring rows that are the row pass's results (as floats) over the strip's
// pixels: the bytes ConvolveRows would write, never stored as bytes.
template <class Format>
struct SmoothedRows {
    const FrameRows& frame;
    const float* kernel;
    int64_t length;
    int64_t radius;
    UniformWeight premultiply;  // the same for the row and the column pass
    EdgeWeights edges;
    // Finite positive weights: every weighted mean of bytes lies in 0 .. 255
    // (the rounding of the sums moves it by far less than 1).
    bool positive = true;
    // A kernel of equal weights of at least MinTapsSideBySide() taps takes
    // kRowsSideBySide rows at once (see FillSideBySide); weightSums[j] is W
    // of a pixel with j taps inside the row.
    bool sideBySide = false;
    float weightSums[kMaxRingRows + 1] = {};

    SmoothedRows(const FrameRows& rows, const float* weights, int64_t taps)
        : frame(rows),
          kernel(weights),
          length(taps),
          radius((taps - 1) / 2),
          premultiply(UniformWeightOf(weights, taps)),
          edges(weights, 1, taps, rows.width) {
        for (int64_t k = 0; k < taps; ++k) positive = positive && weights[k] > 0.0f && std::isfinite(weights[k]);
        sideBySide = premultiply.uniform && positive && taps >= MinTapsSideBySide() && taps <= kMaxRingRows &&
                     Lanes().rowsSideBySide;
        for (int64_t j = 1; sideBySide && j <= taps; ++j) {
            TapSpan<float> inside;
            inside.rows = 1;
            inside.columns = static_cast<int32_t>(j);
            inside.weights = weights;
            weightSums[j] = SumSpanWeights(inside);
        }
    }

    // Rows side by side pay for their transposes from 11 taps ("mean" r5:
    // 8-bit 0.91-0.98 times the peer before, 0.86-0.89 after; 24-bit
    // 1.01-1.05, then 0.96-0.97); with fewer taps each row alone was faster
    // (r2 8-bit 4.6 ms alone, 5.9 side by side). 32-bit pixels, whose fourth
    // bytes go through the transposes unfiltered, gain from 17 taps.
    static constexpr int64_t MinTapsSideBySide() { return Format::kHasFourthByte ? 17 : 11; }
    int64_t SamplesPerPixel() const { return RingSamplesPerPixel<Format>(length); }
    // The converted input row the row pass reads; side by side, what the
    // rows are held in (see FillSideBySide).
    int64_t ExtraFloatsPerPixel() const {
        return sideBySide ? kRowsSideBySide * Format::kBytesPerPixel / sizeof(float) : SamplesPerPixel();
    }
    int64_t ExtraFloatsFixed() const {
        if (!sideBySide) return SamplesPerPixel() * 2 * radius;
        const int64_t scratch = RowsSideBySideScratch(Format::kBytesPerPixel, static_cast<int32_t>(length));
        return kHeldFloats + (scratch + sizeof(float) - 1) / sizeof(float);
    }
    // A thread's rows side by side are its own: none is held when it starts.
    void StartRows(float* extra) const {
        if (sideBySide) std::memcpy(extra, &kNoneHeld, sizeof kNoneHeld);
    }
    // Rows are converted to floats once (and, for a kernel of equal weights,
    // multiplied once), then read by every tap. A short kernel of unequal
    // weights reads the frame's bytes at each tap instead: converting a byte
    // at each of three taps costs less than a pass that stores the floats and
    // reads them back, and a byte becomes the same float either way.
    void Fill(float* slot, int64_t row, int64_t p0, int64_t p1, float* converted, bool = false) const {
        if (sideBySide) {
            FillSideBySide(slot, row, p0, p1, converted);
        } else if (premultiply.uniform || length > kMaxTapsFromBytes) {
            const ConvertedRows<Format> input{frame, radius, premultiply, SamplesPerPixel()};
            input.Fill(converted, row, p0, p1, nullptr);
            if (edges.TakeTogether(p0, p1)) {
                FillWithEdgesTogether(slot, converted, p0, p1);
            } else {
                FillFrom(slot, converted, p0 - radius, p0, p0, p1);
            }
        } else {
            FillFrom(slot, frame.InputRow(row), 0, p0, p0, p1);
        }
    }
    // The row pass for pixels x0..x1-1 from a row whose pixel x starts at
    // sample B * (x - origin), into the slot whose first pixel is p0.
    template <class Sample>
    void FillFrom(float* slot, const Sample* source, int64_t origin, int64_t p0, int64_t x0, int64_t x1) const {
        const int64_t B = SamplesPerPixel();
        ForEachColumnSpan(x0, x1, radius, length, frame.width, [&](int64_t x, int64_t pixels, int64_t k0, int64_t taps) {
            TapSpan<Sample> span;
            span.origin = source;
            span.shift = B * (x - radius - origin + k0);
            span.columnStep = B;
            span.rows = 1;
            span.columns = static_cast<int32_t>(taps);
            span.weights = kernel + k0;
            span.premultiplied = premultiply.uniform;
            SpanOutput out;
            out.samples = slot + B * (x - p0);
            out.count = static_cast<int32_t>(B * pixels);
            out.finish = SpanFinish::LowByteValue;
            out.divisor = SumSpanWeights(span);
            out.scale = premultiply.weight;  // what the column pass's taps multiply by
            out.inByteRange = positive;
            ConvolveSpan(span, out);
        });
    }
    // The same from the converted row, the pixels nearer a side than the
    // radius a vector group at a time (see ConvolveEdgesTogether).
    void FillWithEdgesTogether(float* slot, float* converted, int64_t p0, int64_t p1) const {
        const int64_t B = SamplesPerPixel();
        FillFrom(slot, converted, p0 - radius, p0, std::max(p0, radius), std::min(p1, frame.width - radius));
        ConvolveEdgesTogether(converted, B, p0, p1, kernel, length, premultiply.uniform, edges, frame.width,
                              [&](int64_t x, const float* sums, float weightSum) {
                                  for (int64_t c = 0; c < B; ++c) {
                                      const uint8_t value = TruncateToByte(sums[c] / weightSum);
                                      slot[B * (x - p0) + c] = float(value) * premultiply.weight;
                                  }
                              });
    }
    // The row pass of the kRowsSideBySide rows from a multiple of that
    // count on, over the strip, into bytes a thread keeps in `extra` after
    // which rows (and strip) they are; a ring row then only converts its
    // bytes, times the weight. The frame's last row stands in for rows
    // past it, whose bytes nothing reads.
    struct HeldRows {
        int64_t first;
        int64_t p0;
    };
    static constexpr HeldRows kNoneHeld{-1, -1};
    static constexpr int64_t kHeldFloats = 16;  // the scratch after it stays on a cache line
    void FillSideBySide(float* slot, int64_t row, int64_t p0, int64_t p1, float* extra) const {
        constexpr int64_t B = Format::kBytesPerPixel;
        uint8_t* scratch = reinterpret_cast<uint8_t*>(extra + kHeldFloats);
        uint8_t* held = scratch + RowsSideBySideScratch(B, static_cast<int32_t>(length));
        const int64_t rowBytes = B * (p1 - p0);
        const HeldRows wanted{row - row % kRowsSideBySide, p0};
        HeldRows now;
        std::memcpy(&now, extra, sizeof now);
        if (now.first != wanted.first || now.p0 != wanted.p0) {
            RowsSideBySide rows;
            for (int64_t i = 0; i < kRowsSideBySide; ++i) {
                rows.input[i] = frame.InputRow(std::min(wanted.first + i, frame.height - 1));
                rows.output[i] = held + i * rowBytes;
            }
            rows.samples = B * frame.width;
            rows.first = B * p0;
            rows.end = B * p1;
            rows.step = B;
            rows.channels = SamplesPerPixel() != B ? Format::kChannels : B;
            rows.taps = static_cast<int32_t>(length);
            rows.weight = premultiply.weight;
            rows.weightSums = weightSums;
            rows.scratch = scratch;
            Lanes().rowsSideBySide(rows);
            std::memcpy(extra, &wanted, sizeof wanted);
        }
        // Each row brought in asks for the row the next pass takes in its place.
        if (row + kRowsSideBySide < frame.height) {
            PrefetchRow(frame.InputRow(row + kRowsSideBySide) + B * p0, static_cast<size_t>(rowBytes));
        }
        ConvertPixels<Format>(held + (row - wanted.first) * rowBytes, slot, p1 - p0, SamplesPerPixel(),
                              premultiply.weight);
    }
    bool Premultiplied() const { return premultiply.uniform; }
};

// Ring rows for a column pass that are frame rows converted to floats, as
// ConvertedRows makes them, where each row converted also goes through the
// row pass of the same kernel, whose bytes (those ConvolveRows writes) go to
// a sink of their own: each input row is read and converted once for both
// passes. Rows enter the ring once for each strip and each block of rows
// that reads them; the row pass takes those the block owns, so every piece
// of every row goes to the sink once.
template <class Format>
struct RowsForBothPasses {
    KernelPass rowPass;
    const RowSink& rowSink;
    ConvertedRows<Format> withHalo;  // the row pass's converted row, `radius` pixels either side
    EdgeWeights rowEdges;

    RowsForBothPasses(const FrameRows& rows, const float* kernel, int64_t length, const RowSink& sink)
        : rowPass{kernel, 1, length, SpanFinish::LowByte, true},
          rowSink(sink),
          withHalo{rows, (length - 1) / 2, UniformWeightOf(kernel, length), RingSamplesPerPixel<Format>(length)},
          rowEdges(kernel, 1, length > kMaxTapsFromBytes ? length : 1, rows.width) {}

    int64_t SamplesPerPixel() const { return withHalo.SamplesPerPixel(); }
    // The converted row and the row pass's bytes (a float's room each).
    int64_t ExtraFloatsPerPixel() const { return 2 * SamplesPerPixel(); }
    int64_t ExtraFloatsFixed() const { return SamplesPerPixel() * 2 * withHalo.halo; }
    void Fill(float* slot, int64_t row, int64_t p0, int64_t p1, float* converted, bool ownRow) const {
        const int64_t C = SamplesPerPixel();
        const int64_t radius = withHalo.halo;
        withHalo.Fill(converted, row, p0, p1, nullptr);
        std::memcpy(slot, converted + C * radius, static_cast<size_t>(C * (p1 - p0)) * sizeof(float));
        if (!ownRow) return;
        uint8_t* held = reinterpret_cast<uint8_t*>(converted + C * (p1 - p0 + 2 * radius));
        const RowOutput<Format> output{&withHalo.frame, &rowSink, row, p0, p1, C, held};
        const float* table[1] = {converted};
        TapSpan<float> taps;
        taps.rowTable = table;
        taps.premultiplied = Premultiplied();
        if (rowEdges.TakeTogether(p0, p1)) {
            ConvolveRowEdgesTogether<Format>(rowPass, output, taps, converted, rowEdges, Premultiplied());
        } else {
            ConvolveOutputRow<Format>(rowPass, output, RowRange{0, 1}, taps, p0);
        }
    }
    void StartRows(float*) const {}
    bool Premultiplied() const { return withHalo.premultiply.uniform; }
};

// A ring row's first strip pixel lies on a 64-byte boundary (its row starts
// RingLeadFloats before one), so that the taps of the kernel's centre column,
// which read the same samples of successive rows, load whole cache lines.
constexpr int64_t kSlotAlignFloats = 16;
int64_t RingLeadFloats(int64_t bytesPerPixel, int64_t rx) {
    return (kSlotAlignFloats - bytesPerPixel * rx % kSlotAlignFloats) % kSlotAlignFloats;
}
int64_t RingSlotFloats(int64_t bytesPerPixel, int64_t stripPixels, int64_t rx) {
    const int64_t floats = RingLeadFloats(bytesPerPixel, rx) + bytesPerPixel * (stripPixels + 2 * rx);
    return (floats + kSlotAlignFloats - 1) / kSlotAlignFloats * kSlotAlignFloats;
}

// Kernels of one column compute several output rows at a time (where all
// their kernel rows meet the frame) and hold that many ring rows more, less
// one, than they have rows. Kernels of equal weights, whose rows only add,
// may take more (see ColumnRowsAtOnce). `premultiplied`: the ring rows hold
// products (the source's Premultiplied()), which is what the count for equal
// weights needs.
inline int64_t RowsAtOnce(const KernelPass& pass, bool premultiplied) {
    if (pass.width != 1) return 1;
    return ColumnRowsAtOnce(static_cast<int32_t>(pass.height), premultiplied);
}
inline int64_t RingRows(const KernelPass& pass, bool premultiplied) {
    return pass.height + RowsAtOnce(pass, premultiplied) - 1;
}

// The widest strip (in pixels) whose ring and extra rows fit a thread's
// working floats; 0 when none does.
template <class Format, class Source>
int64_t StripPixels(const KernelPass& pass, const Source& source, const RowSink* sink, int64_t frameWidth) {
    if (pass.height > kMaxRingRows) return 0;
    const int64_t B = source.SamplesPerPixel();
    const int64_t rx = (pass.width - 1) / 2;
    const bool heldApart = HoldsRows(sink, B, Format::kBytesPerPixel);
    const int64_t slots = RingRows(pass, source.Premultiplied());
    // Output rows' bytes held apart take up to a float's room a pixel.
    const int64_t heldRows = heldApart ? RowsAtOnce(pass, source.Premultiplied()) : 0;
    const int64_t perPixel = slots * B + source.ExtraFloatsPerPixel() + heldRows;
    const int64_t fixed = slots * (B * 2 * rx + 2 * kSlotAlignFloats) + source.ExtraFloatsFixed();
    const int64_t pixels = std::min(frameWidth, (kWorkFloats - fixed) / perPixel);
    return pixels >= std::min(kMinStripPixels, frameWidth) ? pixels : 0;
}

// Every output row from ring rows: for each strip, each thread walks down its
// block of rows, bringing into the ring the rows the kernel newly meets.
template <class Format, class Source>
void ConvolveStrips(const FrameRows& frame, const KernelPass& pass, const Source& source, const RowSink* sink,
                    int64_t stripPixels, const EdgeWeights* sideEdges = nullptr) {
    constexpr int64_t B = Format::kBytesPerPixel;
    const int64_t C = source.SamplesPerPixel();
    const int64_t ry = (pass.height - 1) / 2;
    const int64_t slotFloats = RingSlotFloats(C, stripPixels, (pass.width - 1) / 2);
    const int64_t lead = RingLeadFloats(C, (pass.width - 1) / 2);
    const bool heldApart = HoldsRows(sink, C, B);
    const int64_t ringRows = RingRows(pass, source.Premultiplied());
    const int64_t rowsAtOnce = RowsAtOnce(pass, source.Premultiplied());
    const int64_t prefetchAhead = std::max<int64_t>(2, rowsAtOnce);
    // Blocks of rows go to the threads as each finishes its last, so a
    // thread the machine holds up leaves its later blocks to the others; a
    // block fills its own ring, so blocks are several kernels tall.
    const int32_t minRows = static_cast<int32_t>(std::max<int64_t>(16, 4 * ringRows));
    ParallelRowBlocks(static_cast<int32_t>(frame.height), minRows, [&](int32_t y0, int32_t y1) {
        alignas(64) float work[kWorkFloats];
        float* extra = work + ringRows * slotFloats;
        uint8_t* outputBytes = reinterpret_cast<uint8_t*>(extra + source.ExtraFloatsFixed() +
                                                          source.ExtraFloatsPerPixel() * stripPixels);
        int64_t held[kMaxRingRows + kMaxRowsAtOnce];
        const float* rowTable[kMaxRingRows + kMaxRowsAtOnce];
        source.StartRows(extra);
        for (int64_t p0 = 0; p0 < frame.width; p0 += stripPixels) {
            const int64_t p1 = std::min(frame.width, p0 + stripPixels);
            std::fill(held, held + ringRows, -1);
            // The table of ring rows for frame rows top, top - 1, ... (count
            // of them), those missing brought in from the lowest up.
            auto ringTable = [&](int64_t top, int64_t count) {
                for (int64_t a = count - 1; a >= 0; --a) {
                    const int64_t row = top - a;
                    const int64_t slot = row % ringRows;
                    if (held[slot] != row) {
                        // Rows come into the ring in frame order, rowsAtOnce
                        // of them one after the other: a row asked for fewer
                        // rows ahead would be read before it has arrived.
                        if (row + prefetchAhead < frame.height) {
                            PrefetchRow(frame.InputRow(row + prefetchAhead) + B * p0,
                                        static_cast<size_t>(B * (p1 - p0)));
                        }
                        source.Fill(work + slot * slotFloats + lead, row, p0, p1, extra, row >= y0 && row < y1);
                        held[slot] = row;
                    }
                    rowTable[a] = work + slot * slotFloats + lead;
                }
            };
            TapSpan<float> taps;
            taps.rowTable = rowTable;
            taps.premultiplied = source.Premultiplied();
            for (int64_t y = y0; y < y1;) {
                const RowRange rows = KernelRowsInside(y, pass.height, frame.height);
                // The m-th row computed at once; its bytes, if held apart,
                // lie C x stripPixels bytes after the previous one's.
                auto output = [&](int64_t row, int64_t m) {
                    uint8_t* own = heldApart ? outputBytes + m * C * stripPixels : nullptr;
                    return RowOutput<Format>{&frame, sink, row, p0, p1, C, own};
                };
                if (rowsAtOnce > 1 && y + rowsAtOnce <= y1 && y - ry >= 0 && y + rowsAtOnce - 1 + ry < frame.height) {
                    ringTable(y + rowsAtOnce - 1 + ry, pass.height + rowsAtOnce - 1);
                    RowOutput<Format> outputs[kMaxRowsAtOnce];
                    for (int64_t m = 0; m < rowsAtOnce; ++m) outputs[m] = output(y + rowsAtOnce - 1 - m, m);
                    ConvolveOutputRows<Format>(pass, outputs, rowsAtOnce, taps);
                    y += rowsAtOnce;
                } else {
                    ringTable(y + ry - rows.first, rows.count);
                    const bool sidesTogether = sideEdges && sideEdges->TakeTogether(p0, p1);
                    if (sidesTogether && pass.height == 1) {
                        // The one ring row of a one-row kernel.
                        float* ring = work + y % ringRows * slotFloats + lead;
                        ConvolveRowEdgesTogether<Format>(pass, output(y, 0), taps, ring, *sideEdges,
                                                         source.Premultiplied());
                    } else if (sidesTogether) {
                        ConvolveKernelEdgesTogether<Format>(pass, output(y, 0), rows, taps, *sideEdges);
                    } else {
                        ConvolveOutputRow<Format>(pass, output(y, 0), rows, taps, p0);
                    }
                    y += 1;
                }
            }
        }
    });
}

// Kernels too tall or too wide for the ring: straight from the frame's bytes.
template <class Format>
void ConvolveFromFrame(const FrameRows& frame, const KernelPass& pass) {
    const int64_t ry = (pass.height - 1) / 2;
    const int64_t rx = (pass.width - 1) / 2;
    ParallelRows(static_cast<int32_t>(frame.height), [&](int32_t y) {
        const RowRange rows = KernelRowsInside(y, pass.height, frame.height);
        TapSpan<uint8_t> taps;
        taps.origin = frame.InputRow(y + ry - rows.first);
        taps.rowStep = -frame.stride;
        ConvolveOutputRow<Format>(pass, RowOutput<Format>{&frame, nullptr, y, 0, frame.width}, rows, taps, rx);
    });
}

// Calls fn(Format{}, frameRows) for the input's depth.
template <class Fn>
void WithFrameRows(const PixelPlane& input, const PixelPlane& output, Fn&& fn) {
    if (input.height < 1 || input.width < 1) return;
    DispatchByDepth(input.bitsPerPixel, [&](auto format) {
        const FrameRows frame{input.data, output.data, static_cast<ptrdiff_t>(input.stride), input.height,
                              input.width};
        fn(format, frame);
    });
}

// Into the output plane, or, with a sink, into the sink (the output plane
// then only gives the input's geometry again and is not written; every
// kernel of up to 31 rows fits the ring).
void RunKernelPass(const PixelPlane& input, const PixelPlane& output, const KernelPass& pass,
                   const RowSink* sink = nullptr) {
    WithFrameRows(input, output, [&](auto format, const FrameRows& frame) {
        using Format = decltype(format);
        const int64_t taps = pass.height * pass.width;
        const ConvertedRows<Format> source{frame, (pass.width - 1) / 2, UniformWeightOf(pass.weights, taps),
                                           RingSamplesPerPixel<Format>(taps)};
        const int64_t stripPixels = StripPixels<Format>(pass, source, sink, frame.width);
        // Row passes whose working rows hold colours only or whole 8- and
        // 24-bit pixels take the pixels near the sides together.
        const bool rowPass = pass.height == 1 && pass.finish == SpanFinish::LowByte && taps > kMaxTapsFromBytes;
        // So do two-dimensional kernels.
        const bool twoDimensional = pass.height > 1 && pass.width > 1 && pass.finish == SpanFinish::Saturate;
        const EdgeWeights sideEdges(pass.weights, pass.height, rowPass || twoDimensional ? pass.width : 1,
                                    frame.width);
        if (stripPixels > 0) {
            ConvolveStrips<Format>(frame, pass, source, sink, stripPixels, &sideEdges);
        } else if (!sink) {
            ConvolveFromFrame<Format>(frame, pass);
        }
    });
}

}  // namespace

void ConvolveRows(const PixelPlane& input, const float* kernel, int32_t length, const PixelPlane& output) {
    RunKernelPass(input, output, {kernel, 1, length, SpanFinish::LowByte, true});
}

void ConvolveColumns(const PixelPlane& input, const float* kernel, int32_t length, const PixelPlane& output) {
    RunKernelPass(input, output, {kernel, length, 1, SpanFinish::LowByte, true});
}

void ConvolveRows(const PixelPlane& input, const float* kernel, int32_t length, const RowSink& output) {
    RunKernelPass(input, input, {kernel, 1, length, SpanFinish::LowByte, true}, &output);
}

void ConvolveColumns(const PixelPlane& input, const float* kernel, int32_t length, const RowSink& output) {
    RunKernelPass(input, input, {kernel, length, 1, SpanFinish::LowByte, true}, &output);
}

void ConvolveRowsThenColumns(const PixelPlane& input, const float* kernel, int32_t length,
                             const PixelPlane& output) {
    const KernelPass columns{kernel, length, 1, SpanFinish::LowByte, true};
    WithFrameRows(input, output, [&](auto format, const FrameRows& frame) {
        using Format = decltype(format);
        const SmoothedRows<Format> source(frame, kernel, length);
        // Every kernel of up to 31 taps fits.
        const int64_t stripPixels = StripPixels<Format>(columns, source, nullptr, frame.width);
        if (stripPixels > 0) ConvolveStrips<Format>(frame, columns, source, nullptr, stripPixels);
    });
}

void ConvolveRowsAndColumns(const PixelPlane& input, const float* kernel, int32_t length, const RowSink& alongRows,
                            const RowSink& alongColumns) {
    const KernelPass columns{kernel, length, 1, SpanFinish::LowByte, true};
    bool done = false;
    WithFrameRows(input, input, [&](auto format, const FrameRows& frame) {
        using Format = decltype(format);
        const RowsForBothPasses<Format> source(frame, kernel, length, alongRows);
        const int64_t stripPixels = StripPixels<Format>(columns, source, &alongColumns, frame.width);
        if (stripPixels > 0) {
            ConvolveStrips<Format>(frame, columns, source, &alongColumns, stripPixels);
            done = true;
        }
    });
    if (done) return;
    ConvolveRows(input, kernel, length, alongRows);
    ConvolveColumns(input, kernel, length, alongColumns);
}

void ConvolveKernel(const PixelPlane& input, const float* kernel, int32_t kernelHeight, int32_t kernelWidth,
                    const PixelPlane& output, bool normalise) {
    if (ConvolveBoxKernel(input, kernel, kernelHeight, kernelWidth, output, normalise)) return;
    RunKernelPass(input, output, {kernel, kernelHeight, kernelWidth, SpanFinish::Saturate, normalise});
}
