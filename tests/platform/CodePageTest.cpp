#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <string>

TEST(CodePage1252, EveryByteRoundTripsAndTheHighControlsFollowTheTable)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    std::u16string wide = AnsiToWide(all);
    ASSERT_EQ(256u, wide.size());
    EXPECT_EQ(all, WideToAnsi(wide));

    struct {
        unsigned char byte;
        char16_t unit;
    } const table[] = {
        {0x00, 0x0000}, {0x41, 0x0041}, {0x80, 0x20AC}, {0x81, 0x0081}, {0x82, 0x201A}, {0x8A, 0x0160},
        {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x91, 0x2018}, {0x99, 0x2122}, {0x9D, 0x009D},
        {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF},
    };
    for (auto [byte, unit] : table) {
        SCOPED_TRACE(static_cast<int>(byte));
        EXPECT_EQ(unit, wide[byte]);
    }
}

TEST(CodePage1252, CharactersOutsideBecomeOneDefaultEach)
{
    struct {
        std::u16string wide;
        std::string ansi;
        bool usedDefault;
    } const cases[] = {
        {u"plain \u00e9\u20ac", "plain \xe9\x80", false},
        {u"a\u0100b", "a?b", true},          // Latin Extended-A
        {u"\u0080\u009F", "??", true},      // C1 controls the code page assigns elsewhere
        {u"x\U0001F600y", "x?y", true},     // a surrogate pair is one character
        {u"\xD800 \xDC00", "? ?", true},     // lone surrogates
        {u"?", "?", false},                  // a real question mark is no default
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ansi);
        EXPECT_EQ(c.ansi, WideToAnsi(c.wide));
        BOOL used = 7;
        char buffer[16] = {};
        int n = WideCharToMultiByte(CP_ACP, 0, c.wide.data(), static_cast<int>(c.wide.size()), buffer,
                                    sizeof buffer, nullptr, &used);
        EXPECT_EQ(c.ansi, std::string(buffer, static_cast<size_t>(n)));
        EXPECT_EQ(c.usedDefault ? 1 : 0, used);
    }

    const char star = '*';
    char buffer[8] = {};
    EXPECT_EQ(3, WideCharToMultiByte(CP_1252, 0, u"a\u4e00b", 3, buffer, sizeof buffer, &star, nullptr));
    EXPECT_EQ("a*b", std::string(buffer, 3));
}

TEST(CodePageApi, LengthsSizeQueriesAndShortBuffers)
{
    // -1: zero-terminated, the terminator is converted and counted too.
    EXPECT_EQ(4, MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0));
    OLECHAR wide[8];
    std::fill(std::begin(wide), std::end(wide), u'#');
    ASSERT_EQ(4, MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 8));
    EXPECT_EQ(u"abc", std::u16string(wide));
    // An explicit length stops there, zero bytes included.
    ASSERT_EQ(3, MultiByteToWideChar(CP_ACP, 0, "a\0b", 3, wide, 8));
    EXPECT_EQ(std::u16string(u"a\0b", 3), std::u16string(wide, 3));

    // Too small a buffer fails and writes nothing.
    std::fill(std::begin(wide), std::end(wide), u'#');
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 3));
    EXPECT_EQ(u'#', wide[0]);
    char narrow[8];
    std::fill(std::begin(narrow), std::end(narrow), '#');
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, u"\u20ac", 1, narrow, 2, nullptr, nullptr));
    EXPECT_EQ('#', narrow[0]);
    EXPECT_EQ(3, WideCharToMultiByte(CP_UTF8, 0, u"\u20ac", 1, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(2, MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, nullptr, 0));

    // Bad arguments.
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, nullptr, -1, wide, 8));
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", 0, wide, 8));
    EXPECT_EQ(0, MultiByteToWideChar(437, 0, "abc", 3, wide, 8));
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", 3, wide, -1));
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", 3, nullptr, 8));
    BOOL used = 0;
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, u"abc", 3, narrow, 8, nullptr, &used));
    const char dflt = '?';
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, u"abc", 3, narrow, 8, &dflt, nullptr));
    EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, nullptr, 3, narrow, 8, nullptr, nullptr));
}

TEST(CodePageUtf8, DecodingReplacesEachIllFormedPartWithOneReplacement)
{
    struct {
        const char* name;
        std::string bytes;
        std::u16string wide;
    } const cases[] = {
        {"ascii", "abc", u"abc"},
        {"two, three and four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"\u00e9\u20ac\U0001F600"},
        {"lone continuation", "a\x80z", u"a\uFFFDz"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"overlong three bytes", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"truncated then ascii", "\xE2\x82" "A", u"\uFFFDA"},
        {"truncated at the end", "A\xF0\x9F\x98", u"A\uFFFD"},
        {"byte never used", "\xFF", u"\uFFFD"},
        {"zero byte kept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.wide, Utf8ToWide(c.bytes));
        OLECHAR buffer[16];
        int n = MultiByteToWideChar(CP_UTF8, 0, c.bytes.data(), static_cast<int>(c.bytes.size()), buffer, 16);
        EXPECT_EQ(c.wide, std::u16string(buffer, static_cast<size_t>(n)));
    }
}

TEST(CodePageUtf8, EncodingReplacesLoneSurrogates)
{
    EXPECT_EQ("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", WideToUtf8(u"\u00e9\u20ac\U0001F600"));
    EXPECT_EQ("a\xEF\xBF\xBD" "b", WideToUtf8(u"a\xD83D" u"b"));
    EXPECT_EQ("\xEF\xBF\xBD", WideToUtf8(u"\xDE00"));
    EXPECT_EQ("\xEF\xBF\xBD\xF0\x9F\x98\x80", WideToUtf8(u"\xD83D\xD83D\xDE00")); // the second high one pairs

    // Between the two 8-bit encodings.
    EXPECT_EQ("\xE2\x82\xAC", AnsiToUtf8("\x80"));
    EXPECT_EQ("\x80\xE9?", Utf8ToAnsi("\xE2\x82\xAC\xC3\xA9\xE6\x97\xA5"));
}
