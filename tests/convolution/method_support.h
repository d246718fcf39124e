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

using kaf_test::RunnableSets;
inline std::vector<LaneRoutines> InstructionSets() { return RunnableSets(LanesFor); }

inline std::string Text(const std::u16string& text) { return kaf_test::Narrow(text); }

}  // namespace conv_test
