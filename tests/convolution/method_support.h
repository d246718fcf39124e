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

// A family's table for every instruction set the build has and the
// processor runs.
template <class Table>
std::vector<Table> RunnableSets(const Table* (*tableFor)(kaf_isa::InstructionSet)) {
    std::vector<Table> sets;
    for (kaf_isa::InstructionSet set : kaf_isa::kSetsWidestFirst) {
        if (tableFor(set) && kaf_isa::ProcessorRuns(set)) sets.push_back(*tableFor(set));
    }
    return sets;
}
inline std::vector<LaneRoutines> InstructionSets() { return RunnableSets(LanesFor); }

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
