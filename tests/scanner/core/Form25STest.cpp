#include "GridFixture.h"

#include "scanner/core/Form25SFields.h"

#include <gtest/gtest.h>

#include <string>

using namespace TsScanner;
using namespace TsScannerTest;

namespace {

Form25SFields Decode(const std::vector<Cell>& marks, int lines = 45)
{
    Form25SFields form;
    form.DecodeSheet(SheetText(lines, marks));
    return form;
}

TEST(Form25S, StudentIdVersionAndQuizId)
{
    Form25SFields form = Decode({{6, 2}, {15, 3}, {7, 12}, {17, 3}, {18, 12}, {19, 5}, {19, 6}});
    EXPECT_EQ(form.StudentId(), "09        ");
    EXPECT_EQ(form.QuizVersion(), "B");
    EXPECT_EQ(form.QuizId(), "09?");

    Form25SFields none = Decode({{21, 2}});
    EXPECT_EQ(none.StudentId(), "");
    EXPECT_EQ(none.QuizVersion(), "");
    EXPECT_EQ(none.QuizId(), "");

    Form25SFields doubled = Decode({{6, 12}, {9, 12}, {6, 11}, {7, 11}});
    EXPECT_EQ(doubled.QuizVersion(), "?");
    EXPECT_EQ(doubled.StudentId(), "         ?");
}

TEST(Form25S, SubjectiveScore)
{
    struct {
        std::vector<Cell> marks;
        int score;
    } cases[] = {
        {{{21, 10}, {22, 12}, {23, 8}}, 99},
        {{{24, 12}}, 0},
        {{}, 0},
        // Several marks in one line all count; answers in columns 2 to 6 do not.
        {{{21, 8}, {21, 9}, {24, 11}, {21, 2}, {22, 6}}, 191},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Decode(c.marks).SubjectiveScore(), c.score);
}

TEST(Form25S, AnswersAndLastCompletedAnswer)
{
    Form25SFields form = Decode({{21, 2}, {21, 4}, {21, 6}, {22, 3}, {45, 2}});
    EXPECT_EQ(form.Answer(1), "ACE");
    EXPECT_EQ(form.Answer(2), "B");
    EXPECT_EQ(form.Answer(3), "");
    EXPECT_EQ(form.Answer(25), "A");
    EXPECT_EQ(form.LastCompletedAnswer(), 25);
    EXPECT_EQ(Decode({{30, 3}}).LastCompletedAnswer(), 10);
    EXPECT_EQ(Decode({}).LastCompletedAnswer(), 0);

    // Stored answers count too, blanks included.
    form.SetAnswer(25, "");
    form.SetAnswer(24, " ");
    EXPECT_EQ(form.LastCompletedAnswer(), 24);
    EXPECT_EQ(ErrorOf([&] { form.Answer(0); }), "Index 0 is not in the list's range [1 to 25].");
    EXPECT_EQ(ErrorOf([&] { form.SetAnswer(26, "A"); }), "Index 26 is not in the list's range [1 to 25].");
}

TEST(Form25S, BeforeTheFirstDecodeLikeAnUnmarkedSheet)
{
    Form25SFields form;
    EXPECT_EQ(form.SubjectiveScore(), 0);
    EXPECT_EQ(form.Answer(1), "");
    EXPECT_EQ(form.Answer(25), "");
    EXPECT_EQ(form.LastCompletedAnswer(), 0);
    EXPECT_EQ(form.StudentId(), "");
    form.SetAnswer(3, "B");
    form.SetSubjectiveScore(42);
    EXPECT_EQ(form.LastCompletedAnswer(), 3);
    EXPECT_EQ(form.SubjectiveScore(), 42);
}

TEST(Form25S, ShortSheetsFailAtTheirFirstMissingCellKeepingEarlierFields)
{
    Form25SFields form = Decode({{6, 2}, {21, 8}, {26, 2}, {41, 3}});
    ASSERT_EQ(form.Answer(21), "B");

    // 40 lines: everything up to answer 20 is replaced, answer 21 is not.
    EXPECT_EQ(ErrorOf([&] { form.DecodeSheet(SheetText(40, {{7, 2}, {22, 2}})); }),
              "Line index out of bounds: max=40 index=41");
    EXPECT_EQ(form.StudentId(), "1         ");
    EXPECT_EQ(form.SubjectiveScore(), 0);
    EXPECT_EQ(form.Answer(2), "A");
    EXPECT_EQ(form.Answer(6), "");
    EXPECT_EQ(form.Answer(21), "B");

    // 20 lines: the score is already 0 when its first line is missing.
    form.SetSubjectiveScore(77);
    EXPECT_EQ(ErrorOf([&] { form.DecodeSheet(SheetText(20)); }), "Line index out of bounds: max=20 index=21");
    EXPECT_EQ(form.SubjectiveScore(), 0);
    EXPECT_EQ(form.StudentId(), "");

    EXPECT_EQ(ErrorOf([&] { form.DecodeSheet(""); }), "Line index out of bounds: max=0 index=6");
    EXPECT_EQ(ErrorOf([&] { form.DecodeSheet("\n"); }), "Line index out of bounds: max=0 index=6");
}

}  // namespace
