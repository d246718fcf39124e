// The row routines of "flat_field", one table per instruction set.
#pragma once

#include <cstdint>

#include "instruction_sets.h"

struct FlatFieldRows {
    // Flat-field correction of one row of `width` pixels (any width).
    void (*gray)(const uint8_t* input, const uint8_t* white, uint8_t* output, int32_t width, float mean);
    void (*bgr)(const uint8_t* input, const uint8_t* white, uint8_t* output, int32_t width, float mean);
    void (*bgra)(const uint8_t* input, const uint8_t* white, uint8_t* output, int32_t width, float mean);
};

// The table compiled for the set (null where the build has none), and the
// widest one the processor runs.
const FlatFieldRows* FlatFieldRowsFor(kaf_isa::InstructionSet set);
const FlatFieldRows& FlatFieldRowsToUse();
