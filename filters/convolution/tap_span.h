// The inner routine of every convolution in this module: a run of
// consecutive output samples of one row, each the weighted sum of source
// samples at the same fixed offsets from its own position.
//
// Sample j of the span reads, for kernel row a = 0..rows-1 and, within it,
// kernel column b = 0..columns-1 (in that order), the source sample at
// RowOrigin(a) + j + b * columnStep with the weight
// weights[a * weightStride + b]. The sum S starts at 0 and takes each tap as
// S = S + sample * weight in single precision (bytes converted to float), so
// a sample's arithmetic is the same whether it is computed alone or in a
// vector lane.
//
// Callers clip the kernel to the taps that lie inside the frame before they
// describe a span (taps outside contribute neither weight nor pixel), so the
// routine itself makes no border tests.
#pragma once

#include <cstddef>
#include <cstdint>

// Samples are frame bytes or floats (rows converted once, planes).
template <class Sample>
struct TapSpan {
    // Kernel row a starts at rowTable[a] when there is a table, else at
    // origin + a * rowStep; either way shifted by `shift` samples.
    const Sample* const* rowTable = nullptr;
    const Sample* origin = nullptr;
    ptrdiff_t rowStep = 0;
    ptrdiff_t shift = 0;
    ptrdiff_t columnStep = 0;  // between successive kernel columns
    int32_t rows = 0;
    int32_t columns = 0;
    const float* weights = nullptr;  // weight of tap (0, 0)
    ptrdiff_t weightStride = 0;      // between kernel rows in the weight array
    // The samples already are byte x weight (a kernel of equal weights, whose
    // products are the same for every tap that reads a sample): the taps only
    // add them. The weights still give W.
    bool premultiplied = false;

    const Sample* RowOrigin(int32_t a) const { return (rowTable ? rowTable[a] : origin + a * rowStep) + shift; }
};

// How a sum becomes an output sample.
enum class SpanFinish {
    // Bytes: S / divisor truncated toward zero to 32 bits (x86 rule), low 8
    // bits. The separable passes.
    LowByte,
    // Floats: the LowByte value as a float, times `scale` (a row pass whose
    // result feeds a column pass without going through memory as bytes).
    LowByteValue,
    // Bytes: S (divided by divisor when `divide`), then 0 below 0 and for NaN,
    // 255 above 255, else truncated. The two-dimensional kernel engine.
    Saturate,
    // Floats: S itself. Derivative passes over float planes.
    Sum,
};

struct SpanOutput {
    void* samples = nullptr;  // uint8_t for LowByte and Saturate, float otherwise
    int32_t count = 0;
    SpanFinish finish = SpanFinish::LowByte;
    bool divide = true;  // only read for Saturate
    float divisor = 1.0f;
    float scale = 1.0f;  // only read for LowByteValue
    // Only read for LowByteValue: every quotient is known to lie in 0 .. 255
    // (a kernel of positive weights over bytes), so that truncating it is
    // already its low byte.
    bool inByteRange = false;
    // Byte outputs at 32 bits per pixel: the input bytes at the output's
    // positions; every fourth sample (byte 3 of a pixel) is copied from here
    // instead of being filtered. The span must then start at a pixel.
    const uint8_t* fourthBytes = nullptr;
};

// Computes every sample of the span.
void ConvolveSpan(const TapSpan<uint8_t>& taps, const SpanOutput& out);
void ConvolveSpan(const TapSpan<float>& taps, const SpanOutput& out);

// The outputs of a span whose sums are known already (sums[j] for output
// sample j): what ConvolveSpan stores for those sums.
void FinishSums(const float* sums, const SpanOutput& out);

// Output rows y + c - 1 down to y, c = ColumnRowsAtOnce(n, equalWeights),
// of a kernel of one column whose n rows all meet the frame for every one
// of them: taps.rows = n + c - 1, outputs[m] (row y + c - 1 - m) taking the
// table's rows m..m+n-1 as its kernel rows 0..n-1 (kernel row 0 meets its
// highest row). The same samples as c ConvolveSpan calls, with the shared
// rows read once. A count asked for with equalWeights needs premultiplied
// taps.
int32_t ColumnRowsAtOnce(int32_t kernelRows, bool equalWeights);
void ConvolveColumnRows(const TapSpan<float>& taps, const SpanOutput* outputs, int32_t rowsAtOnce);

// floats[i] = bytes[i] x scale (single precision) for i < count.
void ConvertSamples(const uint8_t* bytes, float* floats, int64_t count, float scale = 1.0f);

// BGRA pixels to their colour samples: bgr[3i + c] = bgra[4i + c] x scale
// (single precision) for c < 3, i < pixels; byte 3 is left out.
void ConvertColours(const uint8_t* bgra, float* bgr, int64_t pixels, float scale = 1.0f);

// And colour bytes back to BGRA pixels: bgra[4i + c] = bgr[3i + c] for c < 3,
// and bgra[4i + 3] = fourth[4i + 3] (byte 3 of the pixel at the same place).
void JoinFourthBytes(const uint8_t* bgr, const uint8_t* fourth, uint8_t* bgra, int64_t pixels);

// W: the weights of the span's taps added in tap order, from 0.
template <class Sample>
float SumSpanWeights(const TapSpan<Sample>& taps) {
    float sum = 0.0f;
    for (int32_t a = 0; a < taps.rows; ++a) {
        for (int32_t b = 0; b < taps.columns; ++b) sum = sum + taps.weights[a * taps.weightStride + b];
    }
    return sum;
}
