// DilationPass and ErosionPass called directly: the classification of each
// engine at the level, the clipped window, and agreement with a plain
// pixel-by-pixel implementation on random frames of every depth and size.
#include <gtest/gtest.h>

#include <string>

#include "host_api.h"
#include "morphology/threshold_passes.h"
#include "morphology_support.h"
#include "test_host.h"

using namespace morph_test;

namespace {

class PassFrames {
public:
    FrameHandle Add(int32_t width, int32_t height, int32_t bpp) {
        return session_.AddFrame(u"frame " + ka_iproc::Utf16(std::to_string(count_++)), width, height, bpp);
    }
    // One pass into a fresh 8-bit frame.
    FrameHandle Pass(bool dilation, FrameHandle source, int32_t level) {
        const int32_t w = GetFrameWidth(source);
        const int32_t h = GetFrameDepth(source);
        FrameHandle out = Add(w, h, 8);
        (dilation ? DilationPass : ErosionPass)(kaf_test::Plane(source), kaf_test::Plane(out), level);
        return out;
    }
    FrameHandle FromPicture(const Picture& picture) {
        FrameHandle frame = Add(static_cast<int32_t>(picture[0].size()), static_cast<int32_t>(picture.size()), 8);
        PaintPicture(frame, picture);
        return frame;
    }

private:
    ka_iproc::Session session_;
    int count_ = 0;
};

// The one output pixel of a pass over a 1x1 frame: the window is the pixel itself.
uint8_t SinglePixel(bool dilation, int32_t bpp, std::vector<uint8_t> bytes, int32_t level) {
    PassFrames frames;
    FrameHandle in = frames.Add(1, 1, bpp);
    kaf_test::FillFrame(in, [&](int32_t, int32_t, int32_t b) { return bytes[b]; });
    return *kaf_test::PixelAt(frames.Pass(dilation, in, level), 0, 0);
}

constexpr bool kDilation = true;
constexpr bool kErosion = false;

}  // namespace

TEST(ThresholdPasses, PixelAtTheLevelIsDarkForDilationAndLightForErosion) {
    // Grey 126 is dark and 128 light for both; 127 at level 127 differs.
    EXPECT_EQ(SinglePixel(kDilation, 8, {126}, 127), 0);
    EXPECT_EQ(SinglePixel(kDilation, 8, {127}, 127), 0);
    EXPECT_EQ(SinglePixel(kDilation, 8, {128}, 127), 255);
    EXPECT_EQ(SinglePixel(kErosion, 8, {126}, 127), 0);
    EXPECT_EQ(SinglePixel(kErosion, 8, {127}, 127), 255);
    EXPECT_EQ(SinglePixel(kErosion, 8, {128}, 127), 255);
    // Colour sums against three times the level: 381 sits at it, 382 above.
    for (int32_t bpp : {24, 32}) {
        for (uint8_t fourth : {0, 255}) {
            SCOPED_TRACE(bpp);
            EXPECT_EQ(SinglePixel(kDilation, bpp, {100, 100, 181, fourth}, 127), 0);
            EXPECT_EQ(SinglePixel(kErosion, bpp, {100, 100, 181, fourth}, 127), 255);
            EXPECT_EQ(SinglePixel(kDilation, bpp, {100, 100, 182, fourth}, 127), 255);
            EXPECT_EQ(SinglePixel(kErosion, bpp, {100, 100, 182, fourth}, 127), 255);
            EXPECT_EQ(SinglePixel(kErosion, bpp, {100, 100, 180, fourth}, 127), 0);
        }
    }
}

TEST(ThresholdPasses, MatchThePlainRuleOnRandomFrames) {
    // Sizes cover 1-pixel rows and columns, frames narrower than a window,
    // row padding and a width that spans more than one strip of the engine.
    const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {1, 7}, {7, 1}, {2, 2}, {2, 9},
                                                  {9, 2}, {3, 3}, {17, 13}, {2100, 5}, {5, 40}};
    for (const auto& [w, h] : sizes) {
        for (int32_t bpp : {8, 24, 32}) {
            PassFrames frames;
            FrameHandle in = frames.Add(w, h, bpp);
            kaf_test::FillRandom(in, static_cast<uint32_t>(w * 131 + h * 7 + bpp));
            for (int32_t level : {-1, 0, 1, 90, 127, 254, 255, 256, 100000}) {
                for (bool dilation : {kDilation, kErosion}) {
                    // Thread counts take turns, so every size meets each.
                    const int threads = 1 + (level & 3) % 3;
                    SCOPED_TRACE(testing::Message() << w << "x" << h << " bpp " << bpp << " level " << level
                                                    << (dilation ? " dilation" : " erosion") << " threads "
                                                    << threads);
                    Image got;
                    kaf_test::WithThreads(threads, [&] { got = ImageOf(frames.Pass(dilation, in, level)); });
                    ASSERT_EQ(got, ReferencePass(dilation, in, level));
                }
            }
        }
    }
}

TEST(ThresholdPasses, WideWindowEqualsPassesInARow) {
    // Where re-thresholding keeps 0 and 255 apart, one pass of radius r is r
    // passes of radius 1; the widths cross the strips of the widest windows.
    const std::pair<int32_t, int32_t> sizes[] = {{1, 30}, {30, 1}, {2, 3}, {41, 44}, {1700, 3}};
    for (const auto& size : sizes) {
        const int32_t w = size.first, h = size.second;  // plain names: lambdas below capture them
        for (int32_t bpp : {8, 32}) {
            PassFrames frames;
            FrameHandle in = frames.Add(w, h, bpp);
            FillScene(in, static_cast<uint32_t>(w + h + bpp), 4, 0.2);
            for (int32_t level : {0, 1, 127, 254, 255}) {
                for (bool dilation : {kDilation, kErosion}) {
                    const MorphologyRule rule = dilation ? MorphologyRule::Dilation : MorphologyRule::Erosion;
                    if (!PassesChain(rule, level)) continue;
                    for (int32_t radius : {2, 3, 7, kMaxWindowRadius}) {
                        SCOPED_TRACE(testing::Message() << w << "x" << h << " bpp " << bpp << " level " << level
                                                        << " radius " << radius);
                        FrameHandle out = frames.Add(w, h, 8);
                        kaf_test::WithThreads(radius % 2 + 1, [&] { WindowPass(rule, kaf_test::Plane(in), kaf_test::Plane(out), level, radius); });
                        ASSERT_EQ(ImageOf(out), ReferencePasses(dilation, in, level, radius));
                    }
                }
            }
        }
    }
    EXPECT_FALSE(PassesChain(MorphologyRule::Dilation, 255));
    EXPECT_FALSE(PassesChain(MorphologyRule::Dilation, -1));
    EXPECT_FALSE(PassesChain(MorphologyRule::Erosion, 0));
    EXPECT_FALSE(PassesChain(MorphologyRule::Erosion, 256));
}
