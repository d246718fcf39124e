// "blur", the Laplacian high-boost methods and the user kernels, run the way
// a host runs them.
#include <vector>

#include <gtest/gtest.h>

#include "method_support.h"
#include "test_host.h"

namespace {

using conv_test::FillFlat;
using conv_test::Text;
using kaf_test::FillRandom;
using kaf_test::PixelAt;
using kaf_test::PixelBytes;
using kaf_test::TestHost;

TEST(Blur, RatingZeroIsTheMeanOfTheNeighboursThatExist) {
    TestHost host(u"blur");
    FrameHandle input = host.AddFrame(6, 5, 8);
    FillRandom(input, 3);
    host.SetNumber(u"Pass-through rating", 0);
    const auto outcome = host.Run();
    ASSERT_TRUE(outcome.ok);
    auto at = [&](int x, int y) { return float(*PixelAt(input, x, y)); };
    // Sums of small integers are exact in single precision.
    const float interior = at(1, 1) + at(2, 1) + at(3, 1) + at(1, 2) + at(3, 2) + at(1, 3) + at(2, 3) + at(3, 3);
    EXPECT_EQ(*PixelAt(outcome.output, 2, 2), static_cast<int>(interior / 8.0f));
    EXPECT_EQ(*PixelAt(outcome.output, 0, 0), static_cast<int>((at(1, 0) + at(0, 1) + at(1, 1)) / 3.0f));
}

// Output bytes at the interior, along a side and at a corner of a flat frame.
struct FlatResponse {
    int interior, side, corner;
};

FlatResponse Laplacian(const std::u16string& method, uint8_t value, double b) {
    TestHost host(method);
    FillFlat(host.AddFrame(80, 6, 8), value);
    host.SetNumber(u"High-boost coefficient", b);
    const auto outcome = host.Run();
    EXPECT_TRUE(outcome.ok);
    return {*PixelAt(outcome.output, 40, 3), *PixelAt(outcome.output, 40, 0), *PixelAt(outcome.output, 79, 5)};
}

TEST(Laplacian, FlatFramesGiveZeroInsideAndTheMissingTapsAtTheBorder) {
    auto check = [](FlatResponse got, FlatResponse expected, const char* what) {
        EXPECT_EQ(got.interior, expected.interior) << what;
        EXPECT_EQ(got.side, expected.side) << what;
        EXPECT_EQ(got.corner, expected.corner) << what;
    };
    check(Laplacian(u"laplacian_high_boost_1", 40, 0), {0, 0, 40}, "421");
    check(Laplacian(u"laplacian_high_boost_2", 40, 0), {0, 40, 80}, "410");
    check(Laplacian(u"laplacian_high_boost_3", 40, 0), {0, 120, 200}, "811");
    check(Laplacian(u"laplacian_high_boost_3", 60, 0), {0, 180, 255}, "811 clamped");
    for (const char16_t* method : {u"laplacian_high_boost_1", u"laplacian_high_boost_2", u"laplacian_high_boost_3"}) {
        EXPECT_EQ(Laplacian(method, 123, 1).interior, 123);
        EXPECT_EQ(Laplacian(method, 123, -1).interior, 0);  // a strongly negative response
    }
}

// One object run with a new coefficient builds its kernel for it.
TEST(Laplacian, ANewCoefficientReachesTheKernelOfTheSameObject) {
    TestHost host(u"laplacian_high_boost_3");
    FillFlat(host.AddFrame(8, 8, 32), 123);
    EXPECT_EQ(*PixelAt(host.Run().output, 4, 4), 0);  // absent coefficient: 0
    host.SetNumber(u"High-boost coefficient", 1);
    EXPECT_EQ(*PixelAt(host.Run().output, 4, 4), 123);
}

// A 3 x 3 user kernel on a frame whose pixel (x, y) is 10 y + x (+ channel).
std::vector<uint8_t> UserKernel3x3(int bpp, const std::vector<double>& kernel, TestHost& host) {
    FrameHandle input = host.AddFrame(20, 5, bpp);
    kaf_test::FillFrame(input, [](int x, int y, int c) { return static_cast<uint8_t>(10 * y + x + c); });
    host.SetArray(u"Kernel source", kernel);
    const auto outcome = host.Run();
    EXPECT_TRUE(outcome.ok);
    return PixelBytes(outcome.output);
}

TEST(UserKernels, ElementsFillKernelRowsInOrderFacingTheRowsInReverse) {
    for (int bpp : {8, 24, 32}) {
        TestHost host(u"kernel_3x3");
        const auto output = UserKernel3x3(bpp, {0, 0, 0, 0, 1, 0, 0, 0, 0}, host);
        EXPECT_EQ(output, PixelBytes(host.Session().FindFrame(u"Input frame"))) << bpp;
    }
    TestHost nextColumn(u"kernel_3x3"), nextRow(u"kernel_3x3");
    UserKernel3x3(8, {0, 0, 0, 0, 0, 1, 0, 0, 0}, nextColumn);
    UserKernel3x3(8, {0, 1, 0, 0, 0, 0, 0, 0, 0}, nextRow);
    FrameHandle columns = nextColumn.Session().FindFrame(u"Output frame");
    FrameHandle rows = nextRow.Session().FindFrame(u"Output frame");
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 20; ++x) {
            EXPECT_EQ(*PixelAt(columns, x, y), x == 19 ? 0 : 10 * y + x + 1);
            EXPECT_EQ(*PixelAt(rows, x, y), y == 4 ? 0 : 10 * (y + 1) + x);
        }
    }
}

