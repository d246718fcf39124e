// "edge": the suppression table, thresholds and the buffers kept between
// runs, run the way a host runs them and, for the stages, held to plain
// per-pixel versions.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "convolution/convolution_engine.h"
#include "convolution/lane_routines.h"
#include "edge/edge_rows.h"
#include "edge/edge_stages.h"
#include "host_api.h"
#include "test_host.h"

namespace {

using kaf_test::FillFrame;
using kaf_test::PixelAt;
using kaf_test::PixelBytes;
using kaf_test::TestHost;

// The derivative sums pixel by pixel, in tap order over the taps inside:
// gx along the rows of `alongRows`, gy along the columns of `alongColumns`.
template <class Sample>
void PlainDerivatives(const std::vector<Sample>& alongRows, const std::vector<Sample>& alongColumns,
                      const std::vector<float>& kernel, int width, int height, std::vector<float>& gx,
                      std::vector<float>& gy) {
    const int length = static_cast<int>(kernel.size()), n = (length - 1) / 2;
    gx.assign(width * height, 0.0f);
    gy.assign(width * height, 0.0f);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float sx = 0.0f, sy = 0.0f;
            for (int i = 0; i < length; ++i) {
                if (x - n + i >= 0 && x - n + i < width) sx = sx + kernel[i] * alongRows[y * width + x - n + i];
                if (y + n - i >= 0 && y + n - i < height) sy = sy + kernel[i] * alongColumns[(y + n - i) * width + x];
            }
            gx[y * width + x] = sx;
            gy[y * width + x] = sy;
        }
    }
}

TEST(EdgeStages, EqualMagnitudesAreNotMaximaAndDiagonalsUseTheTable) {
    // A one-tap derivative kernel of weight 1 makes the gradients the gray
    // values themselves: gx from the row plane, gy from the column plane.
    const int height = 5, width = 6;
    std::vector<uint8_t> gx(height * width, 0), gy(height * width, 0);
    const float one = 1.0f;
    ka_iproc::Session session;
    FrameHandle output = session.AddFrame(u"out", width, height, 8);
    // A ridge two pixels wide along the columns: neither pixel is a maximum.
    for (int r = 0; r < height; ++r) gx[r * width + 2] = gx[r * width + 3] = 10;
    SuppressAndThreshold({gx.data(), gy.data(), &one, 1}, kaf_test::Plane(output), 0);
    EXPECT_EQ(PixelBytes(output), std::vector<uint8_t>(height * width, 0));
    // |gy| equal to |gx| takes the second case with t = 1: only the diagonal
    // neighbours count (same signs: above-left and below-right).
    std::fill(gx.begin(), gx.end(), 0);
    for (int i : {2 * width + 2, 1 * width + 1, 3 * width + 3}) gx[i] = gy[i] = i == 2 * width + 2 ? 50 : 49;
    gx[2 * width + 3] = gy[2 * width + 3] = 90;  // a straight neighbour, weighted 0
    SuppressAndThreshold({gx.data(), gy.data(), &one, 1}, kaf_test::Plane(output), 0);
    EXPECT_EQ(*PixelAt(output, 2, 2), 255);
}

TEST(EdgeStages, DerivativePassesTakeTheTapsInsideInOrder) {
    const int width = 700, height = 45;
    std::mt19937 generator(5);
    std::uniform_real_distribution<float> value(0.0f, 255.0f);
    std::vector<float> plane(width * height);
    for (float& v : plane) v = value(generator);
    for (int n : {1, 5, 10}) {
        const int length = 2 * n + 1;
        std::vector<float> kernel(length);
        for (float& k : kernel) k = value(generator) / 255.0f - 0.5f;
        std::vector<float> gx(width * height), gy(width * height);
        // Each pass in two pieces of columns; the row pass from a copy of
        // the row that starts where its taps first reach, the column pass in
        // batches of rows of every size up to 9, so that rows computed
        // several at once meet the plane's top and bottom.
        for (int y = 0, batch = 1; y < height; y += batch, batch = batch % 9 + 1) {
            batch = std::min(batch, height - y);
            for (int x0 : {0, 300}) {
                const int count = x0 == 0 ? 300 : width - 300;
                for (int m = 0; m < batch; ++m) {
                    const int first = std::max(0, x0 - n);
                    const std::vector<float> part(plane.begin() + (y + m) * width + first,
                                                  plane.begin() + (y + m) * width + std::min(width, x0 + count + n));
                    RowDerivative(part.data(), first, kernel.data(), length, x0, count, width,
                                  gx.data() + (y + m) * width + x0);
                }
                const float* grayRows[30];
                for (int a = 0; a < batch + length - 1; ++a) {
                    const int row = y - n + a;
                    grayRows[a] = row >= 0 && row < height ? plane.data() + row * width + x0 : nullptr;
                }
                float* rows[9];
                for (int m = 0; m < batch; ++m) rows[m] = gy.data() + (y + m) * width + x0;
                ColumnDerivativeRows(grayRows, kernel.data(), length, height, y, batch, count, rows);
            }
        }
        std::vector<float> sx, sy;
        PlainDerivatives(plane, plane, kernel, width, height, sx, sy);
        EXPECT_EQ(std::memcmp(gx.data(), sx.data(), gx.size() * sizeof(float)), 0) << "half-width " << n;
        EXPECT_EQ(std::memcmp(gy.data(), sy.data(), gy.size() * sizeof(float)), 0) << "half-width " << n;
    }
}

