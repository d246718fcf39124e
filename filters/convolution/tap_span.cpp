#include "tap_span.h"

#include "numeric.h"
#include "tap_span_isa.h"

namespace {

uint8_t FinishSample(float sum, const SpanOutput& out) {
    if (out.finish == SpanFinish::LowByte) return TruncateToByte(sum / out.divisor);
    const float q = out.divide ? sum / out.divisor : sum;
    if (!(q > 0.0f)) return 0;  // below 0, and NaN
    if (q > 255.0f) return 255;
    return static_cast<uint8_t>(q);
}

// Spans shorter than a vector block (border pixels, narrow frames), one
// sample at a time.
void ConvolveSamples(const TapSpan& taps, const SpanOutput& out) {
    for (int32_t j = 0; j < out.count; ++j) {
        if (out.fourthBytes && (j & 3) == 3) {
            out.samples[j] = out.fourthBytes[j];
            continue;
        }
        float sum = 0.0f;
        for (int32_t a = 0; a < taps.rows; ++a) {
            const uint8_t* row = taps.origin + j + a * taps.rowStep;
            const float* weights = taps.weights + a * taps.weightStride;
            for (int32_t b = 0; b < taps.columns; ++b) sum = sum + float(row[b * taps.columnStep]) * weights[b];
        }
        out.samples[j] = FinishSample(sum, out);
    }
}

SpanBlockRoutine PickBlockRoutine() {
#if defined(KAF_SPAN_X86)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return SpanBlocksAvx512();
    if (__builtin_cpu_supports("avx2")) return SpanBlocksAvx2();
    return SpanBlocksSse2();
#else
    return {nullptr, INT32_MAX};
#endif
}

const SpanBlockRoutine& BlockRoutine() {
    static const SpanBlockRoutine routine = PickBlockRoutine();
    return routine;
}

}  // namespace

void ConvolveSpan(const TapSpan& taps, const SpanOutput& out) {
    const SpanBlockRoutine& blocks = BlockRoutine();
    if (out.count >= blocks.blockSamples) {
        blocks.convolve(taps, out);
    } else {
        ConvolveSamples(taps, out);
    }
}

float SumSpanWeights(const TapSpan& taps) {
    float sum = 0.0f;
    for (int32_t a = 0; a < taps.rows; ++a) {
        for (int32_t b = 0; b < taps.columns; ++b) sum = sum + taps.weights[a * taps.weightStride + b];
    }
    return sum;
}
