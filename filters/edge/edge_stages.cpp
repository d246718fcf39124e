#include "edge_stages.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "convolution/convolution_engine.h"
#include "convolution/lane_routines.h"
#include "convolution/tap_span.h"
#include "convolution/window_clipping.h"
#include "edge_rows.h"
#include "parallel.h"
#include "pixel_format.h"
#include "row_prefetch.h"

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

// The longest derivative kernel (half-width 10) and the most rows the column
// derivative computes at once.
constexpr int64_t kMaxDerivativeLength = 21;
constexpr int64_t kMaxDerivativeRowsAtOnce = 4;

SpanOutput SumsInto(float* destination, int64_t count) {
    SpanOutput out;
    out.samples = destination;
    out.count = static_cast<int32_t>(count);
    out.finish = SpanFinish::Sum;
    return out;
}

// Where SmoothIntoGrayPlanes's passes hand their bytes: each piece of a row
// becomes the gray values at the same place in the plane.
struct GrayTarget {
    uint8_t* plane;
    int64_t width;
    const EdgeRows* rows;
};

void TakeGray(void* context, const uint8_t* bytes, int64_t bytesPerPixel, int64_t y, int64_t x, int64_t pixels) {
    const GrayTarget& target = *static_cast<const GrayTarget*>(context);
    uint8_t* gray = target.plane + y * target.width + x;
    const int32_t count = static_cast<int32_t>(pixels);
    switch (bytesPerPixel) {
    case 1: std::memcpy(gray, bytes, static_cast<size_t>(pixels)); break;
    case 3: target.rows->grayOfBgr(bytes, gray, count); break;
    default: target.rows->grayOfBgra(bytes, gray, count); break;  // byte 3 is not read
    }
}

}  // namespace

void SmoothIntoGrayPlanes(const PixelPlane& input, const float* kernel, int32_t length, uint8_t* alongRows,
                          uint8_t* alongColumns) {
    const EdgeRows* rows = &kaf_isa::WidestTable(EdgeRowsFor);
    GrayTarget rowTarget{alongRows, input.width, rows};
    GrayTarget columnTarget{alongColumns, input.width, rows};
    ConvolveRowsAndColumns(input, kernel, length, RowSink{TakeGray, &rowTarget}, RowSink{TakeGray, &columnTarget});
}

void RowDerivative(const float* samples, int64_t first, const float* kernel, int32_t length, int64_t x0,
                   int64_t count, int64_t width, float* destination) {
    const int64_t radius = (length - 1) / 2;
    ForEachColumnSpan(x0, x0 + count, radius, length, width,
                      [&](int64_t x, int64_t pixels, int64_t k0, int64_t taps) {
                          TapSpan<float> span;
                          span.origin = samples;
                          span.shift = x - radius + k0 - first;
                          span.columnStep = 1;
                          span.rows = 1;
                          span.columns = static_cast<int32_t>(taps);
                          span.weights = kernel + k0;
                          ConvolveSpan(span, SumsInto(destination + (x - x0), pixels));
                      });
}

void ColumnDerivativeRows(const float* const* grayRows, const float* kernel, int32_t length, int32_t height,
                          int32_t r, int32_t rowCount, int64_t count, float* const* destinations) {
    const int64_t radius = (length - 1) / 2;
    // A derivative kernel's weights differ: each tap multiplies.
    const int32_t atOnce = ColumnRowsAtOnce(length, false);
    // The table's rows from frame row `top` downwards.
    const float* rowTable[kMaxDerivativeLength + kMaxDerivativeRowsAtOnce];
    auto rowsFrom = [&](int64_t top, int64_t rows) {
        for (int64_t a = 0; a < rows; ++a) rowTable[a] = grayRows[top - a - (r - radius)];
    };
    TapSpan<float> span;
    span.rowTable = rowTable;
    span.columns = 1;
    span.weightStride = 1;
    for (int32_t m = 0; m < rowCount;) {
        const int64_t y = r + m;
        if (m + atOnce <= rowCount && y - radius >= 0 && y + atOnce - 1 + radius < height) {
            // Rows whose whole kernel meets the plane, several at once: each
            // gray row loaded once for all of them.
            rowsFrom(y + atOnce - 1 + radius, length + atOnce - 1);
            span.rows = length + atOnce - 1;
            span.weights = kernel;
            SpanOutput outputs[kMaxDerivativeRowsAtOnce];
            for (int32_t k = 0; k < atOnce; ++k) outputs[k] = SumsInto(destinations[m + atOnce - 1 - k], count);
            ConvolveColumnRows(span, outputs, atOnce);
            m += atOnce;
        } else {
            const RowRange taps = KernelRowsInside(y, length, height);
            rowsFrom(y + radius - taps.first, taps.count);
            span.rows = static_cast<int32_t>(taps.count);
            span.weights = kernel + taps.first;
            ConvolveSpan(span, SumsInto(destinations[m], count));
            m += 1;
        }
    }
}

