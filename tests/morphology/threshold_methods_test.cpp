// "dilation", "erosion", "opening" and "closing" run through the module as a
// host runs them: the classification of a pixel at the level, repeat counts
// and their warnings, and agreement with passes applied one after another on
// random frames of every depth and size, at every kind of level and for long
// runs, with one object per method that meets geometry after geometry; and
// the row routines of every instruction set against the baseline set's.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "host_api.h"
#include "morphology/threshold_rows.h"
#include "morphology_support.h"
#include "test_host.h"

using namespace morph_test;
using kaf_test::TestHost;

namespace {

std::string Repeated(int32_t oldValue, int32_t newValue) {
    return ClampWarning("Times to repeat", std::to_string(oldValue), std::to_string(newValue));
}

// The four methods as rule sequences: first rule, and whether a second phase
// of the other rule follows.
struct Method {
    const char16_t* name;
    bool firstIsDilation, twoPhases;
};
constexpr Method kMethods[] = {
    {u"dilation", true, false}, {u"erosion", false, false}, {u"opening", false, true}, {u"closing", true, true}};

Image Expected(const Method& m, FrameHandle input, int32_t level, int32_t n) {
    const Image first = ReferencePasses(m.firstIsDilation, input, level, n);
    return m.twoPhases ? ReferencePasses(!m.firstIsDilation, first, level, n) : first;
}

}  // namespace

// A 1x1 frame: the window is the pixel itself. The default threshold 0.5 is
// level 127; colour sums are compared with three times it (381).
TEST(ThresholdMethods, PixelAtTheLevelIsDarkForDilationAndLightForErosion) {
    const struct {
        int32_t bpp;
        std::vector<uint8_t> bytes;
        int dilation, erosion;
    } cases[] = {
        {8, {126}, 0, 0},   {8, {127}, 0, 255},   {8, {128}, 255, 255},
        {24, {100, 100, 180}, 0, 0},   {24, {100, 100, 181}, 0, 255},   {24, {100, 100, 182}, 255, 255},
        {32, {100, 100, 180, 0}, 0, 0}, {32, {100, 100, 181, 255}, 0, 255}, {32, {100, 100, 182, 0}, 255, 255},
    };
    for (const auto& c : cases) {
        for (bool dilation : {true, false}) {
            TestHost host(dilation ? u"dilation" : u"erosion");
            kaf_test::FillFrame(host.AddFrame(1, 1, c.bpp), [&](int32_t, int32_t, int32_t b) { return c.bytes[b]; });
            const kaf_test::Outcome outcome = host.Run();
            ASSERT_TRUE(outcome.ok);
            EXPECT_EQ(*kaf_test::PixelAt(outcome.output, 0, 0), dilation ? c.dilation : c.erosion)
                << c.bpp << " bpp, case " << &c - cases << (dilation ? " dilation" : " erosion");
        }
    }
}

TEST(ThresholdMethods, RepeatCountIsTruncatedAndClampedWithWarnings) {
    struct Case {
        double given;
        int side;  // of the dark square that n dilations grow
        std::vector<std::string> warnings;
    } cases[] = {{0, 3, {Repeated(0, 1)}}, {11, 21, {Repeated(11, 10)}}, {2.9, 5, {}}, {-3.5, 3, {Repeated(-3, 1)}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        TestHost host(u"dilation");
        host.SetNumber(u"Times to repeat", c.given);
        const kaf_test::Outcome outcome = RunOnPicture(host, PictureWith(25, 25, {{12, 12}}));
        ASSERT_TRUE(outcome.ok);
        const std::vector<uint8_t> bytes = kaf_test::PixelBytes(outcome.output);
        EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0), c.side * c.side);
        EXPECT_EQ(Narrowed(outcome.warnings), c.warnings);
    }
    // Opening and closing take up to twenty: 21 runs twenty of each pass.
    TestHost closing(u"closing");
    closing.SetNumber(u"Times to repeat", 21);
    const kaf_test::Outcome outcome = RunOnPicture(closing, PictureWith(60, 45, {{22, 10}, {22, 50}}));
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(Narrowed(outcome.warnings), std::vector<std::string>{Repeated(21, 20)});
    EXPECT_EQ(ImageOf(outcome.output), Expected(kMethods[3], closing.Session().FindFrame(u"Input frame"), 127, 20));
}

TEST(ThresholdMethods, OpeningRemovesThinDarkShapesAndKeepsASquare) {
    // A dark pixel and dark lines one and two pixels wide go; a 3x3 square stays.
    const Picture scene = {
        "..............", ".#............", "...........#..", "..#######..#..",
        "...........#..", "..######...#..", "..######......", "..........###.",
        "..........###.", "..........###.", "..............",
    };
    TestHost opening(u"opening");
    EXPECT_EQ(PictureOf(RunOnPicture(opening, scene).output),
              PictureWith(14, 11, {{7, 10}, {7, 11}, {7, 12}, {8, 10}, {8, 11}, {8, 12}, {9, 10}, {9, 11}, {9, 12}}));
}

