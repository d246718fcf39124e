// "mean" and "gaussian": kernels, the single-precision rules that make flat
// areas lose a step, and radius handling.
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "convolution/kernels.h"
#include "test_host.h"

namespace {

using kaf_test::FillFlat;
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

}  // namespace
