#include "GridFixture.h"

#include "scanner/core/CreateFormCmd.h"
#include "scanner/core/FormCommands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace TsScanner;
using namespace TsScannerTest;

namespace {

std::string EvaluateLine(const std::string& line, const TsScannerData& grid)
{
    Ptr<TsScannerFormCmd> cmd = CreateFormCmd(line);
    return cmd->Evaluate(' ', '?', grid);
}

struct EvalCase {
    const char* name;
    std::string line;
    std::vector<Cell> marks;
    std::string expected;
};

void PrintTo(const EvalCase& c, std::ostream* os) { *os << c.name; }

class FormCommandEvaluation : public ::testing::TestWithParam<EvalCase> {};

TEST_P(FormCommandEvaluation, GivesTheDocumentedText)
{
    const EvalCase& c = GetParam();
    EXPECT_EQ(EvaluateLine(c.line, MakeGrid(45, 12, c.marks)), c.expected) << c.line;
}

const char* kFiveByFive = "FRM=MC N N 1 0 21 2 25 6 L 5 5 ABCDE";
const char* kDigitsBySu = "FRM=SU N 0 0 1 1 10 2 C 2 10 0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9";

INSTANTIATE_TEST_SUITE_P(
    Commands, FormCommandEvaluation,
    ::testing::Values(
        // Multiple choice, one answer per line: B, blank, ?, E, A.
        EvalCase{"McByLine", kFiveByFive, {{21, 3}, {23, 2}, {23, 4}, {24, 6}, {25, 2}}, "B ?EA"},
        EvalCase{"McWidthTwo", "FRM=MC N N 2 0 1 1 3 3 L 3 3 a1b2c3", {{1, 3}, {3, 1}, {3, 2}}, "c3  ??"},
        // Items walk right to left when the start column is past the end.
        EvalCase{"McColumnsReversed", "FRM=MC N N 1 0 1 3 3 1 C 3 3 XYZ", {{1, 1}, {3, 3}}, "Z X"},
        // Choices on every second line: a mark on the fifth line of the span is C.
        EvalCase{"McChoiceStepTwo", "FRM=MC N N 1 0 1 1 9 1 C 1 5 ABCDE", {{5, 1}}, "C"},
        EvalCase{"McChoiceStepTwoSkipsLines", "FRM=MC N N 1 0 1 1 9 1 C 1 5 ABCDE", {{4, 1}}, " "},
        EvalCase{"McAllMarks", "FRM=MC Y N 1 0 1 1 1 5 L 1 5 ABCDE", {{1, 1}, {1, 3}}, "A C  "},
        // A short label list is fine while its missing labels are not marked.
        EvalCase{"McShortLabelsUnmarked", "FRM=MC N N 1 0 1 1 1 5 L 1 5 ABC", {{1, 2}}, "B"},
        EvalCase{"SuDigits", kDigitsBySu, {{4, 1}, {8, 2}}, "37"},
        EvalCase{"SuEmpty", kDigitsBySu, {}, "00"},
        // Several marks in one item add up.
        EvalCase{"SuSeveralMarks", kDigitsBySu, {{2, 1}, {3, 1}}, "30"},
        EvalCase{"SubPowers", "FRM=SUB N 0 0 0 0 6 1 9 1 C 1 4", {{6, 1}, {8, 1}}, "5"},
        // With choice step 2 the value table still has an entry for every line
        // of the span: lines 1, 3, 5 read values 10, 30, 50.
        EvalCase{"SuStepIndexesByPosition", "FRM=SU N 0 0 1 1 5 1 C 1 3 10 20 30 40 50", {{3, 1}, {5, 1}}, "80"},
        EvalCase{"SueTwoItems", "FRM=SUE N 0 0 0 0 1 1 2 2 L 2 2 1 2 3 4", {{1, 2}, {2, 1}, {2, 2}}, "27"},
        EvalCase{"RsValues", "FRM=RS N 0 1 1 1 5 2 1 2 7 3 2 3 100", {{1, 1}, {2, 3}}, "105"},
        EvalCase{"RsNoEntries", "FRM=RS N 0 0 0 0", {}, "0"},
        EvalCase{"RsbBits", "FRM=RSB N 0 0 0 1 1 1 2 1 2 3 1 3", {{1, 1}, {1, 2}, {1, 3}}, "7"},
        EvalCase{"RiSingleMark", "FRM=RI N N 2 1 1 1 AA 2 1 2 BB 3 1 3 CC", {{1, 2}}, "BB"},
        EvalCase{"RiNone", "FRM=RI N N 2 1 1 1 AA 2 1 2 BB", {}, ""},
        EvalCase{"RiSeveralMarksFlag", "FRM=RI Y N 2 1 1 1 A 2 1 2 B 3 1 3 C", {{1, 2}}, "  B  "},
        // The pattern's last character is never examined; "x" cells are not read.
        EvalCase{"IdMatches", "FRM=ID 0 C 2 1001", {{1, 2}, {4, 2}}, ""},
        EvalCase{"IdSkipsOtherCharacters", "FRM=ID 0 L 1 1xx0", {{1, 1}, {1, 2}}, ""},
        // Two characters per line of 12: columns 1 to 6, then 7 to 12.
        EvalCase{"StLine", "FRM=ST 0 1 1 1 12 L 1 12", {{1, 1}, {1, 8}}, "A\x42"},
        EvalCase{"StEightChoices", "FRM=ST 0 1 1 8 1 C 1 8", {{2, 1}, {7, 1}}, "B\x41"},
        EvalCase{"StTwoItems", "FRM=ST 0 1 1 2 3 L 2 3", {{2, 3}}, "@D"},
        // Choice step 5 over 6 positions visits two choices: their character is
        // kept although 6 positions make a multiple of 6.
        EvalCase{"StStepKeepsVisitedChoices", "FRM=ST 0 1 1 1 6 L 1 2", {{1, 6}}, "B"},
        EvalCase{"FsIsEmpty", "FRM=FS 1 x 2", {{1, 1}}, ""}),
    [](const auto& info) { return info.param.name; });

TEST(FormCommandErrors, ReportTheirMessages)
{
    TsScannerData grid = MakeGrid(45, 12, {{1, 1}, {1, 2}, {3, 2}});
    struct {
        std::string line;
        std::string message;
    } cases[] = {
        {"FRM=MC N N 1 0 1 1 5 5 c 5 5 ABCDE", "Unknown orientation: c"},
        {"FRM=SU N 0 0 1 1 5 5 X 5 5 1", "Unknown orientation: X"},
        {"FRM=ST 0 1 1 1 12 l 1 12", "Unknown orientation: l"},
        {"FRM=ID 0 Q 1 11", "Unknown orientation: Q"},
        // The orientation is tested before any cell, even for an empty pattern walk.
        {"FRM=ID 0 q 999 1", "Unknown orientation: q"},
        // A region past the grid fails at its first position outside it.
        {"FRM=MC N N 1 0 44 1 47 5 L 4 5 ABCDE", "Line index out of bounds: max=45 index=46"},
        {"FRM=SU N 0 0 1 11 1 13 L 1 3 1 2 3", "Column index out of bounds: max=12 index=13"},
        {"FRM=RS N 0 1 1 1 5 2 50 1 5", "Line index out of bounds: max=45 index=50"},
        {"FRM=RI Y N 1 1 1 1 A 2 1 13 B", "Column index out of bounds: max=12 index=13"},
        {"FRM=RI N N 1 1 1 1 A 2 1 2 B", "Multiple Mark not allowed for FRM=RI N N 1 1 1 1 A 2 1 2 B"},
        {"FRM=ID 0 C 1 1101", "Id check failed at Line: 2"},
        {"FRM=ID 0 C 2 0", "(no error)"},
        {"FRM=ID 0 C 2 01", "Id check failed at Line: 1"},
        {"FRM=ID 0 L 1 1110", "Id check failed at Col: 3"},
        // Missing value items and labels are reported only for marked cells.
        {"FRM=SU N 0 0 1 1 3 2 C 2 3 0 1 2 3", "No value item for line 3 column 2 in cmd: FRM=SU N 0 0 1 1 3 2 C 2 3 0 1 2 3"},
        {"FRM=MC N N 1 0 3 1 3 5 L 1 5 A", "Label list A has no label 2 of width 1"},
        {"FRM=MC Y N 2 0 3 1 3 5 L 1 5 AAB", "Label list AAB has no label 2 of width 2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf([&] { EvaluateLine(c.line, grid); }), c.message) << c.line;
}

TEST(FormCommandErrors, GridWithoutStorageOrCells)
{
    TsScannerData empty;
    EXPECT_EQ(ErrorOf([&] { EvaluateLine(kFiveByFive, empty); }), "Line index out of bounds: max=0 index=21");
    TsScannerData countsOnly;
    countsOnly.SetLineCount(30);
    countsOnly.SetColCount(12);
    EXPECT_EQ(ErrorOf([&] { EvaluateLine(kFiveByFive, countsOnly); }), "Data not initialized");
    // Commands that read no cell do not care.
    EXPECT_EQ(EvaluateLine("FRM=IN 2 ok", empty), "ok");
}

TEST(FormCommandSums, WideBitSumsStayExact)
{
    // 63 entries, all on marked cells: 2^0 + ... + 2^62 = 2^63 - 1.
    std::string rsb = "FRM=RSB N 0 0 0";
    for (int k = 0; k < 63; ++k)
        rsb += " 0 1 1";
    EXPECT_EQ(EvaluateLine(rsb, MakeGrid(1, 12, {{1, 1}})), "9223372036854775807");
    // A 63-position SUB item with its last position marked.
    EXPECT_EQ(EvaluateLine("FRM=SUB N 0 0 0 0 1 1 1 63 L 1 63", MakeGrid(1, 63, {{1, 63}})), "4611686018427387904");
    // Values of the largest number item add up without wrapping.
    EXPECT_EQ(EvaluateLine("FRM=RS N 0 1 1 1 9999999999 2 1 2 9999999999", MakeGrid(1, 12, {{1, 1}, {1, 2}})), "4294967294");
}

TEST(FormCommandLimits, HugeWidthsFailInsteadOfExhaustingMemory)
{
    EXPECT_EQ(ErrorOf([] { EvaluateLine("FRM=MC N N 99999999 0 1 1 2 1 C 1 2 A", MakeGrid(2, 12)); }),
              "Result text exceeds the limit of 16777216 characters");
    EXPECT_EQ(ErrorOf([] { EvaluateLine("FRM=RI Y N 99999999 1 1 1 A", MakeGrid(2, 12)); }),
              "Result text exceeds the limit of 16777216 characters");
}

}  // namespace
