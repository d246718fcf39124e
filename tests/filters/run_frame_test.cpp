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

// Clamping warns with the old and the new value, each number cut to eight
// characters; out-of-range and not-a-number integers read as the most
// negative integer, whose first eight characters show.
TEST(RunFrame, ClampingWarnsWithOldAndNewValueCutToEightCharacters) {
    const std::string count = "Not acceptable value of the parameter Count (";
    const std::string weight = "Not acceptable value of the parameter Weight (";
    const struct {
        double count, weight;
        int32_t countUsed;
        float weightUsed;
        std::vector<std::string> warnings;
    } cases[] = {
        {12, 1.5, 10, 1.0f,
         {count + "12). It will be used new value 10.", weight + "1.500000). It will be used new value 1.000000."}},
        {-3, -0.2, 0, 0.0f,
         {count + "-3). It will be used new value 0.", weight + "-0.200000). It will be used new value 0.000000."}},
        {123456789, 1e12, 10, 1.0f,
         {count + "12345678). It will be used new value 10.",
          weight + "999999995904.000). It will be used new value 1.000000."}},
        {1e12, 0.25, 0, 0.25f, {count + "-2147483). It will be used new value 0."}},
        {-1e12, 0.25, 0, 0.25f, {count + "-2147483). It will be used new value 0."}},
        {std::nan(""), 0.25, 0, 0.25f, {count + "-2147483). It will be used new value 0."}},
        {std::numeric_limits<double>::infinity(), 0.25, 0, 0.25f,
         {count + "-2147483). It will be used new value 0."}},
    };
    ProbeRun absent;  // absent objects: the defaults, silently
    ASSERT_TRUE(absent.Run());
    EXPECT_EQ(absent.probe.count, 1);
    EXPECT_EQ(absent.probe.weight, 0.5f);
    EXPECT_TRUE(absent.Warnings().empty());
    for (const auto& c : cases) {
        ProbeRun run;
        run.session.AddNumber(u"Count", c.count);
        run.session.AddNumber(u"Weight", c.weight);
        ASSERT_TRUE(run.Run());
        EXPECT_EQ(run.probe.count, c.countUsed) << c.count;
        EXPECT_EQ(run.probe.weight, c.weightUsed) << c.weight;
        EXPECT_EQ(run.Warnings(), c.warnings);
    }
}

// An array gives its first element and one warning naming the object with
// up to 64 characters (names reach the module as 63 + 1, unterminated); a
// single element is no array.
TEST(RunFrame, ArraysUseTheFirstElementAndWarnOnce) {
    const std::string warning = "Only the first element of the array would be evaluated in the input data object ";
    ProbeRun run;
    run.session.AddArray(u"Count", {3, 7, 9});
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.probe.count, 3);
    EXPECT_EQ(run.Warnings(), std::vector<std::string>{warning + "Count"});
    run.session.AddArray(u"Count", {4});
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.probe.count, 4);
    EXPECT_TRUE(run.Warnings().empty());
    const std::u16string longName(64, u'n');
    run.inputs.Names()[1] = longName;
    run.session.AddArray(longName, {1, 2});
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.Warnings(), std::vector<std::string>{warning + std::string(64, 'n')});
}

// A missing input frame fails before the geometry cache is updated, a
// missing output frame after it; error texts are cut at max + 1 characters.
TEST(RunFrame, FrameFailuresAroundTheCacheUpdate) {
    ProbeRun run;
    run.outputs.Names().clear();
    EXPECT_FALSE(run.Run());
    EXPECT_EQ(std::u16string(run.error), u"error: Cannot get output frame");
    EXPECT_EQ(run.probe.CachedWidth(), 5);

    ProbeRun input;
    input.session.Remove(u"Input frame");
    EXPECT_FALSE(input.Run());
    EXPECT_EQ(std::u16string(input.error), u"error: Cannot get input frame");
    EXPECT_EQ(input.probe.CachedWidth(), -1);
    input.inputs.Names().clear();
    EXPECT_FALSE(input.Run());
    EXPECT_EQ(std::u16string(input.error), u"error: Cannot get input frame");
    std::fill(std::begin(input.error), std::end(input.error), u'#');
    EXPECT_FALSE(input.Run(4));
    EXPECT_EQ(std::u16string(input.error, 6), u"error#");
}
