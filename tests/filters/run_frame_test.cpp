// The run frame's steps, driven by a small filter of the test's own on a
// real host session: input and output frames, number reading, truncation,
// clamping and the exact warning and error texts.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include "filter.h"
#include "host_api.h"
#include "run_frame.h"
#include "test_host.h"

namespace {

// Reads one integer ("Count", [0, 10], default 1) and one real ("Weight",
// [0, 1], default 0.5), records them, and copies nothing.
constexpr CatalogueInput kProbeInputs[kMaxMethodInputs] = {
    {InputKind::Frame, u"Input frame", nullptr, 0.0, -kUnbounded, kUnbounded},
    {InputKind::Integer, u"Count", nullptr, 1.0, 0.0, 10.0},
    {InputKind::Real, u"Weight", nullptr, 0.5, 0.0, 1.0},
};

class CProbe : public CFilter {
public:
    CProbe() : CFilter(99, kProbeInputs) {}
    bool Step(RunFrame& frame) override {
        geometryChanged = UpdateGeometryCache(frame.Width(), frame.Height(), frame.Bpp());
        if (!frame.FetchOutputFrame(depth)) return false;
        count = frame.Integer(1);
        weight = frame.Real(2);
        return true;
    }
    int32_t depth = 8;
    int32_t count = -1;
    float weight = -1;
    bool geometryChanged = false;
    int32_t CachedWidth() const { return cachedWidth; }
};

struct ProbeRun {
    ka_iproc::Session session;
    ka_iproc::ParameterList inputs{{u"Input frame", u"Count", u"Weight"}};
    ka_iproc::ParameterList outputs{{u"Output frame"}};
    CProbe probe;
    char16_t error[256] = {};

    ProbeRun() { session.AddFrame(u"Input frame", 5, 4, 8); }
    bool Run(int32_t errorMax = 255) {
        session.ClearWarnings();
        return probe.Run(session.Handle(), inputs.Handle(), inputs.Context(), outputs.Handle(), outputs.Context(),
                         errorMax, error);
    }
    std::vector<std::string> Warnings() {
        std::vector<std::string> out;
        for (auto& w : session.Warnings()) out.push_back(kaf_test::Narrow(w));
        return out;
    }
};

}  // namespace

TEST(RunFrame, AbsentParametersTakeDefaultsSilently) {
    ProbeRun run;
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.probe.count, 1);
    EXPECT_EQ(run.probe.weight, 0.5f);
    EXPECT_TRUE(run.Warnings().empty());
    FrameHandle out = run.session.FindFrame(u"Output frame");
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(GetFrameWidth(out), 5);
    EXPECT_EQ(GetFrameDepth(out), 4);
    EXPECT_EQ(GetFrameBPP(out), 8);
}

TEST(RunFrame, ClampingWarnsWithOldAndNewValue) {
    ProbeRun run;
    run.session.AddNumber(u"Count", 12);
    run.session.AddNumber(u"Weight", 1.5);
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.probe.count, 10);
    EXPECT_EQ(run.probe.weight, 1.0f);
    EXPECT_EQ(run.Warnings(), (std::vector<std::string>{
                                  "Not acceptable value of the parameter Count (12). It will be used new value 10.",
                                  "Not acceptable value of the parameter Weight (1.500000). It will be used new "
                                  "value 1.000000.",
                              }));
    run.session.AddNumber(u"Count", -3);
    run.session.AddNumber(u"Weight", -0.2);
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.probe.count, 0);
    EXPECT_EQ(run.probe.weight, 0.0f);
    EXPECT_EQ(run.Warnings(), (std::vector<std::string>{
                                  "Not acceptable value of the parameter Count (-3). It will be used new value 0.",
                                  "Not acceptable value of the parameter Weight (-0.200000). It will be used new "
                                  "value 0.000000.",
                              }));
}

TEST(RunFrame, OutOfRangeAndNotANumberBecomeTheMostNegativeInteger) {
    for (double value : {1e12, -1e12, std::nan(""), std::numeric_limits<double>::infinity()}) {
        ProbeRun run;
        run.session.AddNumber(u"Count", value);
        ASSERT_TRUE(run.Run());
        EXPECT_EQ(run.probe.count, 0);
        // Only the first eight characters of -2147483648 are shown.
        EXPECT_EQ(run.Warnings(), (std::vector<std::string>{"Not acceptable value of the parameter Count "
                                                            "(-2147483). It will be used new value 0."}));
    }
}

TEST(RunFrame, NumbersAreCutToEightCharactersInWarnings) {
    ProbeRun run;
    run.session.AddNumber(u"Count", 123456789);
    run.session.AddNumber(u"Weight", 1e12);
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.Warnings(), (std::vector<std::string>{
                                  "Not acceptable value of the parameter Count (12345678). It will be used new "
                                  "value 10.",
                                  "Not acceptable value of the parameter Weight (999999995904.000). It will be "
                                  "used new value 1.000000.",
                              }));
}

TEST(RunFrame, ArraysUseTheFirstElementAndWarnOnce) {
    ProbeRun run;
    run.session.AddArray(u"Count", {3, 7, 9});
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.probe.count, 3);
    EXPECT_EQ(run.Warnings(), (std::vector<std::string>{
                                  "Only the first element of the array would be evaluated in the input data "
                                  "object Count"}));
    run.session.AddArray(u"Count", {4});
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.probe.count, 4);
    EXPECT_TRUE(run.Warnings().empty());
}

TEST(RunFrame, ArrayWarningShowsAtMost64CharactersOfTheName) {
    ProbeRun run;
    const std::u16string longName(63, u'n');
    run.inputs.Names()[1] = longName;
    run.session.AddArray(longName, {1, 2});
    ASSERT_TRUE(run.Run());
    ASSERT_EQ(run.Warnings().size(), 1u);
    EXPECT_EQ(run.Warnings()[0],
              "Only the first element of the array would be evaluated in the input data object " + std::string(63, 'n'));
}

TEST(RunFrame, MissingInputFrameFailsBeforeTheCache) {
    ProbeRun run;
    run.session.Remove(u"Input frame");
    EXPECT_FALSE(run.Run());
    EXPECT_EQ(std::u16string(run.error), u"error: Cannot get input frame");
    EXPECT_EQ(run.probe.CachedWidth(), -1);
    run.inputs.Names().clear();
    EXPECT_FALSE(run.Run());
    EXPECT_EQ(std::u16string(run.error), u"error: Cannot get input frame");
}

TEST(RunFrame, OutputFailureComesAfterTheCacheUpdate) {
    ProbeRun run;
    run.outputs.Names().clear();
    EXPECT_FALSE(run.Run());
    EXPECT_EQ(std::u16string(run.error), u"error: Cannot get output frame");
    EXPECT_EQ(run.probe.CachedWidth(), 5);
}

TEST(RunFrame, ErrorTextIsCutAtMaxPlusOne) {
    ProbeRun run;
    run.session.Remove(u"Input frame");
    std::fill(std::begin(run.error), std::end(run.error), u'#');
    EXPECT_FALSE(run.Run(4));
    EXPECT_EQ(std::u16string(run.error, 6), u"error#");
}
