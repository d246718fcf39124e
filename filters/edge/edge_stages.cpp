#include "edge_stages.h"

#include <algorithm>
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

// Where SmoothIntoGrayPlane's passes hand their bytes: each piece of a row
// becomes the gray values at the same place in the plane.
struct GrayTarget {
    float* plane;
    int64_t width;
    const EdgeRows* rows;
};

void TakeGray(void* context, const uint8_t* bytes, int64_t bytesPerPixel, int64_t y, int64_t x, int64_t pixels) {
    const GrayTarget& target = *static_cast<const GrayTarget*>(context);
    float* gray = target.plane + y * target.width + x;
    const int32_t count = static_cast<int32_t>(pixels);
    switch (bytesPerPixel) {
    case 1: ConvertSamples(bytes, gray, pixels); break;
    case 3: target.rows->grayOfBgr(bytes, gray, count); break;
    default: target.rows->grayOfBgra(bytes, gray, count); break;  // byte 3 is not read
    }
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

namespace {

// The longest derivative kernel (half-width 10), the most output rows the
// lanes compute at once, and the column pass's strip width in samples.
constexpr int64_t kMaxDerivativeLength = 21;
constexpr int64_t kMaxDerivativeRowsAtOnce = 4;
constexpr int64_t kDerivativeStrip = 512;

SpanOutput SumsInto(float* destination, int64_t count) {
    SpanOutput out;
    out.samples = destination;
    out.count = static_cast<int32_t>(count);
    out.finish = SpanFinish::Sum;
    return out;
}

}  // namespace

void RowDerivativePass(const float* source, const float* kernel, int32_t length, float* destination, int32_t height,
                       int32_t width) {
    const int64_t radius = (length - 1) / 2;
    ParallelRows(height, [&](int32_t r) {
        const float* row = source + static_cast<size_t>(r) * width;
        float* out = destination + static_cast<size_t>(r) * width;
        ForEachColumnSpan(0, width, radius, length, width, [&](int64_t x, int64_t pixels, int64_t k0, int64_t taps) {
            TapSpan<float> span;
            span.origin = row;
            span.shift = x - radius + k0;
            span.columnStep = 1;
            span.rows = 1;
            span.columns = static_cast<int32_t>(taps);
            span.weights = kernel + k0;
            ConvolveSpan(span, SumsInto(out + x, pixels));
        });
    });
}

void ColumnDerivativePass(const float* source, const float* kernel, int32_t length, float* destination,
                          int32_t height, int32_t width) {
    const int64_t radius = (length - 1) / 2;
    const int64_t rowsAtOnce = ColumnRowsAtOnce(length);
    // Strips narrow enough that the rows one output row reads stay in the
    // first-level cache while the rows below reuse them; several output rows
    // at once where the whole kernel meets the plane, each kernel row loaded
    // once for all of them.
    ParallelRowBlocks(height, 16, [&](int32_t y0, int32_t y1) {
        const float* rowTable[kMaxDerivativeLength + kMaxDerivativeRowsAtOnce];
        for (int64_t p0 = 0; p0 < width; p0 += kDerivativeStrip) {
            const int64_t count = std::min<int64_t>(width - p0, kDerivativeStrip);
            for (int64_t y = y0; y < y1;) {
                TapSpan<float> span;
                span.columns = 1;
                span.weightStride = 1;
                if (y + rowsAtOnce <= y1 && y - radius >= 0 && y + rowsAtOnce - 1 + radius < height) {
                    const int64_t top = y + rowsAtOnce - 1 + radius;
                    for (int64_t a = 0; a < length + rowsAtOnce - 1; ++a) rowTable[a] = source + (top - a) * width + p0;
                    span.rowTable = rowTable;
                    span.rows = static_cast<int32_t>(length + rowsAtOnce - 1);
                    span.weights = kernel;
                    SpanOutput outputs[kMaxDerivativeRowsAtOnce];
                    for (int64_t m = 0; m < rowsAtOnce; ++m) {
                        outputs[m] = SumsInto(destination + (y + rowsAtOnce - 1 - m) * width + p0, count);
                    }
                    ConvolveColumnRows(span, outputs, static_cast<int32_t>(rowsAtOnce));
                    y += rowsAtOnce;
                } else {
                    const RowRange taps = KernelRowsInside(y, length, height);
                    span.origin = source + (y + radius - taps.first) * width + p0;
                    span.rowStep = -static_cast<ptrdiff_t>(width);
                    span.rows = static_cast<int32_t>(taps.count);
                    span.weights = kernel + taps.first;
                    ConvolveSpan(span, SumsInto(destination + y * width + p0, count));
                    y += 1;
                }
            }
        }
    });
}

namespace {

// The magnitudes are worked out once for each row of a strip, kept for the
// rows above and below, and taken from there wherever the suppression needs
// them: the same single-precision values it would compute each time.
constexpr int64_t kSuppressionStrip = 2048;

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

void SuppressAndThreshold(const float* gradientX, const float* gradientY, const PixelPlane& output,
                          int32_t level) {
    const int32_t height = output.height;
    const int32_t width = output.width;
    if (height <= 2 || width <= 2) return;
    const float threshold = static_cast<float>(level);
    const EdgeRows& edgeRows = kaf_isa::WidestTable(EdgeRowsFor);
    // Blocks of rows go out as threads finish their last; each fills its own
    // three rows of magnitudes.
    ParallelRowBlocks(height - 2, 16, [&](int32_t b0, int32_t b1) {
        float magnitude[3][kSuppressionStrip + 2];
        // Interior columns 1..width-2 in strips; each strip's magnitudes
        // reach one column further either side.
        for (int64_t p0 = 1; p0 < width - 1; p0 += kSuppressionStrip) {
            const int64_t p1 = std::min<int64_t>(width - 1, p0 + kSuppressionStrip);
            const int64_t count = p1 - p0 + 2;
            int64_t held[3] = {-1, -1, -1};
            for (int64_t r = 1 + b0; r < 1 + b1; ++r) {
                const float* rows[3];
                for (int64_t q = r - 1; q <= r + 1; ++q) {
                    float* slot = magnitude[q % 3];
                    const size_t first = static_cast<size_t>(q) * width + (p0 - 1);
                    if (held[q % 3] != q) {
                        Magnitudes(gradientX + first, gradientY + first, slot, count);
                        held[q % 3] = q;
                    }
                    rows[q - (r - 1)] = slot;
                }
                const size_t first = static_cast<size_t>(r) * width + (p0 - 1);
                edgeRows.suppress(gradientX + first, gradientY + first, rows[0], rows[1], rows[2],
                               output.Row(static_cast<int32_t>(r)) + (p0 - 1), static_cast<int32_t>(count), threshold);
            }
        }
    });
}
