// Helpers for running the convolution methods the way a host does.
#pragma once

#include <cstdint>

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "convolution/lane_routines.h"
#include "filter.h"
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

// No input frame, then no output frame: the two run-frame errors.
inline void ExpectFrameFailures(const std::u16string& method, int32_t bitsPerPixel) {
    kaf_test::TestHost host(method);
    auto outcome = host.Run();
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(Text(outcome.error), "error: Cannot get input frame") << Text(method);
    host.AddFrame(5, 5, bitsPerPixel);
    host.Outputs().Names()[0] = u"";
    outcome = host.Run();
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(Text(outcome.error), "error: Cannot get output frame") << Text(method);
}

// A method object created here (not through the module), so that tests can
// look at the buffers it keeps; wired like the test host.
struct DirectRun {
    ka_iproc::Session session;
    ka_iproc::ParameterList inputs;
    ka_iproc::ParameterList outputs{{u"Output frame"}};
    std::u16string error;

    explicit DirectRun(std::vector<std::u16string> inputNames) : inputs(std::move(inputNames)) {}

    bool Run(CFilter& filter) {
        char16_t buffer[256] = {};
        const bool ok = filter.Run(session.Handle(), inputs.Handle(), inputs.Context(), outputs.Handle(),
                                   outputs.Context(), 255, buffer);
        error = buffer;
        return ok;
    }
    FrameHandle Output() const { return session.FindFrame(u"Output frame"); }
};

}  // namespace conv_test
