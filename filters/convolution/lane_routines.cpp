#include "lane_routines.h"

#include <cmath>
#include <cstring>

namespace lanes_plain {
#include "flat_field_rows.inc"
#include "edge/edge_rows.inc"
}  // namespace lanes_plain

LaneRoutines LanesPlain() {
    // No vector spans or groups: their callers take every sample on its own.
    LaneRoutines lanes;
    lanes.spanOfBytes = nullptr;
    lanes.spanOfFloats = nullptr;
    lanes.columnRowsOfFloats = nullptr;
    lanes.columnRows = 1;
    lanes.convert = nullptr;
    lanes.magnitudes = nullptr;
    lanes.blockSamples = INT32_MAX;
    lanes.flatFieldGray = lanes_plain::FlatFieldGray;
    lanes.flatFieldBgr = lanes_plain::FlatFieldBgr;
    lanes.flatFieldBgra = lanes_plain::FlatFieldBgra;
    lanes.grayOfBgr = lanes_plain::GrayOfColour<3>;
    lanes.grayOfBgra = lanes_plain::GrayOfColour<4>;
    lanes.suppress = lanes_plain::SuppressRow;
    return lanes;
}

namespace {

LaneRoutines PickLanes() {
#if defined(KAF_LANES_X86)
    using kaf_isa::InstructionSet;
    if (kaf_isa::ProcessorRuns(InstructionSet::Avx512)) return LanesAvx512();
    if (kaf_isa::ProcessorRuns(InstructionSet::Avx2)) return LanesAvx2();
    return LanesSse2();
#else
    return LanesPlain();
#endif
}

}  // namespace

const LaneRoutines& Lanes() {
    static const LaneRoutines lanes = PickLanes();
    return lanes;
}
