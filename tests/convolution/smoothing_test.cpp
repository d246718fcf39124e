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
    ConvolveRows(in, kernel, 3, out, 9, 9);
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

TEST(Smoothing, BothMethodsAreTheRowPassThenTheColumnPass) {
    std::mt19937 generator(5);
    for (const std::u16string method : {u"mean", u"gaussian"}) {
        for (int bpp : {8, 24, 32}) {
            for (int radius : {0, 2, 7}) {
                TestHost host(method);
                FrameHandle input = host.AddFrame(29, 23, bpp);
                kaf_test::FillRandom(input, generator());
                host.SetNumber(u"Kernel radius", radius);

                std::vector<float> kernel(2 * radius + 1);
                if (method == u"mean") {
                    FillMeanKernel(kernel.data(), 2 * radius + 1);
                } else {
                    FillGaussianKernel(kernel.data(), radius, GaussianSigma(radius));
                }
                ka_iproc::Session scratch;
                FrameHandle rows = scratch.AddFrame(u"rows", 29, 23, bpp);
                conv_test::SetPixelBytes(rows, conv_test::ReferenceConvolve(input, kernel, 1, 2 * radius + 1,
                                                                            conv_test::Finish::LowByte, true));
                const auto expected =
                    conv_test::ReferenceConvolve(rows, kernel, 2 * radius + 1, 1, conv_test::Finish::LowByte, true);
                for (int threads : {1, 2}) {
                    kaf_test::WithThreads(threads, [&] {
                        const auto outcome = host.Run();
                        ASSERT_TRUE(outcome.ok);
                        EXPECT_EQ(PixelBytes(outcome.output), expected)
                            << Text(method) << " " << bpp << " bpp radius " << radius << " threads " << threads;
                    });
                }
            }
        }
    }
}

TEST(Smoothing, RadiusZeroCopiesAndColourFramesFilterEveryChannelAlike) {
    for (int bpp : {8, 24, 32}) {
        TestHost host(u"gaussian");
        FrameHandle input = host.AddFrame(70, 5, bpp);
        kaf_test::FillRandom(input, bpp);
        host.SetNumber(u"Kernel radius", 0);
        const auto outcome = host.Run();
        ASSERT_TRUE(outcome.ok);
        EXPECT_EQ(PixelBytes(outcome.output), PixelBytes(input)) << bpp;
    }
    // A 24-bit frame comes out as the colour bytes of the 32-bit frame with
    // the same colours.
    TestHost colour(u"mean"), withFourth(u"mean");
    FrameHandle bgr = colour.AddFrame(31, 17, 24);
    FrameHandle bgra = withFourth.AddFrame(31, 17, 32);
    kaf_test::FillRandom(bgr, 9);
    kaf_test::FillFrame(bgra, [&](int x, int y, int b) { return b < 3 ? PixelAt(bgr, x, y)[b] : uint8_t(x * y); });
    colour.SetNumber(u"Kernel radius", 3);
    withFourth.SetNumber(u"Kernel radius", 3);
    const auto a = colour.Run(), b = withFourth.Run();
    for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < 31; ++x) {
            EXPECT_EQ(0, std::memcmp(PixelAt(a.output, x, y), PixelAt(b.output, x, y), 3));
            EXPECT_EQ(PixelAt(b.output, x, y)[3], uint8_t(x * y));
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

TEST(ConvolutionMethods, FrameFailures) {
    for (const char16_t* method : {u"mean", u"gaussian", u"blur", u"laplacian_high_boost_1", u"laplacian_high_boost_2",
                                   u"laplacian_high_boost_3", u"kernel_3x3", u"kernel_5x5"}) {
        conv_test::ExpectFrameFailures(method, 8);
    }
}

// Makes the held kernel of length n an identity, so a run that keeps it copies.
void PoisonKernel(const float* kernel, int length) {
    float* k = const_cast<float*>(kernel);
    for (int i = 0; i < length; ++i) k[i] = i == length / 2 ? 1.0f : 0.0f;
}

TEST(Smoothing, KernelRebuiltOnlyForANewKey) {
    for (bool gaussian : {false, true}) {
        CMean mean(5);
        CGaussian gauss(1);
        CSeparableSmoothing& filter = gaussian ? static_cast<CSeparableSmoothing&>(gauss) : mean;
        DirectRun run({u"Input frame", u"Kernel radius"});
        FrameHandle input = run.session.AddFrame(u"Input frame", 30, 12, 32);
        kaf_test::FillRandom(input, 4);
        run.session.AddNumber(u"Kernel radius", 2);
        ASSERT_TRUE(run.Run(filter));
        ASSERT_NE(PixelBytes(run.Output()), PixelBytes(input));

        PoisonKernel(filter.CachedKernel(), 5);
        ASSERT_TRUE(run.Run(filter));  // same radius: kept
        EXPECT_EQ(PixelBytes(run.Output()), PixelBytes(input));

        run.session.AddNumber(u"Kernel radius", 3);
        ASSERT_TRUE(run.Run(filter));  // new radius: rebuilt
        EXPECT_NE(PixelBytes(run.Output()), PixelBytes(input));

        PoisonKernel(filter.CachedKernel(), 7);
        FrameHandle other = run.session.AddFrame(u"Input frame", 31, 12, 24);
        kaf_test::FillRandom(other, 5);
        ASSERT_TRUE(run.Run(filter));  // a new geometry keeps the kernel
        EXPECT_EQ(PixelBytes(run.Output()), PixelBytes(other));
    }
}

}  // namespace
