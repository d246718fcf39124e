// The kernel methods run the way a host runs them: "mean" and "gaussian"
// (kernels, the single-precision rules that make flat areas lose a step),
// "blur", the Laplacian high-boost methods and the user kernels.
#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "convolution/kernels.h"
#include "test_host.h"

namespace {

using kaf_test::FillFlat;
using kaf_test::FillRandom;
using kaf_test::Narrow;
using kaf_test::PixelAt;
using kaf_test::PixelBytes;
using kaf_test::TestHost;

TEST(SmoothingKernels, GaussianSigmasAndWeightsFromTheCentreOutward) {
    const struct {
        int radius;
        float sigma;
        std::vector<float> weights;
    } rows[] = {
        {1, 0.2f, {0.999993f, 3.72663e-06f}},
        {5, 1.39403f, {0.286195f, 0.22127f, 0.102259f, 0.0282487f, 0.00466462f, 0.000460418f}},
        {10, 2.88657f, {0.138242f, 0.13019f, 0.108742f, 0.0805547f, 0.0529254f, 0.03084f, 0.0159384f, 0.00730552f,
                        0.00296986f, 0.00107078f, 0.000342405f}},
    };
    for (const auto& row : rows) {
        const float sigma = GaussianSigma(row.radius);
        EXPECT_NEAR(sigma, row.sigma, row.sigma * 1e-5f) << row.radius;
        std::vector<float> kernel(2 * row.radius + 1);
        FillGaussianKernel(kernel.data(), row.radius, sigma);
        for (int i = 0; i <= row.radius; ++i) {
            EXPECT_NEAR(kernel[row.radius + i], row.weights[i], row.weights[i] * 1e-5f) << row.radius << " " << i;
            EXPECT_EQ(kernel[row.radius - i], kernel[row.radius + i]);
        }
    }
    float single = 0.0f;
    FillGaussianKernel(&single, 0, GaussianSigma(0));
    EXPECT_EQ(single, 1.0f);
}

// The interior value of a flat frame after the method.
int FlatInterior(const std::u16string& method, int radius, uint8_t value) {
    TestHost host(method);
    const int side = 2 * radius + 5;
    FillFlat(host.AddFrame(side, side, 8), value);
    host.SetNumber(u"Kernel radius", radius);
    const auto outcome = host.Run();
    EXPECT_TRUE(outcome.ok);
    return *PixelAt(outcome.output, side / 2, side / 2);
}

TEST(Smoothing, FlatAreasLoseAStepWhereTheSingleSumsFallShort) {
    EXPECT_EQ(FlatInterior(u"mean", 4, 3), 2);
    EXPECT_EQ(FlatInterior(u"mean", 4, 255), 254);
    EXPECT_EQ(FlatInterior(u"gaussian", 1, 255), 253);
    EXPECT_EQ(FlatInterior(u"gaussian", 1, 100), 98);

    // Radius 1 and 2 keep every value: one frame holds a flat band of each
    // value, wide enough for a window to fit inside it.
    for (int radius : {1, 2}) {
        const int band = 2 * radius + 3;
        TestHost host(u"mean");
        FrameHandle input = host.AddFrame(256 * band, band, 8);
        kaf_test::FillFrame(input, [&](int x, int, int) { return static_cast<uint8_t>(x / band); });
        host.SetNumber(u"Kernel radius", radius);
        const auto outcome = host.Run();
        for (int value = 0; value < 256; ++value) {
            EXPECT_EQ(*PixelAt(outcome.output, value * band + band / 2, band / 2), value) << radius;
        }
    }
}

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
std::vector<int> Laplacian(const std::u16string& method, uint8_t value, double b) {
    TestHost host(method);
    FillFlat(host.AddFrame(80, 6, 8), value);
    host.SetNumber(u"High-boost coefficient", b);
    const auto outcome = host.Run();
    EXPECT_TRUE(outcome.ok);
    return {*PixelAt(outcome.output, 40, 3), *PixelAt(outcome.output, 40, 0), *PixelAt(outcome.output, 79, 5)};
}

TEST(Laplacian, FlatFramesGiveZeroInsideAndTheMissingTapsAtTheBorder) {
    EXPECT_EQ(Laplacian(u"laplacian_high_boost_1", 40, 0), (std::vector<int>{0, 0, 40}));
    EXPECT_EQ(Laplacian(u"laplacian_high_boost_2", 40, 0), (std::vector<int>{0, 40, 80}));
    EXPECT_EQ(Laplacian(u"laplacian_high_boost_3", 40, 0), (std::vector<int>{0, 120, 200}));
    EXPECT_EQ(Laplacian(u"laplacian_high_boost_3", 60, 0), (std::vector<int>{0, 180, 255}));
    for (const char16_t* method : {u"laplacian_high_boost_1", u"laplacian_high_boost_2", u"laplacian_high_boost_3"}) {
        EXPECT_EQ(Laplacian(method, 123, 1)[0], 123);
        EXPECT_EQ(Laplacian(method, 123, -1)[0], 0);  // a strongly negative response
    }
    // One object run with a new coefficient builds its kernel for it.
    TestHost host(u"laplacian_high_boost_3");
    FillFlat(host.AddFrame(8, 8, 32), 123);
    EXPECT_EQ(*PixelAt(host.Run().output, 4, 4), 0);  // absent coefficient: 0
    host.SetNumber(u"High-boost coefficient", 1);
    EXPECT_EQ(*PixelAt(host.Run().output, 4, 4), 123);
}

// A 3 x 3 user kernel on a frame whose pixel (x, y) is 10 y + x (+ channel).
FrameHandle UserKernel3x3(int bpp, const std::vector<double>& kernel, TestHost& host) {
    FrameHandle input = host.AddFrame(20, 5, bpp);
    kaf_test::FillFrame(input, [](int x, int y, int c) { return static_cast<uint8_t>(10 * y + x + c); });
    host.SetArray(u"Kernel source", kernel);
    const auto outcome = host.Run();
    EXPECT_TRUE(outcome.ok);
    return outcome.output;
}

TEST(UserKernels, ElementsFillKernelRowsInOrderFacingTheRowsInReverse) {
    for (int bpp : {8, 24, 32}) {
        TestHost host(u"kernel_3x3");
        const auto output = PixelBytes(UserKernel3x3(bpp, {0, 0, 0, 0, 1, 0, 0, 0, 0}, host));
        EXPECT_EQ(output, PixelBytes(host.Session().FindFrame(u"Input frame"))) << bpp;
    }
    TestHost nextColumn(u"kernel_3x3"), nextRow(u"kernel_3x3");
    FrameHandle columns = UserKernel3x3(8, {0, 0, 0, 0, 0, 1, 0, 0, 0}, nextColumn);
    FrameHandle rows = UserKernel3x3(8, {0, 1, 0, 0, 0, 0, 0, 0, 0}, nextRow);
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
    EXPECT_EQ(Narrow(outcome.warnings[0]), "Cannot get all the elements of the input array. Zero values were used instead.");
    EXPECT_EQ(PixelBytes(outcome.output), PixelBytes(input));

    host.SetArray(u"Kernel source", std::vector<double>(30, 0.0));  // longer: no warning
    EXPECT_TRUE(host.Run().warnings.empty());

    // No kernel source at all fails before the output frame is fetched; the
    // unwired name leaves the host's name buffer empty.
    TestHost missing(u"kernel_3x3");
    missing.AddFrame(5, 5, 8);
    missing.Inputs().Names()[1] = u"";
    missing.Outputs().Names()[0] = u"";
    EXPECT_EQ(Narrow(missing.Run().error), "error: Cannot get any of the elements of the input array ");
    EXPECT_EQ(Narrow(missing.Run(20).error), "error: Cannot get any");  // 20 + 1 characters
}

// "kernel" with three elements of 1 on a flat 24-bit frame of 20: sizes are
// truncated to odd integers, and a kernel of one row filters along rows only.
TEST(UserKernels, FreeKernelSizesMustBePositiveOddIntegersOfAnAddressableKernel) {
    const std::string odd = "error: Kernel dimensions must be odd integers";
    const struct {
        double width, height;  // NaN: absent
        int used;              // the width used, or 0
        std::string error;
    } cases[] = {{3, 1, 3, ""},   {3.7, 1, 3, ""},  {1, 1, 1, ""},   {2, 1, 0, odd},    {2.9, 1, 0, odd},
                 {-3, 1, 0, odd}, {0, 1, 0, odd},   {1e12, 1, 0, odd}, {NAN, 1, 0, odd},
                 {65535, 65535, 0, "error: Not enough memory"}, {2147483647, 2147483647, 0, "error: Not enough memory"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        TestHost host(u"kernel");
        FillFlat(host.AddFrame(9, 4, 24), 20);
        if (!std::isnan(c.width)) host.SetNumber(u"Kernel width", c.width);
        host.SetNumber(u"Kernel height", c.height);
        host.SetArray(u"Kernel source", {1, 1, 1});
        const auto outcome = host.Run();
        EXPECT_EQ(outcome.ok, c.error.empty());
        EXPECT_EQ(Narrow(outcome.error), c.error);
        if (!c.used) continue;
        for (int y = 0; y < 4; ++y) {
            EXPECT_EQ(PixelAt(outcome.output, 0, y)[2], 20 * std::min(c.used, 2));
            EXPECT_EQ(PixelAt(outcome.output, 4, y)[1], 20 * c.used);
            EXPECT_EQ(PixelAt(outcome.output, 8, y)[0], 20 * std::min(c.used, 2));
        }
    }
}

}  // namespace
