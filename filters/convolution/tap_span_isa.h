// The block loop of ConvolveSpan for each instruction set it is compiled for
// (tap_span_*.cpp); tap_span.cpp picks the widest the processor runs.
#pragma once

#include <cstdint>

#include "tap_span.h"

struct SpanBlockRoutine {
    void (*convolve)(const TapSpan& taps, const SpanOutput& out);  // needs count >= blockSamples
    int32_t blockSamples;
};

#if defined(__GNUC__) && defined(__x86_64__)
#define KAF_SPAN_X86 1
SpanBlockRoutine SpanBlocksSse2();
SpanBlockRoutine SpanBlocksAvx2();
SpanBlockRoutine SpanBlocksAvx512();
#endif
