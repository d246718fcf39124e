// "dilation", "erosion", "opening" and "closing" run through the module as a
// host runs them: repeat counts and their warnings, the ends of the threshold
// range, the ping-pong of odd and even repeat counts against passes applied
// one after another, and the 8-bit result of every input depth.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "host_api.h"
#include "morphology_support.h"
#include "test_host.h"

using namespace morph_test;
using kaf_test::TestHost;

namespace {

size_t DarkCount(FrameHandle frame) {
    const std::vector<uint8_t> bytes = kaf_test::PixelBytes(frame);
    return static_cast<size_t>(std::count(bytes.begin(), bytes.end(), 0));
}

std::string Repeated(int32_t oldValue, int32_t newValue) {
    return ClampWarning("Times to repeat", std::to_string(oldValue), std::to_string(newValue));
}

// The four methods as rule sequences: first rule, and whether a second phase
// of the other rule follows.
struct Method {
    const char16_t* name;
    bool firstIsDilation;
    bool twoPhases;
};
constexpr Method kMethods[] = {
    {u"dilation", true, false}, {u"erosion", false, false}, {u"opening", false, true}, {u"closing", true, true}};

Image Expected(const Method& m, FrameHandle input, int32_t level, int32_t n) {
    const Image first = ReferencePasses(m.firstIsDilation, input, level, n);
    return m.twoPhases ? ReferencePasses(!m.firstIsDilation, first, level, n) : first;
}

}  // namespace

TEST(ThresholdMethods, RepeatCountIsTruncatedAndClampedWithWarnings) {
    const Picture dot = PictureWith(25, 25, {{12, 12}});
    struct Case {
        double given;
        size_t side;  // of the dark square that n dilations grow
        std::vector<std::string> warnings;
    } cases[] = {{0, 3, {Repeated(0, 1)}}, {11, 21, {Repeated(11, 10)}}, {2.9, 5, {}}, {-3.5, 3, {Repeated(-3, 1)}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        TestHost host(u"dilation");
        host.SetNumber(u"Times to repeat", c.given);
        const kaf_test::Outcome outcome = RunOnPicture(host, dot);
        ASSERT_TRUE(outcome.ok);
        EXPECT_EQ(DarkCount(outcome.output), c.side * c.side);
        EXPECT_EQ(Narrowed(outcome.warnings), c.warnings);
    }
    // Opening and closing take up to twenty: 21 runs twenty of each pass with
    // a warning. Two dots 40 pixels apart are bridged by twenty dilations
    // (nineteen would leave a gap); the bridge reaches the frame's sides,
    // which erosion does not wear.
    TestHost closing(u"closing");
    closing.SetNumber(u"Times to repeat", 21);
    const Picture dots = PictureWith(60, 45, {{22, 10}, {22, 50}});
    const kaf_test::Outcome outcome = RunOnPicture(closing, dots);
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(Narrowed(outcome.warnings), std::vector<std::string>{Repeated(21, 20)});
    FrameHandle input = closing.Session().FindFrame(u"Input frame");
    EXPECT_EQ(ImageOf(outcome.output), ReferencePasses(false, ReferencePasses(true, input, 127, 20), 127, 20));
    EXPECT_EQ(DarkCount(outcome.output), 60u);
    TestHost opening(u"opening");
    opening.SetNumber(u"Times to repeat", 0);
    EXPECT_EQ(Narrowed(RunOnPicture(opening, PictureWith(5, 5, {})).warnings),
              std::vector<std::string>{Repeated(0, 1)});
}

TEST(ThresholdMethods, ThresholdIsClampedToTheUnitRangeWithWarnings) {
    TestHost dilation(u"dilation");
    dilation.SetNumber(u"Threshold", 1.5);
    kaf_test::Outcome outcome = RunOnPicture(dilation, PictureWith(4, 3, {}));
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(Narrowed(outcome.warnings),
              std::vector<std::string>{
                  "Not acceptable value of the parameter Threshold (1.500000). It will be used new value 1.000000."});
    EXPECT_EQ(DarkCount(outcome.output), 12u);
    TestHost erosion(u"erosion");
    erosion.SetNumber(u"Threshold", -0.25);
    outcome = RunOnPicture(erosion, PictureWith(4, 3, {{1, 1}}));
    EXPECT_EQ(Narrowed(outcome.warnings),
              std::vector<std::string>{"Not acceptable value of the parameter Threshold (-0.250000). It will be used "
                                       "new value 0.000000."});
    EXPECT_EQ(DarkCount(outcome.output), 0u);
}

TEST(ThresholdMethods, OpeningAndClosingWorkedPictures) {
    // Opening removes a dark pixel and dark lines one and two pixels wide, and
    // keeps a dark 3x3 square.
    const Picture scene = {
        "..............",
        ".#............",
        "...........#..",
        "..#######..#..",
        "...........#..",
        "..######...#..",
        "..######......",
        "..........###.",
        "..........###.",
        "..........###.",
        "..............",
    };
    TestHost opening(u"opening");
    Picture kept(scene.size(), std::string(scene[0].size(), '.'));
    for (int r = 7; r <= 9; ++r) kept[r] = "..........###.";
    EXPECT_EQ(PictureOf(RunOnPicture(opening, scene).output), kept);
    // Closing fills a light pixel in a dark area and keeps a light 3x3 hole.
    const Picture holes = {
        "############",
        "############",
        "##.#####...#",
        "########...#",
        "########...#",
        "############",
    };
    Picture filled = holes;
    filled[2][2] = '#';
    TestHost closing(u"closing");
    EXPECT_EQ(PictureOf(RunOnPicture(closing, holes).output), filled);
}

TEST(ThresholdMethods, LongRunsAndEndLevelsMatchPassesOneAfterAnother) {
    // Thresholds for levels 0, 1, 254 and 255, where later passes stop or
    // start reading 0 and 255 as object and background; long runs on thin
    // and small frames.
    const std::pair<double, int32_t> thresholds[] = {{0.0, 0}, {0.004, 1}, {0.998, 254}, {1.0, 255}};
    for (const Method& m : kMethods) {
        TestHost host(m.name);
        uint32_t seed = 100;
        for (const auto& [w, h] : {std::pair{1, 37}, std::pair{37, 1}, std::pair{2, 2}, std::pair{45, 33}}) {
            FrameHandle input = host.AddFrame(w, h, 8);
            FillScene(input, seed++, 3, 0.3);
            for (int32_t n : {6, 7, 10, 20}) {
                if (!m.twoPhases && n > 10) continue;
                host.SetNumber(u"Times to repeat", n);
                for (const auto& [threshold, level] : thresholds) {
                    SCOPED_TRACE(kaf_test::Narrow(m.name) + " " + std::to_string(w) + "x" + std::to_string(h) +
                                 " n " + std::to_string(n) + " level " + std::to_string(level));
                    host.SetNumber(u"Threshold", threshold);
                    const kaf_test::Outcome outcome = host.Run();
                    ASSERT_TRUE(outcome.ok);
                    ASSERT_EQ(ImageOf(outcome.output), Expected(m, input, level, n));
                }
            }
        }
    }
}
