// The convolution engines called directly on host frames: held to the plain
// per-pixel reference on random frames, a kernel that is not a number, and
// every instruction set's spans held to the one-sample path.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "convolution/box_sum_rows.h"
#include "convolution/convolution_engine.h"
#include "convolution/lane_routines.h"
#include "host_api.h"
#include "numeric.h"
#include "test_host.h"

namespace {

// The convolution rules written the plain way, one pixel and one tap at a
// time with every tap tested against the frame: the yardstick the vectorised
// engines are held to. Gives the output frame's pixel bytes (rows without
// padding) for a kernel of kh x kw weights over the input frame.
enum class Finish { LowByte, Saturate };
std::vector<uint8_t> ReferenceConvolve(FrameHandle input, const std::vector<float>& kernel, int kh, int kw,
                                              Finish finish, bool normalise) {
    const int width = GetFrameWidth(input);
    const int height = GetFrameDepth(input);
    const int bytes = GetFrameBPP(input) / 8;
    const int channels = bytes == 1 ? 1 : 3;
    const int ry = (kh - 1) / 2;
    const int rx = (kw - 1) / 2;
    const std::vector<uint8_t> pixels = kaf_test::PixelBytes(input);
    auto at = [&](int column, int row) { return &pixels[(size_t(row) * width + column) * bytes]; };
    std::vector<uint8_t> out;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float w = 0.0f;
            float s[3] = {0.0f, 0.0f, 0.0f};
            for (int ky = 0; ky < kh; ++ky) {
                for (int kx = 0; kx < kw; ++kx) {
                    const int row = y + ry - ky;
                    const int column = x - rx + kx;
                    if (row < 0 || row >= height || column < 0 || column >= width) continue;
                    const float k = kernel[ky * kw + kx];
                    w = w + k;
                    for (int c = 0; c < channels; ++c) s[c] = s[c] + float(at(column, row)[c]) * k;
                }
            }
            for (int c = 0; c < channels; ++c) {
                if (finish == Finish::LowByte) {
                    out.push_back(static_cast<uint8_t>(TruncateToInt32(s[c] / w)));
                } else {
                    float q = s[c];
                    if (normalise && w != 0.0f) q = q / w;
                    out.push_back(q != q || q < 0.0f ? 0 : q > 255.0f ? 255 : static_cast<uint8_t>(q));
                }
            }
            if (bytes == 4) out.push_back(at(x, y)[3]);
        }
    }
    return out;
}

using kaf_test::PixelBytes;
using kaf_test::Plane;

std::vector<float> RandomKernel(std::mt19937& generator, int count, float low, float high) {
    std::uniform_real_distribution<float> weight(low, high);
    std::vector<float> kernel(count);
    for (float& k : kernel) k = weight(generator);
    return kernel;
}

// Odd widths around the vector block lengths, so that frames take the
// scalar path, whole blocks, and blocks plus an overlapping last block; and
// widths beyond one strip of working rows (about 900 pixels at 32 bits with
// tall kernels, about 3000 at 8 bits). Kernel shapes: the last two are
// too tall or too wide for working rows and are read straight from the frame.
const int kSizes[][2] = {{1, 1}, {2, 3}, {5, 7}, {13, 4}, {33, 5}, {63, 3}, {67, 6}, {131, 9}, {257, 2}, {1601, 3}};
const int kShapes[][2] = {{1, 1}, {3, 3}, {1, 5}, {5, 1}, {3, 7}, {9, 9}, {35, 3}, {1, 1001}};

