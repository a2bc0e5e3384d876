#include "host/script/SourceText.h"

#include <gtest/gtest.h>

namespace {

TEST(SourceText, EncodingsOfScriptFiles)
{
    struct Case {
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {"x = \"\xC3\xA9\"", u"x = \"\u00E9\""},                  // UTF-8
        {"\xEF\xBB\xBFx", u"x"},                                    // UTF-8 with its mark
        {std::string("\xFF\xFEx\0\xAC\x20", 6), u"x\u20AC"},        // UTF-16 LE
        {std::string("\xFE\xFF\0x\x20\xAC", 6), u"x\u20AC"},        // UTF-16 BE
        {"x = \"\x80\xE9\"", u"x = \"\u20AC\u00E9\""},              // not UTF-8: Windows-1252
        {"\xC0\x80", u"\u00C0\u20AC"},                              // overlong: not UTF-8
        {"", u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(script::DecodeScriptText(c.bytes), c.text);
}

} // namespace
