#include "GridFixture.h"

#include "scanner/core/ScannerText.h"

#include <gtest/gtest.h>

#include <string>

using namespace TsScanner;
using namespace TsScannerTest;

namespace {

TEST(SheetLineEscapes, DecodeTheDocumentedEscapes)
{
    struct {
        std::string line;
        std::string data;
    } cases[] = {
        {"@@AB", "@@AB"},
        {"\\n@A", "\n@A"},
        {"\\n\\n@", "\n\n@"},
        {"a\\\\b", "a\\b"},
        {"\\r\\t\\#", "\r\t#"},
        {"\\x00\\x7f\\xFF\\x41", std::string("\0\x7F\xFF" "A", 4)},
        {"#mid", "#mid"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeSheetLine(c.line), c.data) << c.line;

    EXPECT_EQ(ErrorOf([] { DecodeSheetLine("AB\\"); }), "Sheet line ends inside an escape at column 3");
    EXPECT_EQ(ErrorOf([] { DecodeSheetLine("A\\q"); }), "Sheet line has the unknown escape \\q at column 2");
    EXPECT_EQ(ErrorOf([] { DecodeSheetLine("\\x4"); }), "Sheet line has \\x without two hex digits at column 1");
    EXPECT_EQ(ErrorOf([] { DecodeSheetLine("\\xG0"); }), "Sheet line has \\x without two hex digits at column 1");
}

TEST(SheetLineEscapes, EveryByteSurvivesARoundTrip)
{
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    for (const std::string& data : {all, std::string("#@A"), std::string("\n@@"), std::string()}) {
        const std::string line = EscapeSheetLine(data);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
        EXPECT_NE(line.substr(0, 1), "#");
        EXPECT_EQ(DecodeSheetLine(line), data);
    }
    // Mark characters stay readable; only the backslash among them is doubled.
    EXPECT_EQ(EscapeSheetLine("@A\\\x7F"), "@A\\\\\\x7F");
}

TEST(SheetFiles, OneSheetPerLineWithCommentsAndErrors)
{
    const auto sheets = ReadSheetText("# a comment\r\n@A\r\n\n\\n@B\nbad\\q\n\\#x\nlast");
    ASSERT_EQ(sheets.size(), 5u);
    EXPECT_EQ(sheets[0].lineNumber, 2u);
    EXPECT_EQ(sheets[0].data, "@A");
    EXPECT_EQ(sheets[1].lineNumber, 4u);
    EXPECT_EQ(sheets[1].data, "\n@B");
    EXPECT_EQ(sheets[2].lineNumber, 5u);
    EXPECT_EQ(sheets[2].error, "Sheet line has the unknown escape \\q at column 4");
    EXPECT_EQ(sheets[3].data, "#x");
    EXPECT_EQ(sheets[4].data, "last");
    EXPECT_TRUE(ReadSheetText("").empty());
}

}  // namespace
