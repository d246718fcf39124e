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

// The row pass of a kernel of equal weights (premultiplied products) over
// kRowsSideBySide frame rows at once, the rows laid side by side so that
// one vector holds a sample of every row: a tap's vector is then loaded
// once for several outputs, whole, where along a row each tap loads its own
// samples across cache lines. Output sample s of row i is what ConvolveRows
// writes there: the n taps s + step x (k - r) inside the row, k = 0..n-1
// in order, each adding byte x weight; then S / W truncated, low byte.
// Output samples of a channel not filtered come out with no particular value.
constexpr int kRowsSideBySide = 16;
struct RowsSideBySide {
    const uint8_t* input[kRowsSideBySide];  // the rows' samples 0 .. samples - 1
    uint8_t* output[kRowsSideBySide];       // output sample s at output[i][s - first]
    int64_t samples;                        // of a frame row
    int64_t first, end;                     // the output samples first .. end - 1
    int64_t step;                           // samples a pixel, between taps
    int64_t channels;                       // the first samples of a pixel that are filtered
    int32_t taps;                           // n, odd
    float weight;                           // every tap's
    // weightSums[j]: W of a sample whose pixel has j taps inside the row
    // (those weights added in kernel order from 0), j = 1..n.
    const float* weightSums;
    uint8_t* scratch;  // RowsSideBySideScratch(step, taps) bytes
};
// Samples a pass takes at a time: their columns (and the taps' reach either
// side) stay in the first-level cache.
constexpr int64_t kSideBySideChunk = 256;
inline int64_t RowsSideBySideScratch(int64_t step, int32_t taps) {
    const int64_t reach = step * ((taps - 1) / 2);
    // The chunk's columns and their reach as products, and the output columns.
    return kRowsSideBySide * (sizeof(float) * (kSideBySideChunk + 2 * reach + 16) + kSideBySideChunk);
}

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
    // The row pass of kRowsSideBySide rows at once (see RowsSideBySide).
    void (*rowsSideBySide)(const RowsSideBySide& rows);
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