TEST(Engines, MatchThePerPixelRulesOnRandomFrames) {
    std::mt19937 generator(7);
    int run = 0;
    for (int bpp : {8, 24, 32}) {
        for (const auto& size : kSizes) {
            ka_iproc::Session session;
            FrameHandle input = session.AddFrame(u"in", size[0], size[1], bpp);
            FrameHandle output = session.AddFrame(u"out", size[0], size[1], bpp);
            for (int length : {1, 3, 7, 21}) {
                // Equal weights (length 7) take the path that forms each product once.
                std::vector<float> kernel = RandomKernel(generator, length, 0.01f, 1.0f);
                if (length == 7) kernel.assign(7, 1.0f / 7.0f);
                kaf_test::FillRandom(input, generator());
                kaf_test::FillRandom(output, generator());  // every byte must be written
                const auto rows = ReferenceConvolve(input, kernel, 1, length, Finish::LowByte, true);
                const auto columns = ReferenceConvolve(input, kernel, length, 1, Finish::LowByte, true);
                for (int threads : {1, 3}) {
                    SCOPED_TRACE(testing::Message() << bpp << " bpp " << size[0] << "x" << size[1] << " length "
                                                    << length << " threads " << threads);
                    kaf_test::WithThreads(threads, [&] {
                        ConvolveRows(Plane(input), kernel.data(), length, Plane(output));
                        EXPECT_EQ(PixelBytes(output), rows);
                        ConvolveColumns(Plane(input), kernel.data(), length, Plane(output));
                        EXPECT_EQ(PixelBytes(output), columns);
                    });
                }
            }
            for (const auto& shape : kShapes) {
                // Negative weights make sums fall below 0 and above 255, and W
                // cross 0 at the borders.
                std::vector<float> kernel = RandomKernel(generator, shape[0] * shape[1], -1.0f, 1.5f);
                if (shape[0] == 3 && shape[1] == 7) kernel.assign(21, -0.37f);  // equal weights
                kaf_test::FillRandom(input, generator());
                for (bool normalise : {false, true}) {
                    kaf_test::FillRandom(output, generator());
                    const int threads = ++run % 2 ? 1 : 3;
                    kaf_test::WithThreads(threads, [&] {
                        ConvolveKernel(Plane(input), kernel.data(), shape[0], shape[1], Plane(output), normalise);
                    });
                    EXPECT_EQ(PixelBytes(output),
                              ReferenceConvolve(input, kernel, shape[0], shape[1], Finish::Saturate, normalise))
                        << bpp << " bpp " << size[0] << "x" << size[1] << " kernel " << shape[0] << "x" << shape[1]
                        << " normalise " << normalise << " threads " << threads;
                }
            }
        }
    }
    // Not a number clamps to 0; byte 3 is kept.
    ka_iproc::Session session;
    FrameHandle input = session.AddFrame(u"in", 40, 3, 32), output = session.AddFrame(u"out", 40, 3, 32);
    kaf_test::FillRandom(input, 5);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float kernel[] = {0, 0, 0, 0, nan, 0, 0, 0, 0};
    ConvolveKernel(Plane(input), kernel, 3, 3, Plane(output), false);
    for (int x : {0, 20, 39}) {
        for (int c = 0; c < 4; ++c) EXPECT_EQ(kaf_test::PixelAt(output, x, 1)[c], c < 3 ? 0 : kaf_test::PixelAt(input, x, 1)[3]);
    }
}

