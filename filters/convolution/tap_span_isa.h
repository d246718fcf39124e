// The block loop of ConvolveSpan for each instruction set it is compiled for
// (tap_span_*.cpp); tap_span.cpp picks the widest the processor runs.
#pragma once

#include <cstdint>

#include "tap_span.h"

struct SpanBlockRoutine {
    // Both need out.count >= blockSamples.
    void (*bytes)(const TapSpan<uint8_t>& taps, const SpanOutput& out);
    void (*floats)(const TapSpan<float>& taps, const SpanOutput& out);
    void (*convert)(const uint8_t* bytes, float* floats, int64_t count, float scale);  // count >= blockSamples
    int32_t blockSamples;
};

#if defined(__GNUC__) && defined(__x86_64__)
#define KAF_SPAN_X86 1
SpanBlockRoutine SpanBlocksSse2();
SpanBlockRoutine SpanBlocksAvx2();
SpanBlockRoutine SpanBlocksAvx512();
#endif
