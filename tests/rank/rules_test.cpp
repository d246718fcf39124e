// The rank methods driven as a host drives them: parameters with their
// defaults, limits and warnings, and the rules on small hand-made frames.
#include <gtest/gtest.h>

#include <cstring>

#include "reference_rank.h"
#include "test_host.h"

namespace {

using kaf_test::Outcome;
using kaf_test::PixelAt;
using kaf_test::TestHost;

// Fills an input frame from a list of pixels, row by row.
FrameHandle AddPixels(TestHost& host, int32_t width, int32_t height, int32_t bpp,
                      const std::vector<std::vector<uint8_t>>& pixels) {
    FrameHandle frame = host.AddFrame(width, height, bpp);
    for (int32_t i = 0; i < width * height; ++i) {
        std::memcpy(PixelAt(frame, i % width, i / width), pixels[i].data(), pixels[i].size());
    }
    return frame;
}

FrameHandle AddGray(TestHost& host, int32_t width, int32_t height, const std::vector<uint8_t>& values) {
    std::vector<std::vector<uint8_t>> pixels;
    for (uint8_t v : values) pixels.push_back({v});
    return AddPixels(host, width, height, 8, pixels);
}

std::vector<uint8_t> Pixel(FrameHandle frame, int32_t x, int32_t y, int bytes) {
    const uint8_t* p = PixelAt(frame, x, y);
    return std::vector<uint8_t>(p, p + bytes);
}

const char16_t* const kRankMethods[] = {u"median", u"minimum", u"maximum", u"extreme"};

TEST(MedianRules, RankOfHalfTheWindowCountedFromOne) {
    TestHost host(u"median");
    // A 3 x 3 frame of 1 .. 9: the centre sees all nine and takes the fourth
    // smallest; the corner (0, 0) sees 7, 3, 9, 1 and takes the second
    // smallest; the edge (1, 0) sees six values and takes the third smallest.
    AddGray(host, 3, 3, {7, 3, 5, 9, 1, 8, 2, 6, 4});
    const Outcome outcome = host.Run();
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
        AddGray(host, 3, 3, {10, 50, 60, 70, uint8_t(centre), 80, 90, 120, 200});
        const Outcome outcome = host.Run();
        ASSERT_TRUE(outcome.ok);
        EXPECT_EQ(*PixelAt(outcome.output, 1, 1), expected) << centre;
    }
}

// "minimum" and "maximum" select whole colour pixels by brightness, the first
// met in scan order among equals (the engines' random frames hold the rest).
TEST(ExtremeRules, ColourPixelsWholeByBrightnessFirstInScanOrderWins) {
    const std::vector<uint8_t> blue{255, 0, 0, 9}, red{0, 0, 255, 9}, green{0, 255, 0, 9}, grey{85, 85, 85, 9};
    const std::vector<uint8_t> dim1{10, 0, 0, 9}, dim2{0, 5, 5, 9}, white{255, 255, 255, 9};
    const struct {
        const char16_t* method;
        std::vector<std::vector<uint8_t>> pixels;  // 3 x 2, row by row
        std::vector<uint8_t> centre;               // output at (1, 0); byte 3 becomes 1
    } cases[] = {
        {u"maximum", {red, grey, blue, green, grey, blue}, {0, 0, 255, 1}},
        {u"minimum", {white, white, dim2, dim1, white, white}, {0, 5, 5, 1}},
    };
    for (const auto& c : cases) {
        TestHost host(c.method);
        AddPixels(host, 3, 2, 32, c.pixels);
        const Outcome outcome = host.Run();
        ASSERT_TRUE(outcome.ok);
        EXPECT_EQ(Pixel(outcome.output, 1, 0, 4), c.centre) << kaf_test::Narrow(c.method);
    }
}

TEST(RankRules, OtherDepthsAreLeftUntouchedAndMissingFramesFail) {
    for (const char16_t* method : kRankMethods) {
        TestHost host(method);
        FrameHandle frame = host.AddFrame(6, 4, 16);
        kaf_test::FillRandom(frame, 3);
        Outcome outcome = host.Run();
        ASSERT_TRUE(outcome.ok);
        EXPECT_EQ(kaf_test::PixelBytes(outcome.output), std::vector<uint8_t>(kaf_test::PixelBytes(frame).size(), 0));

        host.Remove(u"Input frame");
        outcome = host.Run();
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(kaf_test::Narrow(outcome.error), "error: Cannot get input frame");
    }
}

}  // namespace