TEST(EdgeStages, SmoothingGoesStraightIntoTheGrayPlanes) {
    // The gray planes are those of the smoothed frames ConvolveRows and
    // ConvolveColumns write: the byte, or bytes 0-2 added and divided by 3.
    // Wide enough for several strips of the column pass and, on three
    // threads, tall enough for several blocks of rows (each row's row pass
    // comes from the block that owns it), at kernel lengths that take 32-bit
    // pixels whole (3) and as colours only (11, 21).
    const int width = 1100, height = 200;
    std::mt19937 generator(12);
    ka_iproc::Session session;
    for (int bpp : {8, 24, 32}) {
        FrameHandle input = session.AddFrame(u"in", width, height, bpp);
        FrameHandle smoothed = session.AddFrame(u"smoothed", width, height, bpp);
        kaf_test::FillFrame(input, [&](int, int, int) { return static_cast<uint8_t>(generator()); });
        const PixelPlane in = kaf_test::Plane(input), out = kaf_test::Plane(smoothed);
        for (float sigma : {0.3f, 1.4f, 3.0f}) {
            const int length = 2 * EdgeHalfWidth(sigma) + 1;
            std::vector<float> gauss(length), derivative(length);
            FillEdgeKernels(sigma, gauss.data(), derivative.data());
            // The gray values of the frame each pass writes.
            std::vector<uint8_t> expected[2], got[2];
            for (int pass : {0, 1}) {
                if (pass == 0) {
                    ConvolveRows(in, gauss.data(), length, out);
                } else {
                    ConvolveColumns(in, gauss.data(), length, out);
                }
                expected[pass].resize(width * height);
                got[pass].assign(width * height, 0);
                for (int y = 0; y < height; ++y) {
                    for (int x = 0; x < width; ++x) {
                        const uint8_t* p = out.data + y * out.stride + x * (bpp / 8);
                        expected[pass][y * width + x] =
                            bpp == 8 ? p[0] : uint8_t((uint32_t{p[0]} + p[1] + p[2]) / 3u);
                    }
                }
            }
            kaf_test::WithThreads(3, [&] { SmoothIntoGrayPlanes(in, gauss.data(), length, got[0].data(), got[1].data()); });
            EXPECT_EQ(got[0], expected[0]) << bpp << " bpp, length " << length << " rows";
            EXPECT_EQ(got[1], expected[1]) << bpp << " bpp, length " << length << " columns";
        }
    }
}

TEST(EdgeStages, SuppressionInStripsAndBlocksGivesThePlainRows) {
    // Wider than the suppression's strips and, on three threads, in several
    // blocks of rows: the bytes of the plain rows over whole gradient planes.
    const int width = 1700, height = 70;
    std::mt19937 generator(8);
    std::vector<uint8_t> rowGray(width * height), columnGray(width * height);
    for (uint8_t& g : rowGray) g = static_cast<uint8_t>(generator());
    for (uint8_t& g : columnGray) g = static_cast<uint8_t>(generator() % 40);
    const EdgeRows plain = *EdgeRowsFor(kaf_isa::InstructionSet::Baseline);
    ka_iproc::Session session;
    FrameHandle output = session.AddFrame(u"out", width, height, 8);
    for (float sigma : {1.4f, 3.0f}) {
        const int n = EdgeHalfWidth(sigma), length = 2 * n + 1;
        std::vector<float> gauss(length), derivative(length);
        FillEdgeKernels(sigma, gauss.data(), derivative.data());
        std::vector<float> gx, gy, magnitude(width * height);
        PlainDerivatives(rowGray, columnGray, derivative, width, height, gx, gy);
        for (size_t i = 0; i < magnitude.size(); ++i) magnitude[i] = std::sqrt(gx[i] * gx[i] + gy[i] * gy[i]);
        std::vector<uint8_t> expected(width * height, 7);
        for (int r = 1; r < height - 1; ++r) {
            const size_t at = static_cast<size_t>(r) * width;
            plain.suppress(gx.data() + at, gy.data() + at, magnitude.data() + at - width, magnitude.data() + at,
                           magnitude.data() + at + width, expected.data() + at, width, 60.0f);
        }
        FillFrame(output, [](int, int, int) { return uint8_t{7}; });
        kaf_test::WithThreads(3, [&] {
            SuppressAndThreshold({rowGray.data(), columnGray.data(), derivative.data(), length},
                                 kaf_test::Plane(output), 60);
        });
        EXPECT_EQ(PixelBytes(output), expected) << "sigma " << sigma;
    }
}

