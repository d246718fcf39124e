#include "lane_routines.h"

#include <cstring>

namespace lanes_plain {
#include "flat_field_rows.inc"
}  // namespace lanes_plain

LaneRoutines LanesPlain() {
    // No vector spans: ConvolveSpan computes every sample on its own.
    return {nullptr,
            nullptr,
            nullptr,
            INT32_MAX,
            lanes_plain::FlatFieldGray,
            lanes_plain::FlatFieldBgr,
            lanes_plain::FlatFieldBgra};
}

namespace {

LaneRoutines PickLanes() {
#if defined(KAF_LANES_X86)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq")) {
        return LanesAvx512();
    }
    if (__builtin_cpu_supports("avx2")) return LanesAvx2();
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
