// The vectorised routines of the convolution family, compiled once per
// instruction set (lanes_*.cpp) from the same source; Lanes() is the set for
// the widest instruction set the processor runs, chosen once. Every routine
// gives the same bytes in every set: each lane does one sample's own
// arithmetic in the same order.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

#include "instruction_sets.h"
#include "tap_span.h"

struct LaneRoutines {
    // ConvolveSpan for spans of at least blockSamples samples.
    void (*spanOfBytes)(const TapSpan<uint8_t>& taps, const SpanOutput& out);
    void (*spanOfFloats)(const TapSpan<float>& taps, const SpanOutput& out);
    // ConvolveColumnRows for counts >= blockSamples. Kernels of up to three
    // rows take columnRows[0] outputs at once, taller ones columnRows[1], or
    // columnRows[2] when their weights are all the same.
    void (*columnRowsOfFloats)(const TapSpan<float>& taps, const SpanOutput* outputs, int32_t rowsAtOnce);
    int32_t columnRows[3];
    // floats[i] = bytes[i] x scale, for count >= blockSamples.
    void (*convert)(const uint8_t* bytes, float* floats, int64_t count, float scale);
    // ConvertColours and JoinFourthBytes (tap_span.h) for the first pixels
    // in whole vectors; they return how many pixels they did. The join's
    // output starts on a 64-byte boundary. Null where a set has no routine
    // of its own: the callers then do every pixel.
    int64_t (*convertColours)(const uint8_t* bgra, float* bgr, int64_t pixels, float scale);
    int64_t (*joinFourthBytes)(const uint8_t* bgr, const uint8_t* fourth, uint8_t* bgra, int64_t pixels);
    // magnitude[i] = sqrt(gx[i] * gx[i] + gy[i] * gy[i]), for count >= blockSamples.
    void (*magnitudes)(const float* gx, const float* gy, float* magnitude, int64_t count);
    int32_t blockSamples;
};

const LaneRoutines& Lanes();

// The table compiled for the set (null where the build has none).
const LaneRoutines* LanesFor(kaf_isa::InstructionSet set);

// The sets themselves; LanesPlain() takes every sample on its own, the
// reference the tests hold the others to.
#if defined(KAF_X86_SETS)
#define KAF_LANES_X86 1
LaneRoutines LanesSse2();
LaneRoutines LanesAvx2();
LaneRoutines LanesAvx512();
#endif
LaneRoutines LanesPlain();
