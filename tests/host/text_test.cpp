// UTF-8 and UTF-16 conversions for hosts.
#include <gtest/gtest.h>

#include "host_api.h"

namespace {

using ka_iproc::Utf16;
using ka_iproc::Utf8;

TEST(Text, RoundTripsEveryPlane) {
    const std::string utf8 = "Kernel radius \xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // é € and an emoji
    const std::u16string utf16 = u"Kernel radius \u00E9\u20AC\U0001F600";
    EXPECT_EQ(Utf16(utf8), utf16);
    EXPECT_EQ(Utf8(utf16), utf8);
    EXPECT_EQ(Utf16(""), u"");
    EXPECT_EQ(Utf8(u""), "");
}

TEST(Text, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(Utf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf16("\xC3"), u"\uFFFD");               // cut sequence
    EXPECT_EQ(Utf16("\xC0\xAF"), u"\uFFFD\uFFFD");     // overlong '/'
    EXPECT_EQ(Utf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
    EXPECT_EQ(Utf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(Utf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

}  // namespace