// Kernels of ones with a whole-number centre, which the module sums in whole
// numbers: held to the per-pixel rules on frames narrower and shorter than
// the kernels, wider than a strip of column sums, and with windows short,
// long and longer than the sums double, normalised or not. A centre of 70000
// takes the sums past 2^24, where the single-precision sums round and the
// kernel engine takes over; one of 2.5 is not whole.
TEST(Engines, BoxKernelsMatchThePerPixelRules) {
    std::mt19937 generator(13);
    const int kBoxShapes[][2] = {{3, 3}, {5, 1}, {1, 13}, {21, 21}, {3, 23}, {35, 3}, {1, 1001}};
    const float kCentres[] = {0.0f, 1.0f, 8.0f, 440.0f, 70000.0f, 2.5f};
    int trial = 0;
    for (int bpp : {8, 24, 32}) {
        for (const auto& size : {std::array<int, 2>{1, 1}, {5, 7}, {33, 5}, {131, 9}, {1601, 3}, {4200, 2}}) {
            ka_iproc::Session session;
            FrameHandle input = session.AddFrame(u"in", size[0], size[1], bpp);
            FrameHandle output = session.AddFrame(u"out", size[0], size[1], bpp);
            kaf_test::FillRandom(input, generator());
            for (const auto& shape : kBoxShapes) {
                std::vector<float> kernel(shape[0] * shape[1], 1.0f);
                kernel[(shape[0] / 2) * shape[1] + shape[1] / 2] = kCentres[trial % 6];
                const bool normalise = ++trial % 4 != 0;
                kaf_test::FillRandom(output, generator());
                kaf_test::WithThreads(trial % 2 ? 1 : 3, [&] {
                    ConvolveKernel(Plane(input), kernel.data(), shape[0], shape[1], Plane(output), normalise);
                });
                EXPECT_EQ(PixelBytes(output),
                          ReferenceConvolve(input, kernel, shape[0], shape[1], Finish::Saturate, normalise))
                    << bpp << " bpp " << size[0] << "x" << size[1] << " kernel " << shape[0] << "x" << shape[1]
                    << " centre " << kCentres[(trial - 1) % 6] << " normalise " << normalise;
            }
        }
    }
    // Past 2^24 the rounded sums of a flat frame differ from its exact value.
    ka_iproc::Session session;
    FrameHandle input = session.AddFrame(u"in", 3, 3, 8), output = session.AddFrame(u"out", 3, 3, 8);
    const std::vector<float> kernel = {1, 1, 1, 1, 70000, 1, 1, 1, 1};
    int rounded = 0;
    for (int v = 1; v < 256; v += 2) {
        kaf_test::FillFlat(input, static_cast<uint8_t>(v));
        ConvolveKernel(Plane(input), kernel.data(), 3, 3, Plane(output), true);
        const auto expected = ReferenceConvolve(input, kernel, 3, 3, Finish::Saturate, true);
        EXPECT_EQ(PixelBytes(output), expected) << v;
        rounded += expected[4] != v;
    }
    EXPECT_GT(rounded, 0);
}

// Every instruction set's box-kernel rows give the baseline's bytes.
TEST(Engines, BoxRowsAgreeInEverySet) {
    std::mt19937 generator(17);
    std::vector<int32_t> sums(3000);
    std::vector<uint8_t> centre(1200), fourth(1200);
    for (int32_t& s : sums) s = static_cast<int32_t>(generator() % 3000);
    for (uint8_t& b : centre) b = static_cast<uint8_t>(generator());
    for (uint8_t& b : fourth) b = static_cast<uint8_t>(generator());
    const BoxSumRows& baseline = *BoxSumRowsFor(kaf_isa::InstructionSet::Baseline);
    for (int span : {1, 3, 5, 7, 9, 11, 13, 21, 31}) {
        for (int step : {1, 3, 4}) {
            BoxFinish finish;
            finish.divide = span % 3 != 0;
            finish.divisor = static_cast<float>(span * span + 7);
            finish.fourthBytes = step == 4 ? fourth.data() : nullptr;
            std::vector<uint8_t> expected(1200);
            baseline.windows(sums.data(), step, span, centre.data(), span - 2, finish, expected.data(), 1200);
            for (const BoxSumRows& rows : kaf_test::RunnableSets(BoxSumRowsFor)) {
                std::vector<uint8_t> got(1200, 0xAB);
                rows.windows(sums.data(), step, span, centre.data(), span - 2, finish, got.data(), 1200);
                EXPECT_EQ(got, expected) << "span " << span << " step " << step;
            }
        }
    }
}

