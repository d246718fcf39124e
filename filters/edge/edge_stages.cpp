#include "edge_stages.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "convolution/convolution_engine.h"
#include "convolution/lane_routines.h"
#include "convolution/tap_span.h"
#include "convolution/window_clipping.h"
#include "edge_rows.h"
#include "parallel.h"
#include "pixel_format.h"

int32_t EdgeHalfWidth(float sigma) {
    const double halfWidth = static_cast<double>(sigma) * 3.35 + 0.33;
    if (halfWidth >= 10.0) return 10;
    if (!(halfWidth >= 0.0)) return 0;  // negative, or not a number
    return static_cast<int32_t>(halfWidth);
}

void FillEdgeKernels(float sigma, float* gauss, float* derivative) {
    const int32_t n = EdgeHalfWidth(sigma);
    const float twoSigmaSq = (sigma + sigma) * sigma;
    const float minusTwoSigmaSq = (sigma * -2.0f) * sigma;
    float sum = 0.0f;
    for (int32_t i = 0; i <= 2 * n; ++i) {
        const int32_t x = i - n;
        const float q = static_cast<float>(x * x) / minusTwoSigmaSq;
        const float g = static_cast<float>(std::exp(static_cast<double>(q)));
        gauss[i] = g;
        derivative[i] = (static_cast<float>(n - i) / twoSigmaSq) * g;
        sum = sum + g;
    }
    if (sum == 0.0f) return;
    for (int32_t i = 0; i <= 2 * n; ++i) gauss[i] = gauss[i] / sum;
}

namespace {

// The widest row whose gray values a row pass keeps on the stack (see
// TakeRowGradient); the longest derivative kernel (half-width 10) and the
// most rows the column pass computes at once.
constexpr int64_t kMaxStackGrayRow = 8192;
constexpr int64_t kMaxDerivativeLength = 21;
constexpr int64_t kMaxDerivativeRowsAtOnce = 4;

SpanOutput SumsInto(float* destination, int64_t count) {
    SpanOutput out;
    out.samples = destination;
    out.count = static_cast<int32_t>(count);
    out.finish = SpanFinish::Sum;
    return out;
}

// Gray values of smoothed pixels, one float a pixel: the byte, or the sum of
// bytes 0, 1, 2 divided by 3 (byte 3 of four-byte pixels is not read).
void ToGray(const EdgeRows& rows, const uint8_t* bytes, int64_t bytesPerPixel, float* gray, int64_t pixels) {
    const int32_t count = static_cast<int32_t>(pixels);
    switch (bytesPerPixel) {
    case 1: ConvertSamples(bytes, gray, pixels); break;
    case 3: rows.grayOfBgr(bytes, gray, count); break;
    default: rows.grayOfBgra(bytes, gray, count); break;
    }
}

// Where SmoothIntoGrayPlane's passes hand their bytes: each piece of a row
// becomes the gray values at the same place in the plane.
struct GrayTarget {
    float* plane;
    int64_t width;
    const EdgeRows* rows;
};

void TakeGray(void* context, const uint8_t* bytes, int64_t bytesPerPixel, int64_t y, int64_t x, int64_t pixels) {
    const GrayTarget& target = *static_cast<const GrayTarget*>(context);
    ToGray(*target.rows, bytes, bytesPerPixel, target.plane + y * target.width + x, pixels);
}

// Where RowGradient's row pass hands its bytes. A whole row becomes gray
// values and at once the row's gradient, while all of it is in cache; a
// piece of a row (a frame wider than the pass's strips) goes to the gray
// plane, and the derivative pass runs over the plane afterwards.
struct RowGradientTarget {
    GrayTarget gray;
    const float* derivative;
    int32_t length;
    float* gradient;
    std::atomic<bool> inPieces{false};
};

void TakeRowGradient(void* context, const uint8_t* bytes, int64_t bytesPerPixel, int64_t y, int64_t x,
                     int64_t pixels) {
    RowGradientTarget& target = *static_cast<RowGradientTarget*>(context);
    const int64_t width = target.gray.width;
    if (x != 0 || pixels != width) {
        TakeGray(&target.gray, bytes, bytesPerPixel, y, x, pixels);
        target.inPieces.store(true, std::memory_order_relaxed);
        return;
    }
    float onStack[kMaxStackGrayRow];
    float* gray = width <= kMaxStackGrayRow ? onStack : target.gray.plane + y * width;
    ToGray(*target.gray.rows, bytes, bytesPerPixel, gray, width);
    RowDerivative(gray, target.derivative, target.length, target.gradient + y * width, width);
}

}  // namespace

