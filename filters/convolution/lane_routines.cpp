#include "lane_routines.h"

LaneRoutines LanesPlain() {
    // No vector spans or groups: their callers take every sample on its own.
    LaneRoutines lanes;
    lanes.spanOfBytes = nullptr;
    lanes.spanOfFloats = nullptr;
    lanes.columnRowsOfFloats = nullptr;
    lanes.columnRows[0] = lanes.columnRows[1] = 1;
    lanes.convert = nullptr;
    lanes.magnitudes = nullptr;
    lanes.convertColours = nullptr;
    lanes.joinFourthBytes = nullptr;
    lanes.blockSamples = INT32_MAX;
    return lanes;
}

const LaneRoutines* LanesFor(kaf_isa::InstructionSet set) {
    using kaf_isa::InstructionSet;
#if defined(KAF_LANES_X86)
    // SSE2 is the baseline of every x86 build.
    static const LaneRoutines baseline = LanesSse2();
    static const LaneRoutines avx2 = LanesAvx2();
    static const LaneRoutines avx512 = LanesAvx512();
    if (set == InstructionSet::Avx2) return &avx2;
    if (set == InstructionSet::Avx512) return &avx512;
#else
    static const LaneRoutines baseline = LanesPlain();
#endif
    return set == InstructionSet::Baseline ? &baseline : nullptr;
}

const LaneRoutines& Lanes() {
    static const LaneRoutines& lanes = kaf_isa::WidestTable(LanesFor);
    return lanes;
}