// The samples of a span computed one pixel at a time: spans of one pixel take
// the one-sample path.
template <class Sample>
std::vector<uint8_t> OneSampleAtATime(const TapSpan<Sample>& taps, const SpanOutput& out, size_t sampleBytes) {
    std::vector<uint8_t> samples(out.count * sampleBytes);
    for (int j = 0; j < out.count; j += 4) {
        TapSpan<Sample> shifted = taps;
        shifted.shift += j;
        SpanOutput one = out;
        one.samples = samples.data() + j * sampleBytes;
        one.count = 4;
        one.fourthBytes = out.fourthBytes ? out.fourthBytes + j : nullptr;
        ConvolveSpan(shifted, one);
    }
    return samples;
}

size_t SampleBytes(const SpanOutput& out) {
    return out.finish == SpanFinish::LowByte || out.finish == SpanFinish::Saturate ? 1 : sizeof(float);
}

// Every instruction set the processor runs gives the samples of the
// one-sample path (which the module itself only uses for short spans), for
// byte and float sources and every way of finishing a sum; every fourth
// trial is a kernel of one row (3 or 15 taps, a sample to four samples
// apart), the three-tap ones finished as row passes into floats, from bytes
// mostly with positive weights, whose quotients may be truncated in place.
template <class Sample>
void CheckSpans(const std::vector<Sample>& source, const std::vector<uint8_t>& fourth) {
    std::mt19937 generator(3);
    const float kSpecial[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 1e30f,
                              -1e30f, 0.0f};
    const SpanFinish kFinishes[] = {SpanFinish::LowByte, SpanFinish::LowByteValue, SpanFinish::Saturate,
                                    SpanFinish::Saturate, SpanFinish::Sum};
    for (int trial = 0; trial < 100; ++trial) {
        std::vector<float> kernel = RandomKernel(generator, 63, -2.0f, 3.0f);
        const Sample* rows[3] = {source.data() + 600, source.data() + 100, source.data() + 900};
        TapSpan<Sample> taps;
        taps.rowTable = trial % 2 ? rows : nullptr;
        taps.origin = source.data() + 600;
        taps.rowStep = trial % 3 ? -128 : 256;
        taps.shift = trial % 4;
        const bool oneRow = trial % 4 == 2;
        const bool rowOfThree = oneRow && trial / 4 % 2 == 0;
        taps.columnStep = oneRow ? 1 + trial / 8 % 4 : trial % 3 + 1;
        taps.rows = oneRow ? 1 : 3;
        taps.columns = rowOfThree ? 3 : oneRow ? 15 : trial % 8 < 4 ? 5 : 21;
        taps.weights = kernel.data();
        taps.weightStride = 21;
        // A kernel row of weights 1, whose taps add the samples as they are;
        // a row whose first weight is 0, whose sums start from +0.
        if (!oneRow && (trial % 2 == 0 || trial % 6 == 5)) {
            std::fill(kernel.begin() + 21, kernel.begin() + 21 + taps.columns, 1.0f);
        }
        if (oneRow && trial % 32 == 6) kernel[0] = 0.0f;
        if (trial % 6 == 5) kernel[(oneRow ? 0 : trial % 3 * 21) + trial % 5] = kSpecial[trial % 5];
        taps.premultiplied = trial % 7 == 3;
        const bool inByteRange =
            rowOfThree && std::is_same_v<Sample, uint8_t> && !taps.premultiplied && trial % 7 != 0 && trial % 3 != 0;
        if (inByteRange) {
            for (float& w : kernel) w = std::abs(w) + 0.01f;
        }
        SpanOutput out;
        out.count = 4 * (20 + trial * 7 % 200);
        out.finish = rowOfThree ? SpanFinish::LowByteValue : kFinishes[trial % 5];
        out.divide = trial % 3 != 0;
        // A divisor of exactly 1 is not divided by (quotients in the byte
        // range need the weights' own sum).
        out.divisor = trial % 7 == 0 ? 0.0f : trial % 11 == 4 && !inByteRange ? 1.0f : SumSpanWeights(taps);
        out.scale = trial % 3 ? 1.0f : 0.0123f;
        out.inByteRange = inByteRange;
        out.fourthBytes = SampleBytes(out) == 1 && trial % 4 == 1 ? fourth.data() : nullptr;
        const std::vector<uint8_t> expected = OneSampleAtATime(taps, out, SampleBytes(out));
        for (const LaneRoutines& routine : kaf_test::RunnableSets(LanesFor)) {
            if (out.count < routine.blockSamples) continue;
            std::vector<uint8_t> got(expected.size(), 0xAB);
            out.samples = got.data();
            if constexpr (std::is_same_v<Sample, uint8_t>) {
                routine.spanOfBytes(taps, out);
            } else {
                routine.spanOfFloats(taps, out);
            }
            // Compared as bytes: NaN sums must come out as the same NaN.
            EXPECT_EQ(got, expected) << "trial " << trial << " block " << routine.blockSamples;
        }
    }
}

