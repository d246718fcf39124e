// The fast rank engines against the direct reference on random frames of odd
// sizes, every depth and radius, frames smaller than the window, and thread
// counts that cut the rows into strips starting anywhere in a block.
#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "rank/rank_kernels.h"
#include "reference_rank.h"
#include "test_host.h"

namespace {

using rank::ExtremeSelection;
using Engine = std::function<bool(const rank::KernelSet&, PixelPlane, PixelPlane, rank::ThreadScratch&)>;

// 1 x 1, single rows and columns, frames lower or narrower than a window,
// and a few odd sizes.
const int32_t kShapes[][2] = {{1, 1}, {1, 9}, {9, 1}, {2, 3}, {5, 4}, {13, 11}, {37, 29}, {61, 23}};
const float kIntensities[] = {1.0f, 0.37f, 0.0f, 0.9999f, 0.1f};

// The engine must give the reference's bytes with every kernel set and thread count.
void ExpectEngineMatches(FrameHandle in, FrameHandle expected, const Engine& engine, const std::string& what) {
    for (const rank::KernelSet& kernels : kaf_test::RunnableSets(rank::KernelsFor)) {
        for (int threads : {1, 3}) {
            ka_iproc::Session session;
            FrameHandle out = session.AddFrame(u"out", GetFrameWidth(in), GetFrameDepth(in), GetFrameBPP(in));
            rank::ThreadScratch scratch;
            kaf_test::WithThreads(threads, [&] { ASSERT_TRUE(engine(kernels, kaf_test::Plane(in), kaf_test::Plane(out), scratch)); });
            ASSERT_EQ(kaf_test::PixelBytes(out), kaf_test::PixelBytes(expected))
                << what << " " << kernels.name << " threads=" << threads;
        }
    }
}

std::string Describe(FrameHandle in, int32_t r, int levels) {
    return std::to_string(GetFrameBPP(in)) + " bpp " + std::to_string(GetFrameWidth(in)) + "x" +
           std::to_string(GetFrameDepth(in)) + " r=" + std::to_string(r) + " levels=" + std::to_string(levels);
}

Engine Median(int32_t r, bool histograms = false) {
    return [=](const rank::KernelSet& k, PixelPlane i, PixelPlane o, rank::ThreadScratch& s) {
        return (histograms ? k.medianByHistograms : k.medianFilter)(i, o, r, s);
    };
}

TEST(MedianEngine, MatchesDirectRankingAtEveryRadius) {
    uint32_t seed = 1;
    for (int32_t bpp : {8, 24, 32}) {
        for (const auto& shape : kShapes) {
            for (int levels : {256, 5}) {
                ka_iproc::Session session;
                FrameHandle in = session.AddFrame(u"in", shape[0], shape[1], bpp);
                FrameHandle expected = session.AddFrame(u"expected", shape[0], shape[1], bpp);
                rank_test::FillLevels(in, seed++, levels);
                for (int32_t r = 1; r <= 10; ++r) {
                    rank_test::ReferenceMedian(in, expected, r);
                    ExpectEngineMatches(in, expected, Median(r), Describe(in, r, levels));
                    // r = 1 takes the network in the filter; the histograms must agree there too.
                    if (r == 1) ExpectEngineMatches(in, expected, Median(r, true), Describe(in, r, levels) + " histograms");
                }
            }
        }
    }
}

// Rows wider than one tile of column histograms, and values concentrated on a
// few segments (so the per-segment counts are reused and caught up), and a
// smooth ramp whose median crosses segment after segment along a row.
TEST(MedianEngine, WideRowsSpanSeveralColumnTiles) {
    for (int32_t bpp : {8, 24, 32}) {
        for (int32_t r : {2, 10}) {
            ka_iproc::Session session;
            const int32_t width = bpp == 8 ? 1100 : 430;
            FrameHandle in = session.AddFrame(u"in", width, 7, bpp), expected = session.AddFrame(u"expected", width, 7, bpp);
            std::mt19937 generator(77 + r);
            kaf_test::FillFrame(in, [&](int32_t x, int32_t y, int32_t c) {
                const uint8_t byte = static_cast<uint8_t>(generator());
                return static_cast<uint8_t>(c == 0 ? (x * 3 + y) / 5 + byte % 7 : c == 1 ? 120 + byte % 24 : byte);
            });
            rank_test::ReferenceMedian(in, expected, r);
            ExpectEngineMatches(in, expected, Median(r), "wide " + Describe(in, r, 256));
        }
    }
}

TEST(ExtremeEngines, MatchDirectSelectionAtEveryRadius) {
    uint32_t seed = 1000;
    for (ExtremeSelection selection : {ExtremeSelection::Darkest, ExtremeSelection::Brightest, ExtremeSelection::Further}) {
        for (int32_t bpp : {8, 24, 32}) {
            // Colour rows wider than 512 pixels pass through the row pass in pieces.
            std::vector<std::array<int32_t, 2>> shapes = {{1100, 7}};
            for (const auto& shape : kShapes) shapes.push_back({shape[0], shape[1]});
            for (const auto& shape : shapes) {
                // Three levels per byte: colour brightness ties everywhere, between different colours.
                for (int levels : {256, 3}) {
                    ka_iproc::Session session;
                    FrameHandle in = session.AddFrame(u"in", shape[0], shape[1], bpp);
                    FrameHandle expected = session.AddFrame(u"expected", shape[0], shape[1], bpp);
                    rank_test::FillLevels(in, seed++, levels);
                    for (int32_t r = 0; r <= 10; ++r) {
                        // Intensities 0 and 1 take the input and the selected
                        // value; between them the single-precision blend, truncated.
                        const float t = kIntensities[(r + levels) % 5];
                        rank_test::ReferenceExtreme(selection, in, expected, r, t);
                        ExpectEngineMatches(in, expected,
                                            [&](const rank::KernelSet& k, PixelPlane i, PixelPlane o, rank::ThreadScratch& s) {
                                                return k.selectExtremes(selection, i, o, r, t, s);
                                            },
                                            Describe(in, r, levels) + " selection=" +
                                                std::to_string(static_cast<int>(selection)) + " t=" + std::to_string(t));
                    }
                }
            }
        }
    }
}

}  // namespace
