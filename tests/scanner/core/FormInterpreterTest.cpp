#include "GridFixture.h"

#include "scanner/core/FormInterpreter.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace TsScanner;
using namespace TsScannerTest;

namespace {

const char* kOneQuestion = "FRM=MC N N 1 0 1 1 5 5 L 1 5 ABCDE\n##A1";

std::map<std::string, std::string> TableOf(const FormInterpreter& form)
{
    return {form.Fields().Entries().begin(), form.Fields().Entries().end()};
}

TEST(FormInterpreter, OneLabelledQuestion)
{
    FormInterpreter form;
    form.LoadDefinition(kOneQuestion);
    EXPECT_EQ(form.ProcessGrid(SheetText(5, {{1, 3}}), 12), "A1=C&");
    EXPECT_EQ(form.GetField("a1"), "C");
    EXPECT_EQ(form.LastCompletedAnswer(), 1);
    // Other lines of the sheet are outside the item.
    EXPECT_EQ(form.ProcessGrid(SheetText(5, {{2, 1}}), 12), "A1= &");
    EXPECT_EQ(form.GetField("A1"), " ");
    EXPECT_EQ(form.LastCompletedAnswer(), 0);
    EXPECT_EQ(form.GetField("nothing"), "");
}

TEST(FormInterpreter, BeforeAnyDefinitionEverythingIsEmpty)
{
    FormInterpreter form;
    EXPECT_EQ(form.ProcessGrid(SheetText(3), 12), "");
    EXPECT_EQ(form.ProcessGrid("", 12), "");
    EXPECT_EQ(form.LastCompletedAnswer(), 0);
    EXPECT_EQ(form.Fields().Size(), 0u);
}

TEST(FieldTable, PiecesFollowTheRule)
{
    FieldTable table;
    table.Apply("X=1=2&&A1=B&A1=C&loose&=v&k=&ab=1&AB=2");
    EXPECT_EQ(table.Get("X=1"), "2");
    EXPECT_EQ(table.Get("A1"), "C");
    EXPECT_EQ(table.Get(""), "v");
    EXPECT_EQ(table.Get("K"), "");
    EXPECT_NE(table.Find("k"), nullptr);
    EXPECT_EQ(table.Find("loose"), nullptr);
    // One entry per key whatever its case, named as first seen.
    ASSERT_NE(table.Entries().find("AB"), table.Entries().end());
    EXPECT_EQ(table.Entries().find("AB")->first, "ab");
    EXPECT_EQ(table.Get("Ab"), "2");
    EXPECT_EQ(table.Size(), 5u);

    const auto pieces = FieldTable::Pieces("Q=1&R&=&S=x=y");
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0], FieldTable::Piece("Q", "1"));
    EXPECT_EQ(pieces[1], FieldTable::Piece("", ""));
    EXPECT_EQ(pieces[2], FieldTable::Piece("S=x", "y"));
}

TEST(FieldTable, LastCompletedAnswer)
{
    struct {
        const char* result;
        int expected;
    } cases[] = {
        {"", 0},
        {"A12=B&a3=C&Answer=D", 12},
        {"A12= \t\r\n&a3=C", 3},       // a blank value does not count
        {"B30=A&Q9=A", 0},             // only keys starting with a or A
        {"A 7=x&A-5=x&A+2=x", 7},      // white space and sign, as the C library reads
        {"A9x=x&Ax9=x", 9},            // conversion stops at the first non-digit
        {"A99999999999=x", 2147483647},
        {"Answer=x", 0},
    };
    for (const auto& c : cases) {
        FieldTable table;
        table.Apply(c.result);
        EXPECT_EQ(table.LastCompletedAnswer(), c.expected) << c.result;
    }
}

TEST(FormInterpreter, FieldsSurviveLaterSheetsAndDefinitions)
{
    FormInterpreter form;
    std::string definition;
    for (int k = 1; k <= 25; ++k)
        definition += "FRM=MC N N 1 0 " + std::to_string(20 + k) + " 2 " + std::to_string(20 + k) +
                      " 6 L 1 5 ABCDE\n##A" + std::to_string(k) + "\n";
    form.LoadDefinition(definition);
    form.ProcessGrid(SheetText(45, {{21, 2}, {45, 6}}), 12);
    EXPECT_EQ(form.GetField("A25"), "E");
    EXPECT_EQ(form.LastCompletedAnswer(), 25);

    form.LoadDefinition("FRM=MC N N 1 0 21 2 21 6 L 1 5 ABCDE\n##A1");
    EXPECT_EQ(form.GetField("A25"), "E");
    EXPECT_EQ(form.ProcessGrid(SheetText(21, {{21, 3}}), 12), "A1=B&");
    EXPECT_EQ(form.GetField("A1"), "B");
    EXPECT_EQ(form.GetField("A25"), "E");
    EXPECT_EQ(form.LastCompletedAnswer(), 25);
}

TEST(FormInterpreter, FailingSheetChangesNothing)
{
    FormInterpreter form;
    form.LoadDefinition("FRM=RS N 0 1 1 1 5\n##Total\nFRM=MC N N 1 0 1 1 5 5 L 1 5 ABCDE\n##A1\n"
                        "FRM=MC N N 1 0 9 1 9 5 L 1 5 ABCDE\n##A2");
    form.ProcessGrid(SheetText(9, {{1, 2}, {9, 1}}), 12);
    const auto before = TableOf(form);
    EXPECT_EQ(before, (std::map<std::string, std::string>{{"A1", "B"}, {"A2", "A"}, {"Total", "0"}}));

    // Only 5 lines: the second question reads line 9 and fails after the first
    // succeeded, and the field table is as it was.
    EXPECT_EQ(ErrorOf([&] { form.ProcessGrid(SheetText(5, {{1, 5}}), 12); }),
              "Line index out of bounds: max=5 index=9");
    EXPECT_EQ(TableOf(form), before);
    EXPECT_EQ(ErrorOf([&] { form.ProcessGrid(SheetText(9), -12); }), "Invalid column count: -12");
    EXPECT_EQ(TableOf(form), before);
}

TEST(FormInterpreter, AnalyzeScanFormData)
{
    FormInterpreter form;
    form.LoadDefinition(kOneQuestion);
    form.ProcessGrid(SheetText(5, {{1, 1}}), 12);

    EXPECT_EQ(ErrorOf([&] { form.AnalyzeScanFormData("MC=1\n##A1", SheetText(5, {{1, 5}}), 12); }),
              "All form command must start with FRM=. Found: MC=1");
    EXPECT_TRUE(form.Commands().empty());
    EXPECT_EQ(form.GetField("A1"), "A");

    EXPECT_EQ(form.AnalyzeScanFormData(kOneQuestion, SheetText(5, {{1, 5}}), 12), "A1=E&");
    EXPECT_EQ(form.GetField("A1"), "E");
}

TEST(FormInterpreter, OneDefinitionServesManySheets)
{
    FormInterpreter form;
    form.LoadDefinition("FRM=MC N N 1 0 1 1 3 3 L 3 3 XYZ\n##Row");
    for (int k = 0; k < 3; ++k) {
        std::string want = "   ";
        want[static_cast<std::size_t>(k)] = static_cast<char>('X' + k);
        EXPECT_EQ(form.ProcessGrid(SheetText(3, {{k + 1, k + 1}}), 12), "Row=" + want + "&");
    }
}

}  // namespace