// The two passes at once give the bytes of the row pass into a frame and the
// column pass out of it, on frames wide enough for several strips and for
// the pixels near the sides to go a vector group at a time (kernels of
// equal weights and of any weights, up to the longest the ring takes), on
// frames too narrow for that, and on frames taller than the rows a row pass
// takes side by side.
TEST(Engines, RowsThenColumnsGiveTheTwoPassesBytes) {
    std::mt19937 generator(11);
    const int kFrames[][3] = {{3203, 6, 8}, {1500, 5, 24}, {1333, 7, 32}, {90, 9, 24}, {70, 37, 32}, {300, 50, 8}};
    for (const auto& size : kFrames) {
        ka_iproc::Session session;
        FrameHandle input = session.AddFrame(u"in", size[0], size[1], size[2]);
        FrameHandle middle = session.AddFrame(u"middle", size[0], size[1], size[2]);
        FrameHandle output = session.AddFrame(u"out", size[0], size[1], size[2]);
        for (int length : {3, 7, 11, 21, 31}) {
            std::vector<float> kernel = RandomKernel(generator, length, 0.01f, 1.0f);
            if (length % 7 == 0) kernel.assign(length, 1.0f / length);  // equal weights
            kaf_test::FillRandom(input, generator());
            ConvolveRows(Plane(input), kernel.data(), length, Plane(middle));
            ConvolveColumns(Plane(middle), kernel.data(), length, Plane(output));
            const std::vector<uint8_t> expected = PixelBytes(output);
            kaf_test::FillRandom(output, generator());
            for (int threads : {1, 3}) {
                kaf_test::WithThreads(threads, [&] { ConvolveRowsThenColumns(Plane(input), kernel.data(), length, Plane(output)); });
                EXPECT_EQ(PixelBytes(output), expected)
                    << size[2] << " bpp " << size[0] << " wide, length " << length << ", threads " << threads;
            }
        }
    }
}

