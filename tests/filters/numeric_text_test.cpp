// Float-to-integer conversion with the x86 rule, rounding to single
// precision, and the bounded text copy.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "numeric.h"
#include "text.h"

// Out-of-range doubles and NaN reaching integer inputs are the run frame
// test's; here the edges of the range, floats and bytes.
TEST(TruncateToInt32, TowardZeroInsideTheRangeTheIndefiniteValueOutside) {
    EXPECT_EQ(TruncateToInt32(-2.9), -2);
    EXPECT_EQ(TruncateToInt32(2147483647.9), 2147483647);
    EXPECT_EQ(TruncateToInt32(-2147483648.9), INT32_MIN);
    EXPECT_EQ(TruncateToInt32(2147483648.0), INT32_MIN);
    EXPECT_EQ(TruncateToInt32(255.99f), 255);
    EXPECT_EQ(TruncateToInt32(std::numeric_limits<float>::infinity()), INT32_MIN);
    // A NaN blend stored as a byte gives 0.
    EXPECT_EQ(TruncateToByte(std::nanf("")), 0);
    EXPECT_EQ(TruncateToByte(300.5f), 300 & 0xFF);
}

TEST(RoundToFloat, RoundsAndSaturatesToInfinity) {
    EXPECT_EQ(RoundToFloat(0.1), 0.1f);
    EXPECT_EQ(RoundToFloat(1e300), std::numeric_limits<float>::infinity());
    EXPECT_EQ(RoundToFloat(-1e300), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(RoundToFloat(3.4028234663852886e38), std::numeric_limits<float>::max());
    EXPECT_TRUE(std::isnan(RoundToFloat(std::nan(""))));
}

TEST(CopyText, FollowsWcsncpyAndSkipsNullBuffers) {
    char16_t buffer[6] = {u'#', u'#', u'#', u'#', u'#', u'#'};
    CopyText(buffer, 2, u"abcdef");
    EXPECT_EQ(std::u16string(buffer, 6), u"abc###");
    CopyText(buffer, 4, u"ab");
    EXPECT_EQ(std::u16string(buffer, 6), (std::u16string{u'a', u'b', 0, 0, 0, u'#'}));
    CopyText(nullptr, 4, u"ab");
    CopyText(buffer, -1, u"zz");
    EXPECT_EQ(buffer[0], u'a');
}