void SmoothIntoGrayPlane(const PixelPlane& input, const float* kernel, int32_t length, bool alongRows,
                         float* plane) {
    GrayTarget target{plane, input.width, &kaf_isa::WidestTable(EdgeRowsFor)};
    const RowSink sink{TakeGray, &target};
    if (alongRows) {
        ConvolveRows(input, kernel, length, sink);
    } else {
        ConvolveColumns(input, kernel, length, sink);
    }
}

void RowGradient(const PixelPlane& input, const float* gauss, const float* derivative, int32_t length,
                 float* grayPlane, float* gradient) {
    RowGradientTarget target{{grayPlane, input.width, &kaf_isa::WidestTable(EdgeRowsFor)}, derivative, length,
                             gradient};
    ConvolveRows(input, gauss, length, RowSink{TakeRowGradient, &target});
    if (target.inPieces.load()) RowDerivativePass(grayPlane, derivative, length, gradient, input.height, input.width);
}

void RowDerivative(const float* row, const float* kernel, int32_t length, float* destination, int64_t width) {
    const int64_t radius = (length - 1) / 2;
    ForEachColumnSpan(0, width, radius, length, width, [&](int64_t x, int64_t pixels, int64_t k0, int64_t taps) {
        TapSpan<float> span;
        span.origin = row;
        span.shift = x - radius + k0;
        span.columnStep = 1;
        span.rows = 1;
        span.columns = static_cast<int32_t>(taps);
        span.weights = kernel + k0;
        ConvolveSpan(span, SumsInto(destination + x, pixels));
    });
}

void RowDerivativePass(const float* source, const float* kernel, int32_t length, float* destination, int32_t height,
                       int32_t width) {
    ParallelRows(height, [&](int32_t r) {
        RowDerivative(source + static_cast<size_t>(r) * width, kernel, length,
                      destination + static_cast<size_t>(r) * width, width);
    });
}

void ColumnDerivativeRows(const ColumnGradientSource& source, int32_t r, int32_t rowCount, int64_t x0,
                          int64_t count, float* const* destinations) {
    const int64_t radius = (source.length - 1) / 2;
    const int32_t atOnce = ColumnRowsAtOnce(source.length);
    const float* plane = source.grayPlane + x0;
    for (int32_t m = 0; m < rowCount;) {
        const int64_t y = r + m;
        TapSpan<float> span;
        span.columns = 1;
        span.weightStride = 1;
        if (m + atOnce <= rowCount && y - radius >= 0 && y + atOnce - 1 + radius < source.height) {
            // Rows whose whole kernel meets the plane, several at once: each
            // plane row loaded once for all of them.
            const float* rowTable[kMaxDerivativeLength + kMaxDerivativeRowsAtOnce];
            const int64_t top = y + atOnce - 1 + radius;
            for (int64_t a = 0; a < source.length + atOnce - 1; ++a) rowTable[a] = plane + (top - a) * source.width;
            span.rowTable = rowTable;
            span.rows = source.length + atOnce - 1;
            span.weights = source.derivative;
            SpanOutput outputs[kMaxDerivativeRowsAtOnce];
            for (int32_t k = 0; k < atOnce; ++k) outputs[k] = SumsInto(destinations[m + atOnce - 1 - k], count);
            ConvolveColumnRows(span, outputs, atOnce);
            m += atOnce;
        } else {
            const RowRange taps = KernelRowsInside(y, source.length, source.height);
            span.origin = plane + (y + radius - taps.first) * source.width;
            span.rowStep = -static_cast<ptrdiff_t>(source.width);
            span.rows = static_cast<int32_t>(taps.count);
            span.weights = source.derivative + taps.first;
            ConvolveSpan(span, SumsInto(destinations[m], count));
            m += 1;
        }
    }
}

