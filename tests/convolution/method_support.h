// Helpers for running the convolution methods the way a host does.
#pragma once

#include <cstdint>

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "convolution/lane_routines.h"
#include "host_api.h"
#include "test_host.h"

namespace conv_test {

// Writes pixel bytes (rows without padding) into a frame.
inline void SetPixelBytes(FrameHandle frame, const std::vector<uint8_t>& bytes) {
    const int width = GetFrameWidth(frame);
    const int perPixel = GetFrameBPP(frame) / 8;
    kaf_test::FillFrame(frame, [&](int x, int y, int b) { return bytes[(size_t(y) * width + x) * perPixel + b]; });
}

inline void FillFlat(FrameHandle frame, uint8_t value) {
    kaf_test::FillFrame(frame, [&](int, int, int) { return value; });
}

// The lane routines of every instruction set the processor runs.
inline std::vector<LaneRoutines> InstructionSets() {
    std::vector<LaneRoutines> sets;
#if defined(KAF_LANES_X86)
    sets.push_back(LanesSse2());
    if (__builtin_cpu_supports("avx2")) sets.push_back(LanesAvx2());
    if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512dq")) {
        sets.push_back(LanesAvx512());
    }
#endif
    return sets;
}

inline std::string Text(const std::u16string& text) { return kaf_test::Narrow(text); }

}  // namespace conv_test
