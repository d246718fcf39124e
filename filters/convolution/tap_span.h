// The inner routine of every convolution in this directory: a run of
// consecutive output samples (bytes) of one row, each the weighted sum of
// input samples at the same fixed offsets from its own position.
//
// Sample j of the span reads, for kernel row a = 0..rows-1 and, within it,
// kernel column b = 0..columns-1 (in that order), the input byte at
// origin + j + a * rowStep + b * columnStep, with the weight
// weights[a * weightStride + b]. The sum S starts at 0 and takes each tap as
// S = S + float(byte) * weight in single precision, so a sample's arithmetic
// is the same whether it is computed alone or in a vector lane.
//
// Callers clip the kernel to the taps that lie inside the frame before they
// describe a span (taps outside the frame contribute neither weight nor
// pixel), so the routine itself makes no border tests.
#pragma once

#include <cstddef>
#include <cstdint>

struct TapSpan {
    const uint8_t* origin = nullptr;  // the byte tap (0, 0) reads for sample 0
    ptrdiff_t rowStep = 0;            // byte distance between successive kernel rows
    ptrdiff_t columnStep = 0;         // byte distance between successive kernel columns
    int32_t rows = 0;
    int32_t columns = 0;
    const float* weights = nullptr;   // weight of tap (0, 0)
    ptrdiff_t weightStride = 0;       // distance between kernel rows in the weight array
};

// How a sum becomes a byte.
enum class SpanFinish {
    // S / divisor, truncated toward zero to 32 bits (x86 rule), low 8 bits:
    // the separable passes.
    LowByte,
    // S (divided by divisor when `divide`), then 0 below 0 and for NaN, 255
    // above 255, else truncated: the two-dimensional kernel engine.
    Saturate,
};

struct SpanOutput {
    uint8_t* samples = nullptr;             // sample 0 of the span
    int32_t count = 0;
    SpanFinish finish = SpanFinish::LowByte;
    bool divide = true;                     // only read for Saturate
    float divisor = 1.0f;
    // At 32 bits per pixel: the input bytes at the output's positions; every
    // fourth sample (byte 3 of a pixel) is copied from here instead of being
    // filtered. The span must then start at a pixel. Null otherwise.
    const uint8_t* fourthBytes = nullptr;
};

// Computes every sample of the span.
void ConvolveSpan(const TapSpan& taps, const SpanOutput& out);

// W: the weights of the span's taps added in tap order, from 0.
float SumSpanWeights(const TapSpan& taps);