TEST(UserKernels, AShortArrayIsFilledWithZerosAndWarnedAboutOnce) {
    TestHost host(u"kernel_5x5");
    FrameHandle input = host.AddFrame(9, 9, 8);
    FillRandom(input, 5);
    std::vector<double> elements(13, 0.0);
    elements[12] = 1.0;  // the centre; elements 13 to 24 are missing
    host.SetArray(u"Kernel source", elements);
    const auto outcome = host.Run();
    ASSERT_TRUE(outcome.ok);
    ASSERT_EQ(outcome.warnings.size(), 1u);
    EXPECT_EQ(Text(outcome.warnings[0]), "Cannot get all the elements of the input array. Zero values were used instead.");
    EXPECT_EQ(PixelBytes(outcome.output), PixelBytes(input));

    host.SetArray(u"Kernel source", std::vector<double>(30, 0.0));  // longer: no warning
    EXPECT_TRUE(host.Run().warnings.empty());
}

TEST(UserKernels, MissingKernelSourceFailsBeforeTheOutputFrame) {
    TestHost host(u"kernel_3x3");
    host.AddFrame(5, 5, 8);
    host.Inputs().Names()[1] = u"";
    host.Outputs().Names()[0] = u"";
    const auto outcome = host.Run();
    EXPECT_FALSE(outcome.ok);
    // The unwired name leaves the host's name buffer empty.
    EXPECT_EQ(Text(outcome.error), "error: Cannot get any of the elements of the input array ");
    EXPECT_EQ(Text(host.Run(20).error), "error: Cannot get any");  // 20 + 1 characters
}

TEST(UserKernels, FreeKernelSizesMustBePositiveOddIntegers) {
    struct Case {
        double width;
        bool accepted;
    };
    for (const Case c : {Case{3, true}, Case{3.7, true}, Case{1, true}, Case{2, false}, Case{2.9, false},
                         Case{-3, false}, Case{0, false}, Case{1e12, false}}) {
        TestHost host(u"kernel");
        FillRandom(host.AddFrame(8, 8, 8), 1);
        host.SetNumber(u"Kernel width", c.width);
        host.SetNumber(u"Kernel height", 1);
        host.SetArray(u"Kernel source", {0, 1, 0});
        const auto outcome = host.Run();
        EXPECT_EQ(outcome.ok, c.accepted) << c.width;
        if (!c.accepted) {
            EXPECT_EQ(Text(outcome.error), "error: Kernel dimensions must be odd integers");
        }
    }
    TestHost absent(u"kernel");
    absent.AddFrame(8, 8, 8);
    absent.SetNumber(u"Kernel height", 1);
    EXPECT_EQ(Text(absent.Run().error), "error: Kernel dimensions must be odd integers");
}

TEST(UserKernels, FreeKernelOfOneRowFiltersAlongRowsOnly) {
    TestHost host(u"kernel");
    FillFlat(host.AddFrame(9, 4, 24), 20);
    host.SetNumber(u"Kernel width", 3);
    host.SetNumber(u"Kernel height", 1);
    host.SetArray(u"Kernel source", {1, 1, 1});
    const auto outcome = host.Run();
    ASSERT_TRUE(outcome.ok);
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(PixelAt(outcome.output, 0, y)[2], 40);
        EXPECT_EQ(PixelAt(outcome.output, 4, y)[1], 60);
        EXPECT_EQ(PixelAt(outcome.output, 8, y)[0], 40);
    }
}

TEST(UserKernels, KernelsTooLargeToAddressAreNotEnoughMemory) {
    for (double side : {65535.0, 2147483647.0}) {
        TestHost host(u"kernel");
        host.AddFrame(4, 4, 8);
        host.SetNumber(u"Kernel width", side);
        host.SetNumber(u"Kernel height", side);
        const auto outcome = host.Run();
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(Text(outcome.error), "error: Not enough memory") << side;
    }
}

}  // namespace
