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

// An input frame holding a test picture (same row layout).
FrameHandle AddPicture(TestHost& host, const rank_test::Picture& picture) {
    FrameHandle frame = host.AddFrame(picture.width, picture.height, picture.bpp);
    std::memcpy(GetFrameDataAddr(frame), picture.bytes.data(), picture.bytes.size());
    return frame;
}

// The rows of a frame as a test picture's bytes.
std::vector<uint8_t> FrameBytes(FrameHandle frame, const rank_test::Picture& like) {
    const uint8_t* data = GetFrameDataAddr(frame);
    return std::vector<uint8_t>(data, data + like.bytes.size());
}

std::vector<uint8_t> Pixel(FrameHandle frame, int32_t x, int32_t y, int bytes) {
    const uint8_t* p = PixelAt(frame, x, y);
    return std::vector<uint8_t>(p, p + bytes);
}

const char16_t* const kRankMethods[] = {u"median", u"minimum", u"maximum", u"extreme"};
const char16_t* const kExtremeMethods[] = {u"minimum", u"maximum", u"extreme"};

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

TEST(MedianRules, SinglePixelGives255AndKeepsTheFourthByte) {
    for (int32_t bpp : {8, 24, 32}) {
        TestHost host(u"median");
        AddPixels(host, 1, 1, bpp, {{10, 20, 30, 40}});
        host.SetNumber(u"Neighbourhood radius", 4);
        const Outcome outcome = host.Run();
        ASSERT_TRUE(outcome.ok);
        const std::vector<uint8_t> expected[] = {{}, {255}, {}, {255, 255, 255}, {255, 255, 255, 40}};
        EXPECT_EQ(Pixel(outcome.output, 0, 0, bpp / 8), expected[bpp / 8]) << bpp;
    }
}

TEST(MedianRules, ChannelsAreRankedApartAndConstantFramesStay) {
    TestHost host(u"median");
    // Each channel takes its own fourth smallest: the output mixes pixels.
    std::vector<std::vector<uint8_t>> pixels;
    for (int i = 0; i < 9; ++i) pixels.push_back({uint8_t(i + 1), uint8_t(90 - 10 * i), uint8_t(i % 2 ? 200 : 100), 77});
    AddPixels(host, 3, 3, 32, pixels);
    Outcome outcome = host.Run();
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(Pixel(outcome.output, 1, 1, 4), (std::vector<uint8_t>{4, 40, 100, 77}));

    TestHost constant(u"median");
    FrameHandle frame = constant.AddFrame(17, 6, 24);
    kaf_test::FillFrame(frame, [](int32_t, int32_t, int32_t b) { return uint8_t(50 + b); });
    constant.SetNumber(u"Neighbourhood radius", 3);
    outcome = constant.Run();
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(kaf_test::PixelBytes(outcome.output), kaf_test::PixelBytes(frame));
}

TEST(MedianRules, RadiusLimitsWarnAndClamp) {
    struct Case {
        double given;
        int32_t used;
        const char* warning;
    };
    const Case cases[] = {
        {0, 1, "Not acceptable value of the parameter Neighbourhood radius (0). It will be used new value 1."},
        {-7.9, 1, "Not acceptable value of the parameter Neighbourhood radius (-7). It will be used new value 1."},
        {11, 10, "Not acceptable value of the parameter Neighbourhood radius (11). It will be used new value 10."},
        {4.9, 4, nullptr},
    };
    const rank_test::Picture picture = rank_test::RandomPicture(25, 24, 8, 11);
    for (const Case& c : cases) {
        TestHost host(u"median");
        AddPicture(host, picture);
        host.SetNumber(u"Neighbourhood radius", c.given);
        const Outcome outcome = host.Run();
        ASSERT_TRUE(outcome.ok);
        if (c.warning) {
            ASSERT_EQ(outcome.warnings.size(), 1u);
            EXPECT_EQ(kaf_test::Narrow(outcome.warnings[0]), c.warning);
        } else {
            EXPECT_TRUE(outcome.warnings.empty());
        }
        rank_test::Picture expected(25, 24, 8);
        rank_test::ReferenceMedian(picture, expected, c.used);
        EXPECT_EQ(FrameBytes(outcome.output, expected), expected.bytes) << c.given;
    }
}

TEST(ExtremeRules, ParameterLimitsWarnAndClamp) {
    struct Case {
        const char16_t* name;
        double given;
        const char* warning;
    };
    const Case cases[] = {
        {u"Neighbourhood radius", -3,
         "Not acceptable value of the parameter Neighbourhood radius (-3). It will be used new value 0."},
        {u"Neighbourhood radius", 15,
         "Not acceptable value of the parameter Neighbourhood radius (15). It will be used new value 10."},
        {u"Intensity", 1.5, "Not acceptable value of the parameter Intensity (1.500000). It will be used new value 1.000000."},
        {u"Intensity", -0.2,
         "Not acceptable value of the parameter Intensity (-0.200000). It will be used new value 0.000000."},
    };
    for (const char16_t* method : kExtremeMethods) {
        for (const Case& c : cases) {
            TestHost host(method);
            host.AddFrame(4, 3, 24);
            host.SetNumber(c.name, c.given);
            const Outcome outcome = host.Run();
            ASSERT_TRUE(outcome.ok);
            ASSERT_EQ(outcome.warnings.size(), 1u);
            EXPECT_EQ(kaf_test::Narrow(outcome.warnings[0]), c.warning);
        }
    }
}