TEST(KernelEngine, EveryInstructionSetGivesTheSameSamples) {
    std::mt19937 generator(3);
    std::vector<uint8_t> bytes(4096), fourth(4096);
    std::vector<float> floats(4096);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(generator());
    for (uint8_t& b : fourth) b = static_cast<uint8_t>(generator());
    std::uniform_real_distribution<float> value(-300.0f, 300.0f);
    for (float& f : floats) f = value(generator);
    CheckSpans(bytes, fourth);
    CheckSpans(floats, fourth);

    // Several output rows of a column pass at once give the samples of single
    // rows, for each count a set takes (premultiplied taps take all three).
    for (float& f : floats) f = std::floor(std::abs(f) * 0.85f);
    for (const LaneRoutines& lanes : kaf_test::RunnableSets(LanesFor)) {
        for (int trial = 0; trial < 30; ++trial) {
            const bool premultiplied = trial % 5 == 0;
            const int rowsAtOnce = lanes.columnRows[premultiplied ? trial / 5 % 3 : trial % 2 == 0];
            const int n = 1 + 2 * (trial % 4) + (trial % 3 == 0 ? 12 : 0);
            std::vector<float> kernel = RandomKernel(generator, n, 0.01f, 1.0f);
            const float* table[40];
            for (int a = 0; a < n + rowsAtOnce - 1; ++a) table[a] = floats.data() + 150 * ((a * 7 + trial) % 24);
            TapSpan<float> taps;
            taps.rowTable = table;
            taps.columnStep = 4;
            taps.rows = n + rowsAtOnce - 1;
            taps.columns = 1;
            taps.weights = kernel.data();
            taps.weightStride = 1;
            taps.premultiplied = premultiplied;
            SpanOutput out;
            out.count = 4 * (5 + trial * 13 % 140);
            out.finish = trial % 2 ? SpanFinish::LowByte : SpanFinish::LowByteValue;
            out.divisor = 1.7f + trial;
            out.scale = 0.5f;
            out.fourthBytes = trial % 4 == 1 ? fourth.data() : nullptr;
            SpanOutput outputs[8];
            std::vector<uint8_t> expected[8], got[8];
            for (int m = 0; m < rowsAtOnce; ++m) {
                TapSpan<float> window = taps;
                window.rows = n;
                window.rowTable = table + m;
                expected[m] = OneSampleAtATime(window, out, SampleBytes(out));
                got[m].assign(expected[m].size(), 0xAB);
                outputs[m] = out;
                outputs[m].samples = got[m].data();
            }
            lanes.columnRowsOfFloats(taps, outputs, rowsAtOnce);
            for (int m = 0; m < rowsAtOnce; ++m) {
                EXPECT_EQ(got[m], expected[m]) << "trial " << trial << " row " << m << " block " << lanes.blockSamples;
            }
        }
    }
}

// The row pass of sixteen rows side by side gives each row the bytes of its
// own taps: rows of 1, 3 and 4 samples a pixel (the fourth not filtered),
// kernels whose length is spelt out and one whose length is not, ranges
// that meet a side or not, shorter than a transpose or longer than a chunk.
TEST(KernelEngine, RowsSideBySideGiveEachRowItsOwnBytes) {
    std::mt19937 generator(21);
    const int kPixels = 700;
    std::vector<uint8_t> frame(16 * 4 * kPixels);
    for (uint8_t& b : frame) b = static_cast<uint8_t>(generator());
    std::vector<uint8_t> scratch, got[16];
    for (const LaneRoutines& lanes : kaf_test::RunnableSets(LanesFor)) {
        if (!lanes.rowsSideBySide) continue;
        for (int trial = 0; trial < 12; ++trial) {
            const int step = trial % 3 == 0 ? 1 : trial % 3 == 1 ? 3 : 4;
            const int taps = trial % 4 == 3 ? 23 : 5 + 2 * (trial % 9);
            const int pixels = trial % 5 == 2 ? 9 : kPixels - trial;
            const int p0 = trial % 2 ? 0 : std::min(pixels - 1, 3 + trial * 17);
            const int p1 = trial % 6 == 4 ? std::min(pixels, p0 + 4) : pixels - (trial % 4 == 1 ? 5 : 0);
            const float weight = 1.0f / float(taps);
            std::vector<float> weightSums(taps + 1, 0.0f);
            for (int j = 1; j <= taps; ++j) weightSums[j] = weightSums[j - 1] + weight;
            RowsSideBySide rows;
            for (int i = 0; i < 16; ++i) {
                rows.input[i] = frame.data() + 4 * kPixels * ((i * 5 + trial) % 16);
                got[i].assign(step * (p1 - p0), 0);
                rows.output[i] = got[i].data();
            }
            rows.samples = step * pixels;
            rows.first = step * p0;
            rows.end = step * p1;
            rows.step = step;
            rows.channels = std::min(step, 3);
            rows.taps = taps;
            rows.weight = weight;
            rows.weightSums = weightSums.data();
            scratch.assign(RowsSideBySideScratch(step, taps), 0);
            rows.scratch = scratch.data();
            lanes.rowsSideBySide(rows);
            const int r = (taps - 1) / 2;
            for (int i = 0; i < 16; ++i) {
                for (int s = step * p0; s < step * p1; ++s) {
                    if (s % step >= rows.channels) continue;
                    float sum = 0.0f;
                    int inside = 0;
                    for (int k = 0; k < taps; ++k) {
                        const int x = s / step - r + k;
                        if (x < 0 || x >= pixels) continue;
                        sum = sum + float(rows.input[i][step * x + s % step]) * weight;
                        ++inside;
                    }
                    const uint8_t want = static_cast<uint8_t>(TruncateToInt32(sum / weightSums[inside]));
                    ASSERT_EQ(got[i][s - step * p0], want)
                        << "trial " << trial << " row " << i << " sample " << s << " block " << lanes.blockSamples;
                }
            }
        }
    }
}

