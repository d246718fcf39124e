// The fast rank engines against the direct reference on random frames of odd
// sizes, every depth and radius, frames smaller than the window and wider
// than a tile, and thread counts that cut the rows into strips starting
// anywhere in a block.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

#include "host_api.h"
#include "numeric.h"
#include "rank/rank_engines.h"
#include "rank/rank_kernels.h"
#include "test_host.h"

namespace {

// Plain direct rank filters: every output pixel scans its whole
// neighbourhood, exactly as the rules are stated, with no cleverness to share
// mistakes with the engines.

// Pixel bytes drawn from `levels` evenly spread values (2 to 256): few levels
// make many ties of value and of brightness. Levels 0: byte 0 a smooth ramp
// along the rows (whose median crosses histogram segment after segment) and
// byte 1 concentrated on a few segments (so per-segment counts are reused
// and caught up), the others random.
void FillLevels(FrameHandle frame, uint32_t seed, int levels) {
    std::mt19937 generator(seed);
    kaf_test::FillFrame(frame, [&](int32_t x, int32_t y, int32_t c) {
        const uint32_t random = generator();
        if (levels == 0 && c < 2) return uint8_t(c == 0 ? (x * 3 + y) / 5 + random % 7 : 120 + random % 24);
        return uint8_t(random % (levels ? levels : 256) * 255 / ((levels ? levels : 256) - 1));
    });
}

// Calls fn(pixel) for every pixel of the window of radius r around (x, y),
// clipped to the frame, in scan order.
template <class Fn>
void ForWindow(FrameHandle in, int32_t x, int32_t y, int32_t r, Fn fn) {
    for (int32_t j = std::max(0, y - r); j <= std::min(GetFrameDepth(in) - 1, y + r); ++j) {
        for (int32_t i = std::max(0, x - r); i <= std::min(GetFrameWidth(in) - 1, x + r); ++i) fn(kaf_test::PixelAt(in, i, j));
    }
}

void ReferenceMedian(FrameHandle in, FrameHandle out, int32_t r) {
    const int32_t bpp = GetFrameBPP(in);
    for (int32_t y = 0; y < GetFrameDepth(in); ++y) {
        for (int32_t x = 0; x < GetFrameWidth(in); ++x) {
            for (int c = 0; c < (bpp == 8 ? 1 : 3); ++c) {
                std::vector<uint8_t> values;
                ForWindow(in, x, y, r, [&](const uint8_t* p) { values.push_back(p[c]); });
                std::sort(values.begin(), values.end());
                const size_t half = values.size() / 2;
                kaf_test::PixelAt(out, x, y)[c] = half == 0 ? 255 : values[half - 1];
            }
            if (bpp == 32) kaf_test::PixelAt(out, x, y)[3] = kaf_test::PixelAt(in, x, y)[3];
        }
    }
}

void ReferenceExtreme(rank::ExtremeSelection selection, FrameHandle in, FrameHandle out, int32_t r, float t) {
    const bool gray = GetFrameBPP(in) == 8;
    const auto brightness = [&](const uint8_t* p) { return gray ? p[0] : p[0] + p[1] + p[2]; };
    static const uint8_t kWhite[3] = {255, 255, 255}, kBlack[3] = {0, 0, 0};
    for (int32_t y = 0; y < GetFrameDepth(in); ++y) {
        for (int32_t x = 0; x < GetFrameWidth(in); ++x) {
            const uint8_t* darkest = kWhite;
            const uint8_t* brightest = kBlack;
            int darkBrightness = gray ? 255 : 765, brightBrightness = 0;
            ForWindow(in, x, y, r, [&](const uint8_t* p) {
                if (brightness(p) < darkBrightness) darkBrightness = brightness(p), darkest = p;
                if (brightness(p) > brightBrightness) brightBrightness = brightness(p), brightest = p;
            });
            const uint8_t* own = kaf_test::PixelAt(in, x, y);
            const uint8_t* selected = selection == rank::ExtremeSelection::Darkest     ? darkest
                                      : selection == rank::ExtremeSelection::Brightest ? brightest
                                      : brightness(own) - darkBrightness > brightBrightness - brightness(own)
                                          ? darkest
                                          : brightest;
            uint8_t* result = kaf_test::PixelAt(out, x, y);
            for (int c = 0; c < (gray ? 1 : 3); ++c) {
                result[c] = TruncateToByte(static_cast<float>(own[c]) * (1.0f - t) + static_cast<float>(selected[c]) * t);
            }
            if (!gray && GetFrameBPP(in) == 32) result[3] = 1;
        }
    }
}

using rank::ExtremeSelection;
using Engine = std::function<bool(const rank::KernelSet&, PixelPlane, PixelPlane, rank::ThreadScratch&)>;

// 1 x 1, single rows and columns, frames lower or narrower than a window,
// a few odd sizes, and rows wider than one tile of column histograms (and,
// in colour, than the 512 pixels the extremes' row pass takes at once).
const int32_t kShapes[][2] = {{1, 1}, {1, 9}, {9, 1}, {2, 3}, {5, 4}, {13, 11}, {37, 29}, {61, 23}, {1100, 7}};
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
            for (int levels : shape[0] > 512 ? std::vector<int>{256, 0} : std::vector<int>{256, 5}) {
                ka_iproc::Session session;
                FrameHandle in = session.AddFrame(u"in", shape[0], shape[1], bpp);
                FrameHandle expected = session.AddFrame(u"expected", shape[0], shape[1], bpp);
                FillLevels(in, seed++, levels);
                for (int32_t r = 1; r <= 10; ++r) {
                    ReferenceMedian(in, expected, r);
                    ExpectEngineMatches(in, expected, Median(r), Describe(in, r, levels));
                    // r = 1 takes the network in the filter; the histograms must agree there too.
                    if (r == 1) ExpectEngineMatches(in, expected, Median(r, true), Describe(in, r, levels) + " histograms");
                }
            }
        }
    }
}

TEST(ExtremeEngines, MatchDirectSelectionAtEveryRadius) {
    uint32_t seed = 1000;
    for (ExtremeSelection selection : {ExtremeSelection::Darkest, ExtremeSelection::Brightest, ExtremeSelection::Further}) {
        for (int32_t bpp : {8, 24, 32}) {
            for (const auto& shape : kShapes) {
                // Three levels per byte: colour brightness ties everywhere, between different colours.
                for (int levels : {256, 3}) {
                    ka_iproc::Session session;
                    FrameHandle in = session.AddFrame(u"in", shape[0], shape[1], bpp);
                    FrameHandle expected = session.AddFrame(u"expected", shape[0], shape[1], bpp);
                    FillLevels(in, seed++, levels);
                    for (int32_t r = 0; r <= 10; ++r) {
                        // Intensities 0 and 1 take the input and the selected
                        // value; between them the single-precision blend, truncated.
                        const float t = kIntensities[(r + levels) % 5];
                        ReferenceExtreme(selection, in, expected, r, t);
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