TEST(ThresholdMethods, MatchPassesOneAfterAnotherOnRandomFrames) {
    // Sizes: single pixels, rows and columns, frames narrower than a window,
    // row padding, and a width beyond one strip of the widest windows.
    // Levels 0, 1, 254 and 255 are where later passes stop or start reading
    // 0 and 255 as object and background; 90 and 127 are inside. Noise is
    // decided by single passes; scenes of shapes survive long runs.
    const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {1, 37}, {37, 1}, {2, 9}, {17, 13}, {45, 33}, {2100, 5}};
    const std::pair<double, int32_t> thresholds[] = {{0.0, 0},    {0.004, 1},   {0.353, 90},
                                                     {0.5, 127},  {0.998, 254}, {1.0, 255}};
    for (const Method& m : kMethods) {
        TestHost host(m.name);
        uint32_t seed = 100;
        for (const auto& [w, h] : sizes) {
            for (int32_t bpp : {8, 24, 32}) {
                for (bool scene : {false, true}) {
                    FrameHandle input = host.AddFrame(w, h, bpp);
                    scene ? FillScene(input, seed++) : kaf_test::FillRandom(input, seed++);
                    for (int32_t n : scene ? std::vector<int32_t>{7, 20} : std::vector<int32_t>{1, 2}) {
                        if (!m.twoPhases && n > 10) continue;
                        host.SetNumber(u"Times to repeat", n);
                        for (const auto& [threshold, level] : thresholds) {
                            SCOPED_TRACE(kaf_test::Narrow(m.name) + " " + std::to_string(w) + "x" +
                                         std::to_string(h) + " bpp " + std::to_string(bpp) + " n " +
                                         std::to_string(n) + " level " + std::to_string(level));
                            host.SetNumber(u"Threshold", threshold);
                            kaf_test::Outcome outcome;
                            kaf_test::WithThreads(1 + (n + level) % 3, [&] { outcome = host.Run(); });
                            ASSERT_TRUE(outcome.ok);
                            ASSERT_EQ(ImageOf(outcome.output), Expected(m, input, level, n));
                        }
                    }
                }
            }
        }
    }
}

// Every set's window rows give the baseline set's bytes for each depth and
// kind of classification, and its pairs of passes in one give the baseline
// set's two single passes one after the other: on random sources and on
// sources whose hits are sparse enough for the windows to differ (one or
// four pixels of the rare kind, dark or light, in a window's area), across
// strips (4800 pixels are more than one strip from radius 3 on) and on
// frames narrower than the window.
TEST(ThresholdRows, EveryInstructionSetGivesTheBaselinePasses) {
    const std::vector<ThresholdRows> sets = kaf_test::RunnableSets(ThresholdRowsFor);
    const ThresholdRows& plain = *ThresholdRowsFor(kaf_isa::InstructionSet::Baseline);
    ka_iproc::Session session;
    std::mt19937 random(7);
    using kaf_test::Plane;
    for (const auto& [w, h] : {std::pair<int32_t, int32_t>{5, 4}, {61, 9}, {4800, 8}}) {
        for (size_t depth = 0; depth < 3; ++depth) {
            const int32_t bpp = depth == 0 ? 8 : depth == 1 ? 24 : 32;
            const uint16_t limit = depth == 0 ? 127 : 381;
            FrameHandle expected = session.AddFrame(u"expected", w, h, 8);
            FrameHandle got = session.AddFrame(u"got", w, h, 8);
            FrameHandle between = session.AddFrame(u"between", w, h, 8);
            for (int32_t radius : {1, 3, 20}) {
                for (int32_t variant = 0; variant < 5; ++variant) {
                    FrameHandle source = session.AddFrame(u"source", w, h, bpp);
                    const uint8_t rare = variant % 2 ? 0 : 255;
                    std::bernoulli_distribution isRare((variant < 2 ? 1.0 : 4.0) / ((2 * radius + 1) * (2 * radius + 1)));
                    kaf_test::FillFrame(source, [&](int32_t, int32_t, int32_t) {
                        return variant == 4 ? uint8_t(random()) : isRare(random) ? rare : uint8_t(255 - rare);
                    });
                    for (HitRule::Kind kind : {HitRule::kNone, HitRule::kAll, HitRule::kCompare}) {
                        const HitRule rule{kind, limit};
                        for (bool dilation : {true, false}) {
                            auto rows = [&](const ThresholdRows& t) { return (dilation ? t.dilation : t.erosion)[depth]; };
                            rows(plain)(Plane(source), Plane(expected), 0, h, radius, rule);
                            for (const ThresholdRows& set : sets) {
                                rows(set)(Plane(source), Plane(got), 0, h, radius, rule);
                                ASSERT_EQ(ImageOf(got), ImageOf(expected)) << w << "x" << h << " depth " << depth
                                    << " kind " << kind << " radius " << radius << " variant " << variant;
                            }
                        }
                    }
                    const HitRule rule{HitRule::kCompare, limit};
                    const HitRule again{HitRule::kCompare, 127};  // the second pass reads the first's 0s and 255s
                    for (bool closing : {true, false}) {
                        (closing ? plain.dilation : plain.erosion)[depth](Plane(source), Plane(between), 0, h, radius, rule);
                        (closing ? plain.erosion : plain.dilation)[0](Plane(between), Plane(expected), 0, h, radius, again);
                        for (const ThresholdRows& set : sets) {
                            (closing ? set.closing : set.opening)[depth](Plane(source), Plane(got), 0, h, radius, rule);
                            ASSERT_EQ(ImageOf(got), ImageOf(expected)) << w << "x" << h << " depth " << depth
                                << " radius " << radius << " variant " << variant << " closing " << closing;
                        }
                    }
                }
            }
        }
    }
}
