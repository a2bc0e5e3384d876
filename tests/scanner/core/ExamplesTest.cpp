// The sample forms and sheets under examples/forms decode as their comments say,
// through the definitions and through the fixed form.
#include "GridFixture.h"

#include "scanner/core/Form25SFields.h"
#include "scanner/core/FormInterpreter.h"
#include "scanner/core/ScannerText.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace TsScanner;
using namespace TsScannerTest;

namespace {

std::string ReadExample(const std::string& name)
{
    std::ifstream in(std::string(TS_SOURCE_DIR) + "/examples/forms/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Repeat(const std::string& piece, int times)
{
    std::string out;
    for (int k = 0; k < times; ++k)
        out += piece;
    return out;
}

// The answers A1 to An of the field table, one character each.
std::string Answers(const FormInterpreter& form, int first, int last)
{
    std::string out;
    for (int k = first; k <= last; ++k)
        out += form.GetField("A" + std::to_string(k));
    return out;
}

struct Expected {
    std::string error{};  // empty for a sheet that decodes
    std::string sid{}, version{}, quiz{}, score{}, answers{};
};

TEST(Examples, Sheets25ThroughTheDefinition)
{
    FormInterpreter form;
    form.LoadDefinition(ReadExample("sheet25.form"));
    const auto sheets = ReadSheetText(ReadExample("sheets25.txt"));
    const Expected expected[] = {
        {"", "4711000123", "B", "042", "85", Repeat("ABCDE", 5)},
        {"", "0815000042", "A", "042", "50", "EDCBAEDCBAEDCB" + std::string(11, ' ')},
        {"", std::string(10, ' '), " ", "   ", "0", std::string(25, ' ')},
        {"", "12?4567890", "?", "042", "0", "?AAAAAAAA?" + std::string(15, 'A')},
        {"Line index out of bounds: max=30 index=31"},
        {"", "4711000125", "B", "042", "0", Repeat("C", 9) + std::string(16, ' ')},
        {"Sheet line has the unknown escape \\q at column 5"},
    };
    ASSERT_EQ(sheets.size(), std::size(expected));
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        const Expected& e = expected[i];
        SCOPED_TRACE("sheet " + std::to_string(i + 1));
        if (!sheets[i].error.empty()) {
            EXPECT_EQ(sheets[i].error, e.error);
            continue;
        }
        std::string error = ErrorOf([&] { form.ProcessGrid(sheets[i].data, 12); });
        EXPECT_EQ(error, e.error.empty() ? "(no error)" : e.error);
        if (!e.error.empty())
            continue;
        EXPECT_EQ(form.GetField("SID"), e.sid);
        EXPECT_EQ(form.GetField("Version"), e.version);
        EXPECT_EQ(form.GetField("Quiz"), e.quiz);
        EXPECT_EQ(form.GetField("Score"), e.score);
        EXPECT_EQ(Answers(form, 1, 25), e.answers);
    }
}

TEST(Examples, Sheets25ThroughTheFixedForm)
{
    const auto sheets = ReadSheetText(ReadExample("sheets25.txt"));
    ASSERT_EQ(sheets.size(), 7u);
    struct {
        std::string error{}, sid{}, version{}, quiz{};
        int score = 0, last = 0;
        std::string answer1{}, answer10{};
    } expected[] = {
        {"", "4711000123", "B", "042", 85, 25, "A", "E"},
        {"", "0815000042", "A", "042", 50, 14, "E", "A"},
        {"", "", "", "", 0, 0, "", ""},
        {"", "12?4567890", "?", "042", 0, 25, "AB", "AE"},
        {"Line index out of bounds: max=30 index=31"},
        {"", "4711000125", "B", "042", 0, 9, "C", ""},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE("sheet " + std::to_string(i + 1));
        Form25SFields form;
        EXPECT_EQ(ErrorOf([&] { form.DecodeSheet(sheets[i].data); }),
                  expected[i].error.empty() ? "(no error)" : expected[i].error);
        if (!expected[i].error.empty())
            continue;
        EXPECT_EQ(form.StudentId(), expected[i].sid);
        EXPECT_EQ(form.QuizVersion(), expected[i].version);
        EXPECT_EQ(form.QuizId(), expected[i].quiz);
        EXPECT_EQ(form.SubjectiveScore(), expected[i].score);
        EXPECT_EQ(form.LastCompletedAnswer(), expected[i].last);
        EXPECT_EQ(form.Answer(1), expected[i].answer1);
        EXPECT_EQ(form.Answer(10), expected[i].answer10);
    }
}

TEST(Examples, Sheets50ThroughTheDefinition)
{
    FormInterpreter form;
    form.LoadDefinition(ReadExample("exam50.form"));
    const auto sheets = ReadSheetText(ReadExample("sheets50.txt"));
    const Expected expected[] = {
        {"", "4711000123", "E", "107", "99", Repeat("ABCDE", 5) + Repeat("EDCBA", 5)},
        {"", std::string(10, ' '), " ", "   ", "0", std::string(50, ' ')},
        {"", "?000000001", "A", "107", "0", Repeat("A", 24) + "?" + Repeat("B", 24) + "?"},
        {"Id check failed at Col: 1"},
        {"Line index out of bounds: max=30 index=31"},
    };
    ASSERT_EQ(sheets.size(), std::size(expected));
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        const Expected& e = expected[i];
        SCOPED_TRACE("sheet " + std::to_string(i + 1));
        EXPECT_EQ(ErrorOf([&] { form.ProcessGrid(sheets[i].data, 12); }), e.error.empty() ? "(no error)" : e.error);
        if (!e.error.empty())
            continue;
        EXPECT_EQ(form.GetField("SID"), e.sid);
        EXPECT_EQ(form.GetField("Version"), e.version);
        EXPECT_EQ(form.GetField("Quiz"), e.quiz);
        EXPECT_EQ(form.GetField("Score"), e.score);
        EXPECT_EQ(Answers(form, 1, 50), e.answers);
    }
    // The last good sheet's answers stay after the failing ones.
    EXPECT_EQ(form.GetField("A25"), "?");
    EXPECT_EQ(form.LastCompletedAnswer(), 50);
}

}  // namespace
