// "flat_field": the correction rules, the single-precision mean of the
// calibration frame and when it is measured again.
#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "convolution/flat_field.h"
#include "convolution/flat_field_rows.h"
#include "test_host.h"

namespace {

using kaf_test::FillFlat;
using kaf_test::Narrow;
using kaf_test::PixelAt;
using kaf_test::PixelBytes;
using kaf_test::SetPixelBytes;
using kaf_test::TestHost;
using Bytes = std::vector<uint8_t>;

constexpr char16_t kWhite[] = u"White calibration frame";

// A "flat_field" object with an input and a calibration frame of one geometry.
struct FlatField {
    FlatField(int width, int height, int bpp)
        : input(host.AddFrame(width, height, bpp)), white(host.AddFrame(width, height, bpp, kWhite)) {}
    TestHost host{u"flat_field"};
    FrameHandle input, white;
};

TEST(FlatField, PixelsScaledByTheMeanOverTheCalibrationPixel) {
    const struct {
        int width, height, bpp;
        Bytes white, input, output;
    } cases[] = {
        {2, 2, 8, {200, 200, 200, 100}, {100, 100, 100, 100}, {87, 87, 87, 175}},  // mean 175
        // Over 255 clamps; an input of 0 stays 0; a calibration byte of 0
        // gives an infinite quotient, which truncates to the byte 0.
        {2, 2, 8, {50, 150, 0, 200}, {200, 0, 50, 100}, {255, 0, 0, 50}},  // mean 100
        // Colour pixels share one gain, 3 x mean / calibration sum (sums 0,
        // 180, 450: mean 70); a sum of 0 passes the pixel through; byte 3 is kept.
        {3, 1, 32, {0, 0, 0, 1, 30, 60, 90, 2, 120, 150, 180, 3}, {11, 12, 13, 14, 20, 40, 90, 15, 100, 50, 20, 16},
         {11, 12, 13, 14, 23, 46, 105, 15, 46, 23, 9, 16}},
        {3, 1, 24, {0, 0, 0, 30, 60, 90, 120, 150, 180}, {11, 12, 13, 20, 40, 90, 100, 50, 20},
         {11, 12, 13, 23, 46, 105, 46, 23, 9}},
    };
    for (const auto& c : cases) {
        FlatField f(c.width, c.height, c.bpp);
        SetPixelBytes(f.white, c.white);
        SetPixelBytes(f.input, c.input);
        const auto outcome = f.host.Run();
        ASSERT_TRUE(outcome.ok);
        EXPECT_EQ(PixelBytes(outcome.output), c.output) << &c - cases;
    }
}

TEST(FlatField, TheMeanIsASingleRunningSum) {
    // A flat 200 measures 200 over 640 x 480 pixels but 197.3687 over
    // 1000 x 1000: 100 x 197.3687 / 200 gives 98.
    for (const auto& [width, height, corrected] : {std::tuple<int, int, int>{640, 480, 100}, {1000, 1000, 98}}) {
        FlatField f(width, height, 8);
        FillFlat(f.input, 100);
        FillFlat(f.white, 200);
        const auto outcome = f.host.Run();
        ASSERT_TRUE(outcome.ok);
        EXPECT_EQ(*PixelAt(outcome.output, 320, 240), corrected) << width;
    }

    // The sum runs in storage order: rows of different brightness summed
    // from the last row first round to another mean.
    ka_iproc::Session session;
    FrameHandle ramp = session.AddFrame(u"ramp", 1000, 1000, 8);
    kaf_test::FillFrame(ramp, [](int32_t, int32_t y, int32_t) { return uint8_t(y * 7); });
    float forward = 0.0f, backward = 0.0f;
    for (int32_t y = 0; y < 1000; ++y) {
        for (int32_t x = 0; x < 1000; ++x) forward = forward + static_cast<float>((y * 7) % 256);
        for (int32_t x = 0; x < 1000; ++x) backward = backward + static_cast<float>(((999 - y) * 7) % 256);
    }
    ASSERT_NE(forward, backward);
    EXPECT_EQ(MeasureWhiteMean(kaf_test::Plane(ramp)), forward / 1e6f);

    // The colour mean is divided in double precision: (5 / 3.0) / 3 is
    // 0.555555582 as a float; in single precision throughout it would be 0.555555522.
    FrameHandle white = session.AddFrame(u"w", 3, 1, 32);
    SetPixelBytes(white, {1, 1, 1, 9, 1, 1, 0, 9, 0, 0, 0, 9});  // byte sums 3, 2, 0
    EXPECT_EQ(MeasureWhiteMean(kaf_test::Plane(white)), 0.555555582f);
    EXPECT_NE(MeasureWhiteMean(kaf_test::Plane(white)), (5.0f / 3.0f) / 3.0f);
}

TEST(FlatField, MeasuredAgainOnlyForANewTimestamp) {
    FlatField f(4, 1, 8);
    SetPixelBytes(f.white, {100, 100, 100, 100});
    FillFlat(f.input, 50);
    EXPECT_EQ(PixelBytes(f.host.Run().output), Bytes(4, 50));
    SetPixelBytes(f.white, {100, 100, 100, 200});  // changed in place, same timestamp
    EXPECT_EQ(PixelBytes(f.host.Run().output), (Bytes{50, 50, 50, 25}));
    f.host.Session().TouchFrame(kWhite);  // mean 125 from now on
    EXPECT_EQ(PixelBytes(f.host.Run().output), (Bytes{62, 62, 62, 31}));
}

TEST(FlatField, FramesMustMatchBeforeTheOutputFrameIsFetched) {
    FlatField f(4, 4, 8);
    f.host.AddFrame(4, 5, 8, kWhite);
    auto outcome = f.host.Run();
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(Narrow(outcome.error), "error: Frame and pattern must be of the same size and type");
    EXPECT_EQ(outcome.output, nullptr);
    f.host.AddFrame(4, 4, 32, kWhite);
    EXPECT_EQ(Narrow(f.host.Run().error), "error: Frame and pattern must be of the same size and type");
    f.host.Remove(kWhite);
    EXPECT_EQ(Narrow(f.host.Run().error), "error: Cannot get input frame");
}

// The vectorised rows of every instruction set give the plain loop's bytes,
// zeros, black calibration pixels and clamping included, for means the
// vector loops take and means they leave to the plain loops.
TEST(FlatField, EveryInstructionSetGivesThePlainBytes) {
    using Row = void (*)(const uint8_t*, const uint8_t*, uint8_t*, int32_t, float);
    const FlatFieldRows plain = *FlatFieldRowsFor(kaf_isa::InstructionSet::Baseline);
    std::mt19937 generator(12);
    for (int width : {1, 7, 33, 64, 131, 300}) {
        Bytes input(4 * width), white(4 * width);
        for (size_t i = 0; i < input.size(); ++i) {
            input[i] = i % 11 == 0 ? 0 : static_cast<uint8_t>(generator());
            white[i] = i % 5 == 0 ? 0 : static_cast<uint8_t>(generator() % 64);
        }
        // Black calibration pixels in the first half of the row only, so that
        // vector steps with and without one are both taken.
        for (size_t i = 0; i + 2 < white.size() / 2; i += 21) white[i] = white[i + 1] = white[i + 2] = 0;
        for (float mean : {0.0f, 37.25f, 150.0f, -2.5f, 3.0e6f}) {
            for (Row FlatFieldRows::*depth : {&FlatFieldRows::gray, &FlatFieldRows::bgr, &FlatFieldRows::bgra}) {
                Bytes expected(4 * width), got(4 * width);
                (plain.*depth)(input.data(), white.data(), expected.data(), width, mean);
                for (const FlatFieldRows& rows : kaf_test::RunnableSets(FlatFieldRowsFor)) {
                    (rows.*depth)(input.data(), white.data(), got.data(), width, mean);
                    EXPECT_EQ(got, expected) << "width " << width << " mean " << mean;
                }
            }
        }
    }
}

}  // namespace
