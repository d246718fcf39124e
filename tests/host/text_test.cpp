// UTF-8 and UTF-16 conversions for hosts.
#include <gtest/gtest.h>

#include "host_api.h"

namespace {

using ka_iproc::Utf16;
using ka_iproc::Utf8;

TEST(Text, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(Utf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf16("\xC3"), u"\uFFFD");               // cut sequence
    EXPECT_EQ(Utf16("\xC0\xAF"), u"\uFFFD\uFFFD");     // overlong '/'
    EXPECT_EQ(Utf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
    EXPECT_EQ(Utf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(Utf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

}  // namespace
