#include "GridFixture.h"

#include "scanner/core/TsScannerData.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using namespace TsScanner;
using namespace TsScannerTest;

namespace {

TsScannerData Load(const std::string& text, int nCols)
{
    TsScannerData grid;
    grid.LoadFromText(text, nCols);
    return grid;
}

TEST(MarkGridDecode, WorkedExampleMarksExactlyTwoCells)
{
    TsScannerData grid = Load("\x40\x41\x42\x40", 12);
    EXPECT_EQ(grid.LineCount(), 2);
    EXPECT_EQ(grid.ColCount(), 12);
    EXPECT_EQ(MarkedCells(grid), (std::vector<Cell>{{1, 2}, {2, 7}}));
}

struct DecodeCase {
    const char* name;
    std::string text;
    int nCols;
    int lines;
    int cols;
    std::vector<Cell> marked;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class MarkGridDecodeCases : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(MarkGridDecodeCases, DecodesAsDocumented)
{
    const DecodeCase& c = GetParam();
    TsScannerData grid = Load(c.text, c.nCols);
    EXPECT_EQ(grid.LineCount(), c.lines);
    EXPECT_EQ(grid.ColCount(), c.cols);
    EXPECT_EQ(MarkedCells(grid), c.marked);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MarkGridDecodeCases,
    ::testing::Values(
        DecodeCase{"Empty", "", 12, 0, 0, {}}, DecodeCase{"OneCharacter", "A", 12, 0, 0, {}},
        DecodeCase{"OnlyLineFeedAndOne", "\nA", 12, 0, 0, {}},
        // Only the first line feed goes; the second (10 = bits 1 and 3) is data.
        DecodeCase{"SecondLineFeedIsData", "\n\n@", 12, 1, 12, {{1, 2}, {1, 4}}},
        // Five characters: two lines, the first character belongs to no pair.
        DecodeCase{"OddLengthIgnoresFirst", "\x7F@AB@", 12, 2, 12, {{1, 2}, {2, 7}}},
        // Bit 6 (64) is the seventh column of a half with n = 14, ignored with 12.
        DecodeCase{"Bit6CountsWith14", "\x40\x40", 14, 1, 14, {{1, 7}, {1, 14}}},
        DecodeCase{"Bit6IgnoredWith12", "\x40\x40", 12, 1, 12, {}},
        // n = 16: half of 8 columns, the eighth never marked.
        DecodeCase{"EighthColumnOfHalfNeverMarked", "\x7F\x7F", 16, 1, 16,
                   {{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}, {1, 7},
                    {1, 9}, {1, 10}, {1, 11}, {1, 12}, {1, 13}, {1, 14}, {1, 15}}},
        // n = 13: column 13 gets no data and is unmarked.
        DecodeCase{"OddColumnCountLastColumnUnmarked", "\x7F\x7F", 13, 1, 13,
                   {{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6},
                    {1, 7}, {1, 8}, {1, 9}, {1, 10}, {1, 11}, {1, 12}}},
        // A zero character ends the data at its pair (line order): line 2 holds
        // the zero, so lines 2 and 3 stay unmarked although line 3 has marks.
        DecodeCase{"ZeroEndsData", std::string("AA\0AAB", 6), 12, 3, 12, {{1, 1}, {1, 8}}},
        DecodeCase{"ColumnCountZero", "AB", 0, 1, 0, {}}),
    [](const auto& info) { return info.param.name; });

TEST(MarkGridDecode, ReloadReplacesEverythingAndLeavesUndecodedCellsClear)
{
    TsScannerData grid = MakeGrid(3, 13);
    for (int line = 1; line <= 3; ++line)
        for (int column = 1; column <= 13; ++column)
            grid.SetMark(line, column, true);
    grid.LoadFromText("\x7F\x7F", 13);
    EXPECT_EQ(grid.LineCount(), 1);
    EXPECT_FALSE(grid.GetMark(1, 13));
}

TEST(MarkGridDecode, RefusedLoadsLeaveTheGridAsItWas)
{
    TsScannerData grid = Load("\x40\x41\x42\x40", 12);
    EXPECT_EQ(ErrorOf([&] { grid.LoadFromText("AB", -1); }), "Invalid column count: -1");
    EXPECT_EQ(ErrorOf([&] { grid.LoadFromText("ABCD", INT_MAX); }),
              "Scanner data too large: 2 lines of 2147483647 columns");
    EXPECT_EQ(grid.LineCount(), 2);
    EXPECT_EQ(grid.ColCount(), 12);
    EXPECT_EQ(MarkedCells(grid), (std::vector<Cell>{{1, 2}, {2, 7}}));
    // A huge column count is harmless while the text has no pair.
    grid.LoadFromText("A", INT_MAX);
    EXPECT_EQ(grid.ColCount(), 0);
}

TEST(MarkGridCells, AccessChecksInOrderWithTheirMessages)
{
    TsScannerData grid = MakeGrid(2, 12);
    struct {
        int line, column;
        const char* message;
    } cases[] = {
        {0, 0, "Line index out of bounds: max=2 index=0"},
        {3, 1, "Line index out of bounds: max=2 index=3"},
        {-7, 99, "Line index out of bounds: max=2 index=-7"},
        {1, 0, "Column index out of bounds: max=12 index=0"},
        {2, 13, "Column index out of bounds: max=12 index=13"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorOf([&] { grid.GetMark(c.line, c.column); }), c.message);
        EXPECT_EQ(ErrorOf([&] { grid.SetMark(c.line, c.column, true); }), c.message);
    }
    EXPECT_TRUE(MarkedCells(grid).empty());

    TsScannerData never;
    EXPECT_EQ(ErrorOf([&] { never.GetMark(1, 1); }), "Line index out of bounds: max=0 index=1");
    never.SetLineCount(3);
    never.SetColCount(4);
    EXPECT_EQ(ErrorOf([&] { never.SetMark(1, 1, true); }), "Data not initialized");
}

TEST(MarkGridCells, WrittenCountsReuseTheStorageAndNeverReachPastIt)
{
    TsScannerData grid = Load("\x40\x41\x42\x40", 12);  // marks (1, 2) and (2, 7)
    // Six columns: the same 24 bytes read as four lines.
    grid.SetColCount(6);
    grid.SetLineCount(4);
    EXPECT_EQ(MarkedCells(grid), (std::vector<Cell>{{1, 2}, {4, 1}}));
    // Counts that exceed the 24 cells: the cells inside still work, the ones
    // beyond are refused rather than read.
    grid.SetLineCount(5);
    EXPECT_TRUE(grid.GetMark(4, 1));
    EXPECT_EQ(ErrorOf([&] { grid.GetMark(5, 1); }),
              "Cell (5, 1) lies outside the loaded data of 24 cells: line and column counts exceed the data");
    EXPECT_EQ(ErrorOf([&] { grid.Flip(); }),
              "Cell (5, 6) lies outside the loaded data of 24 cells: line and column counts exceed the data");
    grid.SetLineCount(4);
    EXPECT_EQ(MarkedCells(grid), (std::vector<Cell>{{1, 2}, {4, 1}}));
    // An empty load allocates nothing to read: a written count reaches nothing.
    grid.LoadFromText("", 12);
    grid.SetLineCount(1);
    grid.SetColCount(1);
    EXPECT_EQ(ErrorOf([&] { grid.GetMark(1, 1); }),
              "Cell (1, 1) lies outside the loaded data of 0 cells: line and column counts exceed the data");
}

TEST(MarkGridCells, SetMarkAndDeepCopy)
{
    TsScannerData grid = MakeGrid(2, 12, {{2, 12}});
    TsScannerData copy = grid;
    grid.SetMark(2, 12, false);
    grid.SetMark(1, 1, true);
    EXPECT_EQ(MarkedCells(grid), (std::vector<Cell>{{1, 1}}));
    EXPECT_EQ(MarkedCells(copy), (std::vector<Cell>{{2, 12}}));
}

TEST(MarkGridFlip, ReversesLinesKeepsColumnsAndTwiceRestores)
{
    TsScannerData grid = MakeGrid(3, 12, {{1, 1}, {2, 5}, {3, 12}});
    grid.Flip();
    EXPECT_EQ(MarkedCells(grid), (std::vector<Cell>{{1, 12}, {2, 5}, {3, 1}}));
    grid.Flip();
    EXPECT_EQ(MarkedCells(grid), (std::vector<Cell>{{1, 1}, {2, 5}, {3, 12}}));

    TsScannerData worked = Load("\x40\x41\x42\x40", 12);
    worked.Flip();
    EXPECT_EQ(MarkedCells(worked), (std::vector<Cell>{{1, 7}, {2, 2}}));

    TsScannerData empty;
    EXPECT_NO_THROW(empty.Flip());
}

TEST(MarkGridWalks, FindSingleMark)
{
    struct {
        std::vector<Cell> marks;
        int from, to, step, expected;
    } cases[] = {
        {{{1, 5}, {1, 9}}, 3, 12, 1, -2},
        {{{1, 5}}, 3, 12, 1, 2},
        {{{1, 5}}, 12, 3, 1, 7},  // offset is the distance, walking down
        {{}, 3, 12, 1, -1},
        {{{1, 6}}, 3, 12, 3, 3},  // step 3 visits 3, 6, 9, 12
        {{{1, 7}}, 3, 12, 2, 4},
        {{{1, 4}}, 3, 12, 2, -1},  // skipped position
        {{{1, 3}}, 3, 3, 1, 0},
    };
    for (const auto& c : cases) {
        TsScannerData row = MakeGrid(1, 12, c.marks);
        EXPECT_EQ(row.FindSingleMarkOnLine(1, c.from, c.to, c.step), c.expected) << c.from << ".." << c.to;
        // The same walk down a column of the transposed grid.
        TsScannerData column = MakeGrid(12, 2);
        for (auto [l, col] : c.marks)
            column.SetMark(col, l + 1, true);
        EXPECT_EQ(column.FindSingleMarkInColumn(2, c.from, c.to, c.step), c.expected);
    }
    // The walk stops at the second mark: a later cell outside the grid is never read.
    TsScannerData grid = MakeGrid(1, 12, {{1, 1}, {1, 2}});
    EXPECT_EQ(grid.FindSingleMarkOnLine(1, 1, 40, 1), -2);
    EXPECT_EQ(ErrorOf([&] { grid.FindSingleMarkOnLine(1, 3, 40, 1); }),
              "Column index out of bounds: max=12 index=13");
}

TEST(MarkGridWalks, LabelsAlongLineAndColumn)
{
    TsScannerData grid = MakeGrid(5, 12, {{1, 2}, {1, 4}, {3, 1}, {5, 1}});
    EXPECT_EQ(grid.LabelsAlongLine(1, 2, 6, 1, "AABBCCDDEE", 2, '.'), "AA..CC....");
    EXPECT_EQ(grid.LabelsAlongLine(1, 6, 2, 2, "ABC", 1, ' '), " BC");
    EXPECT_EQ(grid.LabelsAlongColumn(1, 1, 5, 2, "XYZ", 1, '-'), "-YZ");
    EXPECT_EQ(grid.LabelsAlongLine(1, 1, 3, 1, "", 0, ' '), "");
    // A marked position without a complete label is an error, not a read past
    // the list; unmarked positions need no label.
    EXPECT_EQ(ErrorOf([&] { grid.LabelsAlongLine(1, 2, 6, 1, "ABCDE", 2, ' '); }),
              "Label list ABCDE has no label 3 of width 2");
    EXPECT_EQ(grid.LabelsAlongLine(2, 1, 12, 1, "", 3, '_'), std::string(36, '_'));
}

TEST(MarkGridIndexChecks, AutomationRangeMessages)
{
    EXPECT_EQ(ErrorOf([] { CheckGridIndex(1, 0); }), "Index 1 is not in the list's range [0 to 0].");
    EXPECT_EQ(ErrorOf([] { CheckGridIndex(-1, 5); }), "Index -1 is not in the list's range [0 to 5].");
    EXPECT_EQ(ErrorOf([] { CheckGridIndex(0, -3); }), "Index 0 is not in the list. The list is empty");
    EXPECT_EQ(ErrorOf([] { CheckGridIndex(0, 0); }), "(no error)");
    EXPECT_EQ(ErrorOf([] { CheckListIndex(26, 1, 25); }), "Index 26 is not in the list's range [1 to 25].");
}

TEST(ScannerText, EncodeIsTheInverseOfDecode)
{
    TsScannerData grid = MakeGrid(45, 12, {{1, 1}, {7, 6}, {7, 7}, {45, 12}, {20, 3}});
    TsScannerData back;
    back.LoadFromText(EncodeScannerText(grid), 12);
    EXPECT_EQ(MarkedCells(back), MarkedCells(grid));
    EXPECT_EQ(EncodeScannerText(Load("\x40\x41\x42\x40", 12)), "\x40\x41\x42\x40");
    EXPECT_EQ(ErrorOf([] { EncodeScannerText(MakeGrid(1, 14)); }), "Cannot code 14 columns as scanner data");
}

}  // namespace
