#include "tap_span.h"

#include <algorithm>

#include "lane_routines.h"
#include "numeric.h"

namespace {

inline uint8_t LowByte(float sum, float divisor) { return TruncateToByte(sum / divisor); }

uint8_t Saturated(float sum, const SpanOutput& out) {
    const float q = out.divide ? sum / out.divisor : sum;
    if (!(q > 0.0f)) return 0;  // below 0, and NaN
    if (q > 255.0f) return 255;
    return static_cast<uint8_t>(q);
}

// Whether output sample j is byte 3 of a pixel, copied from the input.
bool TakesFourthByte(const SpanOutput& out, int32_t j) {
    const bool byteOutput = out.finish == SpanFinish::LowByte || out.finish == SpanFinish::Saturate;
    return byteOutput && out.fourthBytes && (j & 3) == 3;
}

// Output sample j from its sum.
void StoreSum(const SpanOutput& out, int32_t j, float sum) {
    switch (out.finish) {
    case SpanFinish::LowByte: static_cast<uint8_t*>(out.samples)[j] = LowByte(sum, out.divisor); break;
    case SpanFinish::LowByteValue:
        static_cast<float*>(out.samples)[j] = float(LowByte(sum, out.divisor)) * out.scale;
        break;
    case SpanFinish::Saturate: static_cast<uint8_t*>(out.samples)[j] = Saturated(sum, out); break;
    case SpanFinish::Sum: static_cast<float*>(out.samples)[j] = sum; break;
    }
}

// Spans shorter than a vector block (border pixels, narrow frames), one
// sample at a time.
template <class Sample>
void ConvolveSamples(const TapSpan<Sample>& taps, const SpanOutput& out) {
    for (int32_t j = 0; j < out.count; ++j) {
        if (TakesFourthByte(out, j)) {
            static_cast<uint8_t*>(out.samples)[j] = out.fourthBytes[j];
            continue;
        }
        float sum = 0.0f;
        for (int32_t a = 0; a < taps.rows; ++a) {
            const Sample* row = taps.RowOrigin(a) + j;
            const float* weights = taps.weights + a * taps.weightStride;
            for (int32_t b = 0; b < taps.columns; ++b) {
                const float sample = row[b * taps.columnStep];
                sum = sum + (taps.premultiplied ? sample : sample * weights[b]);
            }
        }
        StoreSum(out, j, sum);
    }
}

// Spans long enough for the lanes' blocks go to the vector routine, the
// rest sample by sample.
template <class Sample>
void ConvolveSpanWith(void (*blocks)(const TapSpan<Sample>&, const SpanOutput&), const TapSpan<Sample>& taps,
                      const SpanOutput& out) {
    if (out.count >= Lanes().blockSamples) {
        blocks(taps, out);
    } else {
        ConvolveSamples(taps, out);
    }
}

}  // namespace

void FinishSums(const float* sums, const SpanOutput& out) {
    for (int32_t j = 0; j < out.count; ++j) {
        if (TakesFourthByte(out, j)) {
            static_cast<uint8_t*>(out.samples)[j] = out.fourthBytes[j];
        } else {
            StoreSum(out, j, sums[j]);
        }
    }
}

void ConvolveSpan(const TapSpan<uint8_t>& taps, const SpanOutput& out) {
    ConvolveSpanWith(Lanes().spanOfBytes, taps, out);
}

void ConvolveSpan(const TapSpan<float>& taps, const SpanOutput& out) {
    ConvolveSpanWith(Lanes().spanOfFloats, taps, out);
}

// More rows at once pay off for kernels of more than three rows only.
int32_t ColumnRowsAtOnce(int32_t kernelRows, bool equalWeights) {
    return Lanes().columnRows[kernelRows <= 3 ? 0 : equalWeights ? 2 : 1];
}

void ConvolveColumnRows(const TapSpan<float>& taps, const SpanOutput* outputs, int32_t rowsAtOnce) {
    const LaneRoutines& lanes = Lanes();
    if (outputs[0].count >= lanes.blockSamples) {
        lanes.columnRowsOfFloats(taps, outputs, rowsAtOnce);
        return;
    }
    TapSpan<float> window = taps;
    window.rows = taps.rows - (rowsAtOnce - 1);
    for (int32_t m = 0; m < rowsAtOnce; ++m) {
        window.rowTable = taps.rowTable + m;
        ConvolveSpan(window, outputs[m]);
    }
}

void ConvertSamples(const uint8_t* bytes, float* floats, int64_t count, float scale) {
    const LaneRoutines& lanes = Lanes();
    if (count >= lanes.blockSamples) {
        lanes.convert(bytes, floats, count, scale);
    } else {
        for (int64_t i = 0; i < count; ++i) floats[i] = float(bytes[i]) * scale;
    }
}

void ConvertColours(const uint8_t* bgra, float* bgr, int64_t pixels, float scale) {
    const LaneRoutines& lanes = Lanes();
    for (int64_t i = lanes.convertColours ? lanes.convertColours(bgra, bgr, pixels, scale) : 0; i < pixels; ++i) {
        for (int64_t c = 0; c < 3; ++c) bgr[3 * i + c] = float(bgra[4 * i + c]) * scale;
    }
}

void JoinFourthBytes(const uint8_t* bgr, const uint8_t* fourth, uint8_t* bgra, int64_t pixels) {
    int64_t i = 0;
    auto plainUpTo = [&](int64_t end) {
        for (; i < end; ++i) {
            for (int64_t c = 0; c < 3; ++c) bgra[4 * i + c] = bgr[3 * i + c];
            bgra[4 * i + 3] = fourth[4 * i + 3];
        }
    };
    // The vector routine starts where the output reaches a 64-byte boundary
    // (never, for pixels off 4-byte boundaries).
    const LaneRoutines& lanes = Lanes();
    const uintptr_t offset = reinterpret_cast<uintptr_t>(bgra) % 64;
    if (lanes.joinFourthBytes && offset % 4 == 0) {
        plainUpTo(std::min<int64_t>(pixels, static_cast<int64_t>((64 - offset) % 64 / 4)));
        i += lanes.joinFourthBytes(bgr + 3 * i, fourth + 4 * i, bgra + 4 * i, pixels - i);
    }
    plainUpTo(pixels);
}