// Colour samples of 32-bit pixels out of the frame and back: each set's
// routine does whole vectors only and writes nothing past them (the join's
// from an output on a 64-byte boundary), and the module's calls give the
// plain loops' samples, for counts around a vector's 16 pixels and rows at
// every alignment.
TEST(KernelEngine, ColourSamplesLeaveByteThreeToTheInput) {
    std::mt19937 generator(8);
    std::vector<uint8_t> pixels(4 * 80 + 64), colours(3 * 80);
    for (uint8_t& b : pixels) b = static_cast<uint8_t>(generator());
    for (uint8_t& b : colours) b = static_cast<uint8_t>(generator());
    const std::vector<LaneRoutines> sets = kaf_test::RunnableSets(LanesFor);
    for (int count : {0, 5, 16, 17, 47, 80}) {
        for (int offset : {0, 1, 4, 36}) {
            std::vector<float> plain(3 * count + 16, -1.0f);
            for (int i = 0; i < 3 * count; ++i) plain[i] = float(pixels[offset + 4 * (i / 3) + i % 3]) * 0.37f;
            std::vector<uint8_t> expected(pixels.size(), 0xAB);
            for (int i = 0; i < 4 * count; ++i) {
                expected[offset + i] = i % 4 == 3 ? pixels[offset + i] : colours[3 * (i / 4) + i % 4];
            }
            alignas(64) uint8_t out[4 * 80 + 64];
            auto check = [&](int64_t floatsDone, int64_t bytesDone, const std::vector<float>& got) {
                for (size_t i = 0; i < plain.size(); ++i) {
                    const float want = static_cast<int64_t>(i) < floatsDone ? plain[i] : -1.0f;
                    ASSERT_EQ(std::memcmp(&got[i], &want, 4), 0) << count << " " << offset << " " << i;
                }
                for (size_t i = 0; i < sizeof(out); ++i) {
                    const bool done = i >= size_t(offset) && i < size_t(offset + bytesDone);
                    ASSERT_EQ(out[i], done ? expected[i] : 0xAB) << count << " " << offset << " " << i;
                }
            };
            for (const LaneRoutines& lanes : sets) {
                std::vector<float> got(plain.size(), -1.0f);
                std::fill(std::begin(out), std::end(out), 0xAB);
                const uint8_t* in = &pixels[offset];
                const int64_t converted =
                    lanes.convertColours ? lanes.convertColours(in, got.data(), count, 0.37f) : 0;
                const bool onLine = offset % 64 == 0;
                const int64_t joined = lanes.joinFourthBytes && onLine
                                           ? lanes.joinFourthBytes(colours.data(), in, &out[offset], count)
                                           : 0;
                check(3 * converted, 4 * joined, got);
            }
            std::vector<float> got(plain.size(), -1.0f);
            std::fill(std::begin(out), std::end(out), 0xAB);
            ConvertColours(&pixels[offset], got.data(), count, 0.37f);
            JoinFourthBytes(colours.data(), &pixels[offset], &out[offset], count);
            check(3 * count, 4 * count, got);
        }
    }
}

}  // namespace