namespace {

// The suppression works on strips of columns, each thread down its block of
// rows, with every working row on its stack: the two gradients and the
// magnitudes of the rows at and beside the one it suppresses, and the column
// gray rows (as floats) that the column derivative reads. The gray planes
// are read once for each strip, as bytes.
constexpr int64_t kSuppressionStrip = 768;
constexpr int64_t kStripFloats = kSuppressionStrip + 2;  // one column further either side
// Column gradient rows held: those of the rows above and at the one being
// suppressed, and a batch computed at once from the row below.
constexpr int64_t kGradientRing = 8;
// Column gray rows held: every row one batch of column gradients reads.
constexpr int64_t kGrayRing = kMaxDerivativeLength + kMaxDerivativeRowsAtOnce - 1;
// How far ahead of the rows being converted the gray planes' rows are asked
// for: in strips, each row's part is a few cache lines on a page of its own.
constexpr int64_t kPrefetchRows = 4;

struct SuppressionRows {
    float rowGradient[3][kStripFloats];
    float columnGradient[kGradientRing][kStripFloats];
    float magnitude[3][kStripFloats];
    float columnGray[kGrayRing][kStripFloats];
    float rowGray[kStripFloats + 2 * (kMaxDerivativeLength / 2)];
};

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

void SuppressAndThreshold(const EdgeGrayPlanes& gray, const PixelPlane& output, int32_t level) {
    const int32_t height = output.height;
    const int32_t width = output.width;
    if (height <= 2 || width <= 2) return;
    const float threshold = static_cast<float>(level);
    const EdgeRows& edgeRows = kaf_isa::WidestTable(EdgeRowsFor);
    const int32_t length = gray.length;
    const int64_t radius = (length - 1) / 2;
    // Blocks of rows go out as threads finish their last.
    ParallelRowBlocks(height - 2, 16, [&](int32_t b0, int32_t b1) {
        SuppressionRows work;
        // Interior columns 1..width-2 in strips; each strip's gradients and
        // magnitudes reach one column further either side, from c0 on.
        for (int64_t p0 = 1; p0 < width - 1; p0 += kSuppressionStrip) {
            const int64_t p1 = std::min<int64_t>(width - 1, p0 + kSuppressionStrip);
            const int64_t c0 = p0 - 1;
            const int64_t count = p1 - p0 + 2;
            int64_t held[3] = {-1, -1, -1};
            int64_t grayHeld[kGrayRing];
            std::fill(grayHeld, grayHeld + kGrayRing, -1);
            int64_t gradientsTo = b0;  // rows b0 .. gradientsTo - 1 have their column gradient
            // The column gradients of rows q .. q + batch - 1 (the block's rows
            // b0 .. b1 + 1 are its own and one either side).
            auto columnGradients = [&](int64_t q) {
                const int32_t batch = static_cast<int32_t>(std::min<int64_t>(kMaxDerivativeRowsAtOnce, b1 + 2 - q));
                const float* grayRows[kMaxDerivativeLength + kMaxDerivativeRowsAtOnce];
                for (int64_t a = 0; a < length + batch - 1; ++a) {
                    const int64_t j = q - radius + a;
                    grayRows[a] = nullptr;
                    if (j < 0 || j >= height) continue;
                    float* slot = work.columnGray[j % kGrayRing];
                    if (grayHeld[j % kGrayRing] != j) {
                        if (j + kPrefetchRows < height) {
                            PrefetchRow(gray.alongColumns + (j + kPrefetchRows) * width + c0, static_cast<size_t>(count));
                        }
                        ConvertSamples(gray.alongColumns + j * width + c0, slot, count);
                        grayHeld[j % kGrayRing] = j;
                    }
                    grayRows[a] = slot;
                }
                float* destinations[kMaxDerivativeRowsAtOnce];
                for (int32_t m = 0; m < batch; ++m) destinations[m] = work.columnGradient[(q + m) % kGradientRing];
                ColumnDerivativeRows(grayRows, gray.derivative, length, height, static_cast<int32_t>(q), batch, count,
                                     destinations);
                gradientsTo = q + batch;
            };
            // The row gradient of row q, from its gray row as far as the
            // kernel reaches beyond the strip.
            auto rowGradient = [&](int64_t q) {
                const int64_t a0 = std::max<int64_t>(0, c0 - radius);
                const int64_t a1 = std::min<int64_t>(width, c0 + count + radius);
                if (q + kPrefetchRows < height) {
                    PrefetchRow(gray.alongRows + (q + kPrefetchRows) * width + a0, static_cast<size_t>(a1 - a0));
                }
                ConvertSamples(gray.alongRows + q * width + a0, work.rowGray, a1 - a0);
                RowDerivative(work.rowGray, a0, gray.derivative, length, c0, count, width, work.rowGradient[q % 3]);
            };
            for (int64_t r = 1 + b0; r < 1 + b1; ++r) {
                for (int64_t q = r - 1; q <= r + 1; ++q) {
                    if (held[q % 3] == q) continue;
                    if (q >= gradientsTo) columnGradients(q);
                    rowGradient(q);
                    Magnitudes(work.rowGradient[q % 3], work.columnGradient[q % kGradientRing], work.magnitude[q % 3],
                               count);
                    held[q % 3] = q;
                }
                edgeRows.suppress(work.rowGradient[r % 3], work.columnGradient[r % kGradientRing],
                                  work.magnitude[(r - 1) % 3], work.magnitude[r % 3], work.magnitude[(r + 1) % 3],
                                  output.Row(static_cast<int32_t>(r)) + c0, static_cast<int32_t>(count), threshold);
            }
        }
    });
}
