// "skeletonization" through the module: the worked pictures, the clamping of
// the iteration limit (one iteration peels one layer off each side of a
// square) and of the level, and colour inputs.
#include <gtest/gtest.h>

#include <string>

#include "host_api.h"
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

// A size x size picture with a dark square of the side whose first row and
// column is `first`.
Picture Square(int size, int first, int side) {
    Picture picture(size, std::string(size, '.'));
    for (int r = first; r < first + side; ++r) picture[r].replace(first, side, side, '#');
    return picture;
}

}  // namespace

TEST(Skeleton, WorkedPictures) {
    // A lone pixel is pruned away.
    EXPECT_EQ(SkeletonOf(PictureWith(5, 5, {{2, 2}})), PictureWith(5, 5, {}));
    // A line one pixel thick loses one pixel at each end.
    EXPECT_EQ(SkeletonOf({"..........", ".######...", ".........."}),
              (Picture{"..........", "..####....", ".........."}));
    // A 3x3 square thins to two pixels.
    EXPECT_EQ(SkeletonOf(Square(5, 1, 3)), PictureWith(5, 5, {{2, 2}, {2, 3}}));
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
    // A square of 30 needs fifteen iterations; without a limit (0) it thins
    // to its two centre pixels, as the 3x3 square does.
    const struct {
        double given;
        int used;
        std::vector<std::string> warnings;
    } cases[] = {{-1, 0, {ClampWarning("Maximum number of iterations", "-1", "0")}},
                 {60, 50, {ClampWarning("Maximum number of iterations", "60", "50")}},
                 {0, 0, {}}, {1.7, 1, {}}, {2, 2, {}}, {3, 3, {}}, {14, 14, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        TestHost host(u"skeletonization");
        host.SetNumber(u"Maximum number of iterations", c.given);
        const kaf_test::Outcome outcome = RunOnPicture(host, Square(40, 5, 30));
        ASSERT_TRUE(outcome.ok);
        EXPECT_EQ(Narrowed(outcome.warnings), c.warnings);
        EXPECT_EQ(PictureOf(outcome.output), c.used > 0 && c.used < 15 ? Square(40, 5 + c.used, 30 - 2 * c.used)
                                                                        : PictureWith(40, 40, {{19, 19}, {19, 20}}));
    }
}

// The level itself is light; the level (threshold x 255, truncated) is
// clamped to 0 to 255 rather than the threshold to 0 to 1.
TEST(Skeleton, PixelsAtTheLevelAreLightAndTheLevelIsClamped) {
    // A 3x3 square of one grey value on white: dark, it thins to two pixels.
    const struct {
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
    const Picture square = Square(5, 1, 3);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.threshold);
        TestHost host(u"skeletonization");
        host.SetNumber(u"Threshold", c.threshold);
        kaf_test::FillFrame(host.AddFrame(5, 5, 8), [&](int32_t x, int32_t y, int32_t) {
            return static_cast<uint8_t>(square[y][x] == '#' ? c.value : 255);
        });
        const kaf_test::Outcome outcome = host.Run();
        ASSERT_TRUE(outcome.ok);
        EXPECT_EQ(Narrowed(outcome.warnings), c.warnings);
        EXPECT_EQ(PictureOf(outcome.output), PictureWith(5, 5, c.darkSquare ? std::vector<std::pair<int, int>>{{2, 2}, {2, 3}}
                                                                           : std::vector<std::pair<int, int>>{}));
    }
}

TEST(Skeleton, ColourInputsAreThresholdedOnTheirSums) {
    // Grey colour pixels give the grey frame's skeleton; byte 3 is never read.
    for (int32_t bpp : {24, 32}) {
        TestHost grey(u"skeletonization"), colour(u"skeletonization");
        FrameHandle g = grey.AddFrame(31, 23, 8);
        kaf_test::FillRandom(g, 21);
        kaf_test::FillFrame(colour.AddFrame(31, 23, bpp), [&](int32_t x, int32_t y, int32_t b) {
            return b == 3 ? static_cast<uint8_t>(x * 37 + y) : *kaf_test::PixelAt(g, x, y);
        });
        const kaf_test::Outcome a = grey.Run(), b = colour.Run();
        ASSERT_TRUE(a.ok && b.ok);
        EXPECT_EQ(ImageOf(b.output), ImageOf(a.output));
    }
}
