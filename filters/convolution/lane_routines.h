// The vectorised routines of the convolution family, compiled once per
// instruction set (lanes_*.cpp) from the same source; Lanes() is the set for
// the widest instruction set the processor runs, chosen once. Every routine
// gives the same bytes in every set: each lane does one sample's own
// arithmetic in the same order.
#pragma once

#include <cstdint>

#include "instruction_sets.h"
#include "tap_span.h"

struct LaneRoutines {
    // ConvolveSpan for spans of at least blockSamples samples.
    void (*spanOfBytes)(const TapSpan<uint8_t>& taps, const SpanOutput& out);
    void (*spanOfFloats)(const TapSpan<float>& taps, const SpanOutput& out);
    // ConvolveColumnRows for columnRows outputs, for counts >= blockSamples.
    void (*columnRowsOfFloats)(const TapSpan<float>& taps, const SpanOutput* outputs);
    int32_t columnRows;
    // floats[i] = bytes[i] x scale, for count >= blockSamples.
    void (*convert)(const uint8_t* bytes, float* floats, int64_t count, float scale);
    // magnitude[i] = sqrt(gx[i] * gx[i] + gy[i] * gy[i]), for count >= blockSamples.
    void (*magnitudes)(const float* gx, const float* gy, float* magnitude, int64_t count);
    int32_t blockSamples;
    // Flat-field correction of one row of `width` pixels (any width).
    void (*flatFieldGray)(const uint8_t* input, const uint8_t* white, uint8_t* output, int32_t width, float mean);
    void (*flatFieldBgr)(const uint8_t* input, const uint8_t* white, uint8_t* output, int32_t width, float mean);
    void (*flatFieldBgra)(const uint8_t* input, const uint8_t* white, uint8_t* output, int32_t width, float mean);
    // Edge rows (any width): the gray value of colour pixels, and the
    // suppression and threshold of one interior row (see edge_rows.inc).
    void (*grayOfBgr)(const uint8_t* pixels, float* gray, int32_t width);
    void (*grayOfBgra)(const uint8_t* pixels, float* gray, int32_t width);
    void (*suppress)(const float* gx, const float* gy, const float* magnitudeAbove, const float* magnitude,
                     const float* magnitudeBelow, uint8_t* output, int32_t width, float level);
};

const LaneRoutines& Lanes();

// The sets themselves, for tests that hold them to one another.
#if defined(KAF_X86_SETS)
#define KAF_LANES_X86 1
LaneRoutines LanesSse2();
LaneRoutines LanesAvx2();
LaneRoutines LanesAvx512();
#endif
LaneRoutines LanesPlain();
