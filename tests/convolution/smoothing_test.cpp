// "mean" and "gaussian": kernels, the single-precision rules that make flat
// areas lose a step, radius handling, depths and the buffers kept between runs.
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "convolution/convolution_engine.h"
#include "convolution/kernels.h"
#include "convolution/smoothing_filters.h"
#include "method_support.h"
#include "reference_convolution.h"
#include "test_host.h"

namespace {

using conv_test::DirectRun;
using conv_test::FillFlat;
using conv_test::Text;
using kaf_test::PixelAt;
using kaf_test::PixelBytes;
using kaf_test::TestHost;

TEST(SmoothingKernels, GaussianSigmasAndWeightsFromTheCentreOutward) {
    struct Row {
        int radius;
        float sigma;
        std::vector<float> weights;
    };
    const Row rows[] = {
        {1, 0.2f, {0.999993f, 3.72663e-06f}},
        {2, 0.498507f, {0.788592f, 0.105452f, 0.000252151f}},
        {5, 1.39403f, {0.286195f, 0.22127f, 0.102259f, 0.0282487f, 0.00466462f, 0.000460418f}},
        {10, 2.88657f, {0.138242f, 0.13019f, 0.108742f, 0.0805547f, 0.0529254f, 0.03084f, 0.0159384f, 0.00730552f,
                        0.00296986f, 0.00107078f, 0.000342405f}},
    };
    for (const Row& row : rows) {
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
    float mean[9];
    FillMeanKernel(mean, 9);
    for (float k : mean) EXPECT_EQ(k, 1.0f / 9.0f);
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

    // The gaussian's row pass alone already loses one step.
    ka_iproc::Session session;
    FrameHandle in = session.AddFrame(u"in", 9, 9, 8);
    FrameHandle out = session.AddFrame(u"out", 9, 9, 8);
    FillFlat(in, 255);
    float kernel[3];
    FillGaussianKernel(kernel, 1, GaussianSigma(1));
    ConvolveRows(kaf_test::Plane(in), kernel, 3, kaf_test::Plane(out));
    EXPECT_EQ(*PixelAt(out, 4, 4), 254);

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

TEST(Smoothing, RadiusIsTruncatedAndClampedToZeroToTen) {
    struct Case {
        double given;
        int used;
        const char* warning;
    };
    const Case cases[] = {
        {11, 10, "Not acceptable value of the parameter Kernel radius (11). It will be used new value 10."},
        {-1, 0, "Not acceptable value of the parameter Kernel radius (-1). It will be used new value 0."},
        {2.9, 2, nullptr},
        {-0.5, 0, nullptr},
    };
    for (const Case& c : cases) {
        TestHost host(u"mean"), reference(u"mean");
        kaf_test::FillRandom(host.AddFrame(25, 25, 8), 1);
        kaf_test::FillRandom(reference.AddFrame(25, 25, 8), 1);
        host.SetNumber(u"Kernel radius", c.given);
        reference.SetNumber(u"Kernel radius", c.used);
        const auto outcome = host.Run();
        ASSERT_TRUE(outcome.ok);
        if (c.warning) {
            ASSERT_EQ(outcome.warnings.size(), 1u);
            EXPECT_EQ(Text(outcome.warnings[0]), c.warning);
        } else {
            EXPECT_TRUE(outcome.warnings.empty());
        }
        EXPECT_EQ(PixelBytes(outcome.output), PixelBytes(reference.Run().output)) << c.given;
    }
    // Absent: radius 1, silently. An array: element 0, with a warning.
    TestHost absent(u"mean"), one(u"mean"), array(u"mean");
    for (TestHost* host : {&absent, &one, &array}) kaf_test::FillRandom(host->AddFrame(20, 20, 8), 2);
    one.SetNumber(u"Kernel radius", 1);
    array.SetArray(u"Kernel radius", {1, 5, 6});
    const auto fromAbsent = absent.Run(), fromArray = array.Run();
    EXPECT_TRUE(fromAbsent.warnings.empty());
    ASSERT_EQ(fromArray.warnings.size(), 1u);
    EXPECT_EQ(Text(fromArray.warnings[0]),
              "Only the first element of the array would be evaluated in the input data object Kernel radius");
    EXPECT_EQ(PixelBytes(fromAbsent.output), PixelBytes(one.Run().output));
    EXPECT_EQ(PixelBytes(fromArray.output), PixelBytes(fromAbsent.output));
}

}  // namespace
