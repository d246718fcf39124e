// The row routines of the thresholded morphology's window pass, one table per
// instruction set.
#pragma once

#include <array>
#include <cstdint>

#include "instruction_sets.h"
#include "pixel_format.h"

// How a pass classifies the pixels of one source for one level: every pixel
// a hit, none, or a comparison of the grey value (8 bits) or the colour sum
// (24 and 32 bits) with a limit that fits it.
struct HitRule {
    enum Kind : uint8_t { kNone, kAll, kCompare } kind = kNone;
    uint16_t limit = 0;
};

struct ThresholdRows {
    // Writes destination rows [rowBegin, rowEnd) of a window pass of the
    // radius, carrying the window down the block: a pixel is near (0 for
    // dilation, 255 for erosion) when a hit lies in its clipped window, far
    // otherwise. Dilation hits are values at or below the limit, erosion
    // hits values at or above it.
    using Rows = void (*)(const PixelPlane& source, const PixelPlane& destination, int32_t rowBegin,
                          int32_t rowEnd, int32_t radius, HitRule rule);
    // Indexed by the source's depth: 8, 24, 32 bits.
    std::array<Rows, 3> dilation;
    std::array<Rows, 3> erosion;
    // A pass of the rule, then a pass of the other rule over its result, in
    // one: closing is dilation first, opening erosion first. `rule` is the
    // first pass's; both passes must read 0 as object and 255 as background
    // (PassesChain for both rules at the level).
    std::array<Rows, 3> closing;
    std::array<Rows, 3> opening;
};

// The table compiled for the set (null where the build has none); the passes
// use kaf_isa::WidestTable(ThresholdRowsFor).
const ThresholdRows* ThresholdRowsFor(kaf_isa::InstructionSet set);
