// "skeletonization" through the module: the worked pictures, the clamping of
// the iteration limit (held to a plain implementation that visits every pixel
// in the defined order) and of the level, and colour inputs.
#include <gtest/gtest.h>

#include <string>

#include "host_api.h"
#include "morphology/skeleton.h"
#include "morphology_support.h"
#include "test_host.h"

using namespace morph_test;
using kaf_test::TestHost;

namespace {

Picture SkeletonOf(const Picture& picture) {
    TestHost host(u"skeletonization");
    const kaf_test::Outcome outcome = RunOnPicture(host, picture);
    EXPECT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.warnings.empty());
    return outcome.ok ? PictureOf(outcome.output) : Picture{};
}

}  // namespace

TEST(Skeleton, WorkedPictures) {
    // A lone pixel is pruned away.
    EXPECT_EQ(SkeletonOf(PictureWith(5, 5, {{2, 2}})), PictureWith(5, 5, {}));
    // A line one pixel thick loses one pixel at each end.
    EXPECT_EQ(SkeletonOf({"..........", ".######...", ".........."}),
              (Picture{"..........", "..####....", ".........."}));
    // A 3x3 square thins to two pixels.
    EXPECT_EQ(SkeletonOf({".....", ".###.", ".###.", ".###.", "....."}), PictureWith(5, 5, {{2, 2}, {2, 3}}));
    // A band two pixels thick keeps its upper row.
    EXPECT_EQ(SkeletonOf({"..........", ".########.", ".########.", ".........."}),
              (Picture{"..........", ".########.", "..........", ".........."}));
    // An L of one-pixel lines: pruning takes both ends, RemoveStairs the corner.
    EXPECT_EQ(SkeletonOf({"........", ".#......", ".#......", ".#......", ".#####..", "........"}),
              PictureWith(8, 6, {{2, 1}, {3, 1}, {4, 2}, {4, 3}, {4, 4}}));
    // Frames of one pixel, one row and one column have their eight neighbours too.
    EXPECT_EQ(SkeletonOf({"#"}), Picture{"."});
    EXPECT_EQ(SkeletonOf({"#######"}), Picture{".#####."});
    EXPECT_EQ(SkeletonOf({"#", "#", "#", "#"}), (Picture{".", "#", "#", "."}));
}

TEST(Skeleton, IterationLimitIsClampedWithWarnings) {
    // A thick square needs many iterations: one iteration peels one layer.
    Picture thick(40, std::string(40, '.'));
    for (int r = 5; r < 35; ++r) thick[r] = std::string(5, '.') + std::string(30, '#') + std::string(5, '.');
    struct Case {
        double given;
        int32_t used;
        std::vector<std::string> warnings;
    } cases[] = {{-1, 0, {ClampWarning("Maximum number of iterations", "-1", "0")}},
                 {60, 50, {ClampWarning("Maximum number of iterations", "60", "50")}},
                 {0, 0, {}},
                 {1.7, 1, {}},
                 {3, 3, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        TestHost host(u"skeletonization");
        host.SetNumber(u"Maximum number of iterations", c.given);
        const kaf_test::Outcome outcome = RunOnPicture(host, thick);
        ASSERT_TRUE(outcome.ok);
        EXPECT_EQ(Narrowed(outcome.warnings), c.warnings);
        const Image expected = ReferenceSkeleton(host.Session().FindFrame(u"Input frame"), 127, c.used);
        EXPECT_EQ(ImageOf(outcome.output), expected);
    }
    // The limits above stop the thinning of this square early.
    int32_t iterations = 0;
    TestHost host(u"skeletonization");
    RunOnPicture(host, thick);
    FrameHandle input = host.Session().FindFrame(u"Input frame");
    EXPECT_FALSE(ReferenceSkeleton(input, 127, 0, &iterations) == ReferenceSkeleton(input, 127, 3));
    EXPECT_GT(iterations, 3);
}

// The level itself is light; the level (threshold x 255, truncated) is
// clamped to 0 to 255 rather than the threshold to 0 to 1.
TEST(Skeleton, PixelsAtTheLevelAreLightAndTheLevelIsClamped) {
    // A 3x3 square of one grey value on white: dark, it thins to two pixels.
    Picture square(5, ".....");
    for (int r = 1; r <= 3; ++r) square[r] = ".###.";
    struct Case {
        double threshold;
        uint8_t value;    // of the square
        bool darkSquare;  // whether the square counts as dark
        std::vector<std::string> warnings;
    } cases[] = {{1.003, 254, true, {}},
                 {1.004, 254, true, {ClampWarning("Threshold", "1.004000", "1.000000")}},
                 {-0.003, 254, false, {}},
                 {-0.004, 254, false, {ClampWarning("Threshold", "-0.004000", "0.000000")}},
                 {0.0, 254, false, {}},
                 {0.5, 127, false, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.threshold);
        TestHost host(u"skeletonization");
        host.SetNumber(u"Threshold", c.threshold);
        FrameHandle input = host.AddFrame(5, 5, 8);
        kaf_test::FillFrame(input, [&](int32_t x, int32_t y, int32_t) {
            return static_cast<uint8_t>(square[y][x] == '#' ? c.value : 255);
        });
        const kaf_test::Outcome outcome = host.Run();
        ASSERT_TRUE(outcome.ok);
        EXPECT_EQ(Narrowed(outcome.warnings), c.warnings);
        EXPECT_EQ(PictureOf(outcome.output),
                  c.darkSquare ? PictureWith(5, 5, {{2, 2}, {2, 3}}) : PictureWith(5, 5, {}));
    }
}

TEST(Skeleton, ColourInputsAreThresholdedOnTheirSums) {
    // Grey colour pixels give the grey frame's skeleton; byte 3 is never read.
    for (int32_t bpp : {24, 32}) {
        TestHost grey(u"skeletonization");
        TestHost colour(u"skeletonization");
        FrameHandle g = grey.AddFrame(31, 23, 8);
        kaf_test::FillRandom(g, 21);
        FrameHandle c = colour.AddFrame(31, 23, bpp);
        kaf_test::FillFrame(c, [&](int32_t x, int32_t y, int32_t b) {
            return b == 3 ? static_cast<uint8_t>(x * 37 + y) : *kaf_test::PixelAt(g, x, y);
        });
        const kaf_test::Outcome a = grey.Run();
        const kaf_test::Outcome b = colour.Run();
        ASSERT_TRUE(a.ok && b.ok);
        EXPECT_EQ(ImageOf(b.output), ImageOf(a.output));
    }
}
