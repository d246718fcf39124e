// RoundReal and the rotated-rectangle test.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "ka_iproc.h"

namespace {

TEST(RoundReal, NanAndValuesOutsideThe32BitRangeGiveTheMostNegativeInteger) {
    EXPECT_EQ(RoundReal(std::numeric_limits<float>::quiet_NaN()), INT32_MIN);
    EXPECT_EQ(RoundReal(std::numeric_limits<float>::infinity()), INT32_MIN);
    EXPECT_EQ(RoundReal(-std::numeric_limits<float>::infinity()), INT32_MIN);
    EXPECT_EQ(RoundReal(2147483648.0f), INT32_MIN);
    EXPECT_EQ(RoundReal(-2147483904.0f), INT32_MIN);
    EXPECT_EQ(RoundReal(1e20f), INT32_MIN);
    // The extremes that do fit.
    EXPECT_EQ(RoundReal(2147483520.0f), 2147483520);
    EXPECT_EQ(RoundReal(-2147483648.0f), INT32_MIN);
    EXPECT_EQ(RoundReal(-2147483520.0f), -2147483520);
}

struct Rotated {
    ka_iproc::TRectangularRegion region;
    double sine, cosine;
    // A point at (u, v) in the region's own axes.
    bool Contains(double u, double v) const {
        const double x = region.centreX + u * cosine - v * sine;
        const double y = region.centreY + u * sine + v * cosine;
        return PixelInRectangularRegion(nullptr, &region, x, y, sine, cosine);
    }
};

TEST(Region, RotationUsesTheGivenSineAndCosine) {
    // A quarter turn swaps the roles of x and y.
    const ka_iproc::TRectangularRegion region{0.0, 0.0, 4.0, 2.0, 90.0};
    auto inside = [&](double x, double y) { return PixelInRectangularRegion(nullptr, &region, x, y, 1.0, 0.0); };
    EXPECT_TRUE(inside(0, 2));
    EXPECT_TRUE(inside(1, 0));
    EXPECT_FALSE(inside(2, 0));
    EXPECT_FALSE(inside(0, 2.5));

    const double angle = 30.0 * M_PI / 180.0;
    const Rotated thirty{{5.0, -3.0, 6.0, 2.0, 30.0}, std::sin(angle), std::cos(angle)};
    EXPECT_TRUE(thirty.Contains(2.9, 0.9));
    EXPECT_TRUE(thirty.Contains(-2.9, -0.9));
    EXPECT_FALSE(thirty.Contains(3.1, 0.0));
    EXPECT_FALSE(thirty.Contains(0.0, -1.1));
    // A corner of the unrotated box lies outside the rotated one.
    EXPECT_FALSE(PixelInRectangularRegion(nullptr, &thirty.region, 5.0 + 2.9, -3.0 - 0.9, thirty.sine, thirty.cosine));
    EXPECT_TRUE(PixelInRectangularRegion(nullptr, &thirty.region, 5.0 + 2.9, -3.0 - 0.9, 0.0, 1.0));
}

}  // namespace