// Defaults (radius 1, intensity 1) with nothing supplied; radius 0 with
// intensity 1 and intensity 0 with any radius give back the input (with 1 in
// the fourth byte of 32-bit pixels).
TEST(ExtremeRules, DefaultsAndIdentities) {
    const rank_test::Picture picture = rank_test::RandomPicture(9, 7, 32, 21);
    rank_test::Picture withOne = picture;
    for (int32_t y = 0; y < 7; ++y) {
        for (int32_t x = 0; x < 9; ++x) withOne.At(x, y)[3] = 1;
    }
    const struct {
        rank::ExtremeSelection selection;
        const char16_t* name;
    } methods[] = {{rank::ExtremeSelection::Darkest, u"minimum"},
                   {rank::ExtremeSelection::Brightest, u"maximum"},
                   {rank::ExtremeSelection::Further, u"extreme"}};
    for (const auto& method : methods) {
        const auto run = [&](std::initializer_list<std::pair<const char16_t*, double>> numbers) {
            TestHost host(method.name);
            AddPicture(host, picture);
            for (const auto& number : numbers) host.SetNumber(number.first, number.second);
            const Outcome outcome = host.Run();
            EXPECT_TRUE(outcome.ok);
            EXPECT_TRUE(outcome.warnings.empty());
            return FrameBytes(outcome.output, picture);
        };
        rank_test::Picture expected(9, 7, 32);
        rank_test::ReferenceExtreme(method.selection, picture, expected, 1, 1.0f);
        EXPECT_EQ(run({}), expected.bytes);
        EXPECT_EQ(run({{u"Neighbourhood radius", 0}}), withOne.bytes);
        EXPECT_EQ(run({{u"Neighbourhood radius", 6}, {u"Intensity", 0}}), withOne.bytes);
    }
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

TEST(ExtremeRules, ColourPixelsWholeByBrightnessFirstInScanOrderWins) {
    const std::vector<uint8_t> blue{255, 0, 0}, red{0, 0, 255}, green{0, 255, 0}, grey{85, 85, 85};
    const std::vector<uint8_t> dim1{10, 0, 0}, dim2{0, 5, 5}, white{255, 255, 255};
    const struct {
        const char16_t* method;
        std::vector<std::vector<uint8_t>> pixels;  // 3 x 2, row by row
        std::vector<uint8_t> centre;               // output at (1, 0)
    } cases[] = {
        // Equal brightness 255: the first met in row-major order, here red, then blue.
        {u"maximum", {red, grey, blue, green, grey, blue}, red},
        {u"maximum", {grey, blue, red, red, green, blue}, grey},
        // Two darkest of brightness 10: the first in scan order is in the upper row.
        {u"minimum", {white, white, dim2, dim1, white, white}, dim2},
        {u"minimum", {white, white, white, white, white, white}, white},
    };
    for (const auto& c : cases) {
        for (int32_t bpp : {24, 32}) {
            TestHost host(c.method);
            std::vector<std::vector<uint8_t>> pixels = c.pixels;
            for (auto& p : pixels) p.push_back(99);
            AddPixels(host, 3, 2, bpp, pixels);
            const Outcome outcome = host.Run();
            ASSERT_TRUE(outcome.ok);
            std::vector<uint8_t> expected = c.centre;
            if (bpp == 32) expected.push_back(1);
            EXPECT_EQ(Pixel(outcome.output, 1, 0, bpp / 8), expected) << kaf_test::Narrow(c.method) << " " << bpp;
        }
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

// One method object over frames of growing and shrinking size: its working
// memory follows, and every run matches the direct rules.
TEST(RankRules, RunsOnChangingGeometryReuseTheObject) {
    for (const char16_t* method : kRankMethods) {
        TestHost host(method);
        host.SetNumber(u"Neighbourhood radius", 4);
        int seed = 0;
        for (const auto& [width, height, bpp] : {std::tuple{5, 4, 8}, {120, 33, 32}, {31, 9, 24}, {140, 12, 8}}) {
            const rank_test::Picture picture = rank_test::RandomPicture(width, height, bpp, ++seed);
            AddPicture(host, picture);
            rank_test::Picture expected(width, height, bpp);
            if (std::u16string(method) == u"median") {
                rank_test::ReferenceMedian(picture, expected, 4);
            } else {
                const auto selection = std::u16string(method) == u"minimum"   ? rank::ExtremeSelection::Darkest
                                       : std::u16string(method) == u"maximum" ? rank::ExtremeSelection::Brightest
                                                                               : rank::ExtremeSelection::Further;
                rank_test::ReferenceExtreme(selection, picture, expected, 4, 1.0f);
            }
            const Outcome outcome = host.Run();
            ASSERT_TRUE(outcome.ok);
            EXPECT_EQ(FrameBytes(outcome.output, expected), expected.bytes)
                << kaf_test::Narrow(method) << " " << width << "x" << height << " " << bpp;
        }
    }
}

}  // namespace
