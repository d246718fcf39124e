// The row routines of "edge", one table per instruction set.
#pragma once

#include <cstdint>

#include "instruction_sets.h"

struct EdgeRows {
    // The gray value of colour pixels, and the suppression and threshold of
    // one interior row (see edge_rows.inc); any width.
    void (*grayOfBgr)(const uint8_t* pixels, uint8_t* gray, int32_t width);
    void (*grayOfBgra)(const uint8_t* pixels, uint8_t* gray, int32_t width);
    void (*suppress)(const float* gx, const float* gy, const float* magnitudeAbove, const float* magnitude,
                     const float* magnitudeBelow, uint8_t* output, int32_t width, float level);
};

// The table compiled for the set (null where the build has none); the edge
// stages use kaf_isa::WidestTable(EdgeRowsFor).
const EdgeRows* EdgeRowsFor(kaf_isa::InstructionSet set);
