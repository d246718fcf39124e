// The rank methods driven as a host drives them: the rules on small
// hand-made frames, other depths and missing frames.
#include <gtest/gtest.h>

#include "test_host.h"

namespace {

using kaf_test::Outcome;
using kaf_test::PixelAt;
using kaf_test::TestHost;
using Bytes = std::vector<uint8_t>;

// Runs the method on a frame of the given pixel bytes (rows without padding).
Outcome RunOn(TestHost& host, int32_t width, int32_t height, int32_t bpp, const Bytes& bytes) {
    kaf_test::SetPixelBytes(host.AddFrame(width, height, bpp), bytes);
    return host.Run();
}

TEST(MedianRules, RankOfHalfTheWindowCountedFromOne) {
    TestHost host(u"median");
    // A 3 x 3 frame of 1 .. 9: the centre sees all nine and takes the fourth
    // smallest; the corner (0, 0) sees 7, 3, 9, 1 and takes the second
    // smallest; the edge (1, 0) sees six values and takes the third smallest.
    const Outcome outcome = RunOn(host, 3, 3, 8, {7, 3, 5, 9, 1, 8, 2, 6, 4});
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.warnings.empty());
    EXPECT_EQ(*PixelAt(outcome.output, 1, 1), 4);
    EXPECT_EQ(*PixelAt(outcome.output, 0, 0), 3);
    EXPECT_EQ(*PixelAt(outcome.output, 1, 0), 5);  // {7, 3, 5, 9, 1, 8} sorted: 1 3 5 7 8 9
}

TEST(ExtremeRules, ExtremeTakesTheFurtherSideWithTiesToTheBrightest) {
    // The window around the centre holds 10 .. 200; distances from the centre decide.
    for (const auto& [centre, expected] : {std::pair<int, int>{100, 200}, {150, 10}, {105, 200}}) {
        TestHost host(u"extreme");
        const Outcome outcome = RunOn(host, 3, 3, 8, {10, 50, 60, 70, uint8_t(centre), 80, 90, 120, 200});
        ASSERT_TRUE(outcome.ok);
        EXPECT_EQ(*PixelAt(outcome.output, 1, 1), expected) << centre;
    }
}

// "minimum" and "maximum" select whole colour pixels by brightness, the first
// met in scan order among equals (the engines' random frames hold the rest).
TEST(ExtremeRules, ColourPixelsWholeByBrightnessFirstInScanOrderWins) {
    // 3 x 2 frames, row by row: blue, red, green and grey of equal brightness;
    // two dim pixels of brightness 10 among white ones. The output at (1, 0)
    // has byte 3 set to 1.
    const struct {
        const char16_t* method;
        Bytes pixels, centre;
    } cases[] = {
        {u"maximum", {0, 0, 255, 9, 85, 85, 85, 9, 255, 0, 0, 9, 0, 255, 0, 9, 85, 85, 85, 9, 255, 0, 0, 9}, {0, 0, 255, 1}},
        {u"minimum", {255, 255, 255, 9, 255, 255, 255, 9, 0, 5, 5, 9, 10, 0, 0, 9, 255, 255, 255, 9, 255, 255, 255, 9},
         {0, 5, 5, 1}},
    };
    for (const auto& c : cases) {
        TestHost host(c.method);
        const Outcome outcome = RunOn(host, 3, 2, 32, c.pixels);
        ASSERT_TRUE(outcome.ok);
        EXPECT_EQ(Bytes(PixelAt(outcome.output, 1, 0), PixelAt(outcome.output, 1, 0) + 4), c.centre)
            << kaf_test::Narrow(c.method);
    }
}

TEST(RankRules, OtherDepthsAreLeftUntouchedAndMissingFramesFail) {
    for (const char16_t* method : {u"median", u"minimum", u"maximum", u"extreme"}) {
        TestHost host(method);
        kaf_test::FillRandom(host.AddFrame(6, 4, 16), 3);
        Outcome outcome = host.Run();
        ASSERT_TRUE(outcome.ok);
        EXPECT_EQ(kaf_test::PixelBytes(outcome.output), Bytes(6 * 4 * 2, 0));
        host.Remove(u"Input frame");
        outcome = host.Run();
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(kaf_test::Narrow(outcome.error), "error: Cannot get input frame");
    }
}

}  // namespace