TEST(EdgeStages, EveryInstructionSetGivesThePlainRows) {
    const std::vector<LaneRoutines> sets = kaf_test::RunnableSets(LanesFor);
    const std::vector<EdgeRows> rowSets = kaf_test::RunnableSets(EdgeRowsFor);
    const EdgeRows plain = *EdgeRowsFor(kaf_isa::InstructionSet::Baseline);
    std::mt19937 generator(21);
    // Wider than the pieces the suppression works in, at an odd width.
    const int width = 601;
    // Gradient planes with runs of equal values, ties and NaN, so that every
    // branch of the table and both strict comparisons are met.
    std::vector<float> gx(3 * width), gy(3 * width);
    std::uniform_int_distribution<int> coarse(-3, 3);
    std::uniform_real_distribution<float> fine(-30.0f, 30.0f);
    for (size_t i = 0; i < gx.size(); ++i) {
        const int kind = generator() % 8;
        gx[i] = kind < 3 ? float(coarse(generator)) : kind < 7 ? fine(generator) : 0.005f;
        gy[i] = kind == 1 ? gx[i] : kind == 2 ? -gx[i] : kind < 7 ? fine(generator) : -0.01f;
        if (generator() % 500 == 0) gx[i] = std::numeric_limits<float>::quiet_NaN();
    }
    std::vector<uint8_t> pixels(4 * width);
    for (uint8_t& p : pixels) p = static_cast<uint8_t>(generator());
    std::vector<float> magnitude(3 * width);
    std::vector<uint8_t> plainGray(width), gray(width);
    for (int i = 0; i < 3 * width; ++i) magnitude[i] = std::sqrt(gx[i] * gx[i] + gy[i] * gy[i]);
    std::vector<uint8_t> expected(width, 9), got(width, 9);
    plain.suppress(gx.data() + width, gy.data() + width, magnitude.data(), magnitude.data() + width,
                   magnitude.data() + 2 * width, expected.data(), width, 60.0f);
    // Each pixel alone, as the one interior pixel of a row of three, gives
    // the row's byte wherever the pieces fall.
    for (int x = 1; x < width - 1; ++x) {
        uint8_t alone[3] = {9, 9, 9};
        plain.suppress(gx.data() + width + x - 1, gy.data() + width + x - 1, magnitude.data() + x - 1,
                       magnitude.data() + width + x - 1, magnitude.data() + 2 * width + x - 1, alone, 3, 60.0f);
        ASSERT_EQ(alone[1], expected[x]) << x;
    }
    EXPECT_EQ(expected[0], 9);
    EXPECT_EQ(expected[width - 1], 9);
    for (const LaneRoutines& lanes : sets) {
        std::vector<float> m(3 * width);
        lanes.magnitudes(gx.data(), gy.data(), m.data(), 3 * width);
        EXPECT_EQ(0, std::memcmp(m.data(), magnitude.data(), m.size() * sizeof(float)));
    }
    for (const EdgeRows& lanes : rowSets) {
        lanes.suppress(gx.data() + width, gy.data() + width, magnitude.data(), magnitude.data() + width,
                       magnitude.data() + 2 * width, got.data(), width, 60.0f);
        EXPECT_EQ(got, expected);
        for (int bpp : {3, 4}) {
            (bpp == 3 ? plain.grayOfBgr : plain.grayOfBgra)(pixels.data(), plainGray.data(), width);
            (bpp == 3 ? lanes.grayOfBgr : lanes.grayOfBgra)(pixels.data(), gray.data(), width);
            EXPECT_EQ(gray, plainGray);
        }
    }
}

// The edge map of a frame whose pixel (x, y) is value(x, y) at every channel.
template <class Fn>
std::vector<uint8_t> EdgeMap(int width, int height, int bpp, Fn value, double sigma = 1.0, double threshold = 0.5) {
    TestHost host(u"edge");
    FillFrame(host.AddFrame(width, height, bpp), [&](int x, int y, int) { return value(x, y); });
    host.SetNumber(u"Standard deviation", sigma);
    host.SetNumber(u"Threshold", threshold);
    const auto outcome = host.Run();
    EXPECT_TRUE(outcome.ok) << kaf_test::Narrow(outcome.error);
    EXPECT_EQ(GetFrameBPP(outcome.output), 8);
    return PixelBytes(outcome.output);
}

