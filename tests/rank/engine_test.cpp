// The fast rank engines against the direct reference on random frames of odd
// sizes, every depth and radius, frames smaller than the window, and thread
// counts that cut the rows into strips starting anywhere in a block.
#include <gtest/gtest.h>

#include <omp.h>

#include "rank/rank_kernels.h"
#include "reference_rank.h"
#include "test_host.h"

namespace {

using rank::ExtremeSelection;
using rank_test::Picture;
using rank_test::RandomPicture;

struct Shape {
    int32_t width, height;
};
// 1 x 1, single rows and columns, frames lower or narrower than a window,
// and a few odd sizes.
const Shape kShapes[] = {{1, 1}, {1, 9}, {9, 1}, {2, 3}, {5, 4}, {13, 11}, {37, 29}, {61, 23}};
const int32_t kDepths[] = {8, 24, 32};
const float kIntensities[] = {1.0f, 0.37f, 0.0f, 0.9999f, 0.1f};

std::string Describe(int32_t bpp, const Shape& shape, int32_t r, int levels) {
    return std::to_string(bpp) + " bpp " + std::to_string(shape.width) + "x" + std::to_string(shape.height) +
           " r=" + std::to_string(r) + " levels=" + std::to_string(levels);
}

// engine(kernels, input, output, scratch) must give `expected` with every
// kernel set and thread count.
template <class Engine>
void ExpectEngineMatches(const Picture& in, const Picture& expected, const Engine& engine, const std::string& what,
                         std::initializer_list<int> threadCounts = {1, 3}) {
    for (const rank::KernelSet& kernels : kaf_test::RunnableSets(rank::KernelsFor)) {
        for (int threads : threadCounts) {
            Picture out(in.width, in.height, in.bpp);
            Picture source = in;
            rank::ThreadScratch scratch;
            kaf_test::WithThreads(threads, [&] {
                ASSERT_TRUE(engine(kernels, source.Plane(), out.Plane(), scratch));
            });
            ASSERT_EQ(out.bytes, expected.bytes) << what << " " << kernels.name << " threads=" << threads;
        }
    }
}

TEST(MedianEngine, MatchesDirectRankingAtEveryRadius) {
    uint32_t seed = 1;
    for (int32_t bpp : kDepths) {
        for (const Shape& shape : kShapes) {
            for (int levels : {256, 5}) {
                const Picture in = RandomPicture(shape.width, shape.height, bpp, seed++, levels);
                for (int32_t r = 1; r <= 10; ++r) {
                    Picture expected(shape.width, shape.height, bpp);
                    rank_test::ReferenceMedian(in, expected, r);
                    const std::string what = Describe(bpp, shape, r, levels);
                    ExpectEngineMatches(in, expected, [&](const rank::KernelSet& k, PixelPlane i, PixelPlane o, rank::ThreadScratch& s) {
                        return k.medianFilter(i, o, r, s);
                    }, what);
                    // r = 1 takes the network in the filter; the histograms must agree there too.
                    if (r == 1) {
                        ExpectEngineMatches(in, expected, [&](const rank::KernelSet& k, PixelPlane i, PixelPlane o, rank::ThreadScratch& s) {
                            return k.medianByHistograms(i, o, r, s);
                        }, what + " histograms");
                    }
                }
            }
        }
    }
}

// Rows wider than one tile of column histograms, and values concentrated on a
// few segments (so the per-segment counts are reused and caught up), and a
// smooth ramp whose median crosses segment after segment along a row.
TEST(MedianEngine, WideRowsSpanSeveralColumnTiles) {
    for (int32_t bpp : kDepths) {
        const int32_t width = bpp == 8 ? 1100 : 430;
        for (int32_t r : {2, 10}) {
            Picture in = RandomPicture(width, 7, bpp, 77 + r, 256);
            for (int32_t y = 0; y < in.height; ++y) {
                for (int32_t x = 0; x < width; ++x) {
                    for (int c = 0; c < in.BytesPerPixel(); ++c) {
                        uint8_t& byte = in.At(x, y)[c];
                        if (c == 0) byte = static_cast<uint8_t>((x * 3 + y) / 5 + byte % 7);
                        if (c == 1) byte = static_cast<uint8_t>(120 + byte % 24);
                    }
                }
            }
            Picture expected(width, in.height, bpp);
            rank_test::ReferenceMedian(in, expected, r);
            ExpectEngineMatches(in, expected, [&](const rank::KernelSet& k, PixelPlane i, PixelPlane o, rank::ThreadScratch& s) {
                return k.medianFilter(i, o, r, s);
            }, "wide " + std::to_string(bpp) + " r=" + std::to_string(r));
        }
    }
}

TEST(ExtremeEngines, MatchDirectSelectionAtEveryRadius) {
    uint32_t seed = 1000;
    for (ExtremeSelection selection :
         {ExtremeSelection::Darkest, ExtremeSelection::Brightest, ExtremeSelection::Further}) {
        for (int32_t bpp : kDepths) {
            // Colour rows wider than 512 pixels pass through the row pass in pieces.
            std::vector<Shape> shapes(std::begin(kShapes), std::end(kShapes));
            shapes.push_back({1100, 7});
            for (const Shape& shape : shapes) {
                // Three levels per byte: colour brightness ties everywhere, between different colours.
                for (int levels : {256, 3}) {
                    const Picture in = RandomPicture(shape.width, shape.height, bpp, seed++, levels);
                    for (int32_t r = 0; r <= 10; ++r) {
                        // Intensities 0 and 1 take the input and the selected
                        // value; between them the single-precision blend,
                        // truncated.
                        const float t = kIntensities[(r + levels) % 5];
                        Picture expected(shape.width, shape.height, bpp);
                        rank_test::ReferenceExtreme(selection, in, expected, r, t);
                        const std::string what = Describe(bpp, shape, r, levels) +
                                                 " selection=" + std::to_string(static_cast<int>(selection)) +
                                                 " t=" + std::to_string(t);
                        ExpectEngineMatches(in, expected, [&](const rank::KernelSet& k, PixelPlane i, PixelPlane o, rank::ThreadScratch& s) {
                            return k.selectExtremes(selection, i, o, r, t, s);
                        }, what);
                    }
                }
            }
        }
    }
}

}  // namespace
