#include "lane_routines.h"

LaneRoutines LanesPlain() {
    // No vector spans or groups: their callers take every sample on its own.
    LaneRoutines lanes;
    lanes.spanOfBytes = nullptr;
    lanes.spanOfFloats = nullptr;
    lanes.columnRowsOfFloats = nullptr;
    lanes.columnRows[0] = lanes.columnRows[1] = lanes.columnRows[2] = 1;
    lanes.convert = nullptr;
    lanes.rowsSideBySide = nullptr;
    lanes.magnitudes = nullptr;
    lanes.convertColours = nullptr;
    lanes.joinFourthBytes = nullptr;
    lanes.blockSamples = INT32_MAX;
    return lanes;
}

const LaneRoutines* LanesFor(kaf_isa::InstructionSet set) {
    using kaf_isa::InstructionSet;
    // A set's routines are listed the first time that set is asked for:
    // the listing is compiled for the set and runs only where it runs.
    switch (set) {
        case InstructionSet::Baseline: {
#if defined(KAF_LANES_X86)
            // SSE2 is the baseline of every x86 build.
            static const LaneRoutines baseline = LanesSse2();
#else
            static const LaneRoutines baseline = LanesPlain();
#endif
            return &baseline;
        }
#if defined(KAF_LANES_X86)
        case InstructionSet::Avx2: {
            static const LaneRoutines avx2 = LanesAvx2();
            return &avx2;
        }
        case InstructionSet::Avx512: {
            static const LaneRoutines avx512 = LanesAvx512();
            return &avx512;
        }
#endif
        default:
            return nullptr;
    }
}

const LaneRoutines& Lanes() {
    static const LaneRoutines& lanes = kaf_isa::WidestTable(LanesFor);
    return lanes;
}