TEST(Edge, StepsGiveOnePixelWideLinesWhereTheyStep) {
    // Within the kernels' half-width (3 at sigma 1) of a side, derivative
    // taps are cut off without renormalising, so flat runs of non-zero values
    // have gradients there; only the pixels further in are pinned.
    const int width = 40, height = 30, inset = 4;
    auto step = [](int p, int at) { return static_cast<uint8_t>(p < at ? 0 : p == at ? 100 : 200); };
    // The border rows and columns are never written: they stay as the host
    // gave the output frame, where the steps cross them too.
    for (int bpp : {8, 24, 32}) {
        const auto columns = EdgeMap(width, height, bpp, [&](int x, int) { return step(x, 17); });
        const auto rows = EdgeMap(width, height, bpp, [&](int, int y) { return step(y, 12); });
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const bool border = x == 0 || y == 0 || x == width - 1 || y == height - 1;
                if (border || (y >= inset && y < height - inset)) {
                    EXPECT_EQ(columns[y * width + x], !border && x == 17 ? 255 : 0) << bpp << " bpp " << x << "," << y;
                }
                if (border || (x >= inset && x < width - inset)) {
                    EXPECT_EQ(rows[y * width + x], !border && y == 12 ? 255 : 0) << bpp << " bpp " << x << "," << y;
                }
            }
        }
    }
    // A 45-degree edge has |gx| = |gy|, the second case of the table with
    // t = 1, whose diagonal neighbours lie along the edge with the same
    // magnitude: the strict comparison marks none of its pixels.
    // (Near the sides, where the border gradients join in, some are marked.)
    const int side = 60;
    const auto diagonal = EdgeMap(side, side, 8, [&](int x, int y) { return step(x + y, side); });
    for (int y = 2 * inset; y < side - 2 * inset; ++y) {
        for (int x = 2 * inset; x < side - 2 * inset; ++x) EXPECT_EQ(diagonal[y * side + x], 0) << x << "," << y;
    }
    EXPECT_NE(diagonal, std::vector<uint8_t>(side * side, 0));
}

TEST(Edge, ThresholdIsClampedAndSetsTheLevel) {
    const struct {
        double given, used;
        const char* warning;
    } cases[] = {
        {1.5, 1.0, "Not acceptable value of the parameter Threshold (1.500000). It will be used new value 1.000000."},
        {-0.2, 0.0, "Not acceptable value of the parameter Threshold (-0.200000). It will be used new value 0.000000."},
    };
    auto ramp = [](int x, int y) { return static_cast<uint8_t>((x * 7 + y * 3) % 256 < 128 ? 40 : 60); };
    for (const auto& c : cases) {
        TestHost host(u"edge");
        FillFrame(host.AddFrame(30, 30, 8), [&](int x, int y, int) { return ramp(x, y); });
        host.SetNumber(u"Threshold", c.given);
        const auto outcome = host.Run();
        ASSERT_EQ(outcome.warnings.size(), 1u);
        EXPECT_EQ(kaf_test::Narrow(outcome.warnings[0]), c.warning);
        EXPECT_EQ(PixelBytes(outcome.output), EdgeMap(30, 30, 8, ramp, 1.0, c.used));
    }
    // A step of 20 gives maxima with m x 20 between 127 and 255: found at
    // threshold 0.5 or 0, not at 1 (which needs m > 12.75).
    auto step = [](int x, int) { return static_cast<uint8_t>(x < 15 ? 100 : x == 15 ? 110 : 120); };
    const auto atHalf = EdgeMap(30, 30, 8, step, 1.0, 0.5);
    EXPECT_EQ(atHalf[10 * 30 + 15], 255);
    EXPECT_EQ(EdgeMap(30, 30, 8, step, 1.0, 0.0), atHalf);
    EXPECT_EQ(EdgeMap(30, 30, 8, step, 1.0, 1.0), std::vector<uint8_t>(30 * 30, 0));
    // A step of 18 at sigma 1.5 peaks between 127 and 128: found at threshold
    // 0.5, level 127 (0.5 x 255 truncated), and not at level 128.
    auto faint = [](int x, int) { return static_cast<uint8_t>(x < 15 ? 0 : 18); };
    EXPECT_EQ(EdgeMap(30, 30, 8, faint, 1.5, 0.5)[15 * 30 + 15], 255);
    EXPECT_EQ(EdgeMap(30, 30, 8, faint, 1.5, 128.5 / 255)[15 * 30 + 15], 0);
}

}  // namespace