namespace {

// The magnitudes are worked out once for each row of a strip, kept for the
// rows above and below, and taken from there wherever the suppression needs
// them: the same single-precision values it would compute each time.
constexpr int64_t kSuppressionStrip = 2048;
// Column gradient rows held: those of the rows above and at the one being
// suppressed, and a batch computed at once from the row below.
constexpr int64_t kGradientRing = 8;

void Magnitudes(const float* gx, const float* gy, float* magnitude, int64_t count) {
    const LaneRoutines& lanes = Lanes();
    if (count >= lanes.blockSamples) {
        lanes.magnitudes(gx, gy, magnitude, count);
        return;
    }
    // The square root of a float is the same whether taken in single or in
    // double precision and rounded.
    for (int64_t i = 0; i < count; ++i) magnitude[i] = std::sqrt(gx[i] * gx[i] + gy[i] * gy[i]);
}

}  // namespace

void SuppressAndThreshold(const float* gradientX, const ColumnGradientSource& gradientY, const PixelPlane& output,
                          int32_t level) {
    const int32_t height = output.height;
    const int32_t width = output.width;
    if (height <= 2 || width <= 2) return;
    const float threshold = static_cast<float>(level);
    const EdgeRows& edgeRows = kaf_isa::WidestTable(EdgeRowsFor);
    // Blocks of rows go out as threads finish their last; each fills its own
    // rows of column gradients, several at a time, and of magnitudes.
    ParallelRowBlocks(height - 2, 16, [&](int32_t b0, int32_t b1) {
        float magnitude[3][kSuppressionStrip + 2];
        float columnGradient[kGradientRing][kSuppressionStrip + 2];
        // Interior columns 1..width-2 in strips; each strip's magnitudes
        // reach one column further either side.
        for (int64_t p0 = 1; p0 < width - 1; p0 += kSuppressionStrip) {
            const int64_t p1 = std::min<int64_t>(width - 1, p0 + kSuppressionStrip);
            const int64_t count = p1 - p0 + 2;
            int64_t held[3] = {-1, -1, -1};
            int64_t gradientsTo = b0;  // rows b0 .. gradientsTo - 1 have their column gradient
            for (int64_t r = 1 + b0; r < 1 + b1; ++r) {
                const float* rows[3];
                for (int64_t q = r - 1; q <= r + 1; ++q) {
                    if (held[q % 3] != q) {
                        if (q >= gradientsTo) {
                            // The block's rows b0 .. b1 + 1 (its own and one either side).
                            const int32_t batch = static_cast<int32_t>(std::min<int64_t>(kMaxDerivativeRowsAtOnce, b1 + 2 - q));
                            float* destinations[kMaxDerivativeRowsAtOnce];
                            for (int32_t m = 0; m < batch; ++m) destinations[m] = columnGradient[(q + m) % kGradientRing];
                            ColumnDerivativeRows(gradientY, static_cast<int32_t>(q), batch, p0 - 1, count, destinations);
                            gradientsTo = q + batch;
                        }
                        const size_t first = static_cast<size_t>(q) * width + (p0 - 1);
                        Magnitudes(gradientX + first, columnGradient[q % kGradientRing], magnitude[q % 3], count);
                        held[q % 3] = q;
                    }
                    rows[q - (r - 1)] = magnitude[q % 3];
                }
                const size_t first = static_cast<size_t>(r) * width + (p0 - 1);
                edgeRows.suppress(gradientX + first, columnGradient[r % kGradientRing], rows[0], rows[1], rows[2],
                                  output.Row(static_cast<int32_t>(r)) + (p0 - 1), static_cast<int32_t>(count),
                                  threshold);
            }
        }
    });
}
