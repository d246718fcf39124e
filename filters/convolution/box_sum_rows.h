// The row routines of the box-kernel engine (box_kernel.h), one table per
// instruction set. The sums are whole numbers and each quotient a single
// division, so every set gives the same bytes.
#pragma once

#include <cstdint>

#include "instruction_sets.h"

// How a window sum S (at least 0) becomes a byte: S, or S / divisor in
// single precision when `divide`, truncated, and 255 above 255. With
// fourthBytes, every fourth byte (byte 3 of a 32-bit pixel) is copied from
// there instead.
struct BoxFinish {
    bool divide = false;
    float divisor = 1.0f;
    const uint8_t* fourthBytes = nullptr;
};

struct BoxSumRows {
    // sums[i] += added[i] - removed[i], for i < count; a null row adds or
    // takes nothing.
    void (*slide)(int32_t* sums, const uint8_t* added, const uint8_t* removed, int64_t count);
    // out[i] = the byte of sums[i] + sums[i + step] + ... (span terms, `step`
    // apart) + extra x centre[i], for i < count (a multiple of 4 with
    // fourthBytes).
    void (*windows)(const int32_t* sums, int64_t step, int32_t span, const uint8_t* centre, int32_t extra,
                    const BoxFinish& finish, uint8_t* out, int64_t count);
};

// The table compiled for the set (null where the build has none); the engine
// uses kaf_isa::WidestTable(BoxSumRowsFor).
const BoxSumRows* BoxSumRowsFor(kaf_isa::InstructionSet set);
