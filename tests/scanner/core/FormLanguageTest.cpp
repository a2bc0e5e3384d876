#include "GridFixture.h"

#include "scanner/core/CreateFormCmd.h"
#include "scanner/core/FormCommands.h"
#include "scanner/core/FormInterpreter.h"
#include "scanner/core/StrTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace TsScanner;
using namespace TsScannerTest;

namespace {

std::vector<std::string> ItemsOf(const std::string& text, const Seps& seps)
{
    StrTokenizer tokens;
    Tokenize(tokens, text, seps);
    return {tokens.Items().begin(), tokens.Items().end()};
}

TEST(Tokenizer, NonAlphanumericCharactersSeparate)
{
    const auto& seps = NonAlnumSeps::Instance();
    for (const char* line : {"FRM=MC", "FRM MC", "frm,mc", "  FRM\t#-&MC  "})
        EXPECT_EQ(ItemsOf(line, seps).size(), 2u) << line;
    EXPECT_EQ(ItemsOf("frm,mc", seps), (std::vector<std::string>{"frm", "mc"}));
    EXPECT_EQ(ItemsOf("a\xE9z-9", seps), (std::vector<std::string>{"a", "z", "9"}));
    EXPECT_TRUE(ItemsOf("", seps).empty());
    EXPECT_TRUE(ItemsOf("=- ,", seps).empty());

    PszSeps ampersand("&");
    EXPECT_EQ(ItemsOf(std::string("A=1&&B=2\0C=3&", 13), ampersand),
              (std::vector<std::string>{"A=1", "B=2", "C=3"}));
}

TEST(CreateFormCmd, RefusesBadLinesWithTheirMessages)
{
    struct {
        std::string line;
        std::string message;
    } cases[] = {
        {"XYZ=MC 1", "All form command must start with FRM=. Found: XYZ=MC 1"},
        {"   ", "All form command must start with FRM=. Found:    "},
        {"FRMX=IN 1 a", "All form command must start with FRM=. Found: FRMX=IN 1 a"},
        {"FRM", "Unrecognized form command  in line FRM"},
        {"FRM=QQ 1 2", "Unrecognized form command QQ in line FRM=QQ 1 2"},
        {"FRM=IN", "Insufficient items in cmd: FRM=IN\nFound 2 expected at least 3"},
        {"FRM=FS 1 2", "Insufficient items in cmd: FRM=FS 1 2\nFound 4 expected at least 5"},
        {"FRM=RSE Y 1 2 3", "Insufficient items in cmd: FRM=RSE Y 1 2 3\nFound 6 expected at least 7"},
        {"FRM=SU Y 0 0 1 1 5 5 C 5", "Insufficient items in cmd: FRM=SU Y 0 0 1 1 5 5 C 5\nFound 11 expected at least 12"},
        {"FRM=SUB Y 0 0 0 0 1 1 5 5 C 5", "Insufficient items in cmd: FRM=SUB Y 0 0 0 0 1 1 5 5 C 5\nFound 13 expected at least 14"},
        {"FRM=MC N N 1 0 1 1 5 5 L 5 5", "Insufficient items in cmd: FRM=MC N N 1 0 1 1 5 5 L 5 5\nFound 13 expected at least 14"},
        {"FRM=RI N N", "Insufficient items in cmd: FRM=RI N N\nFound 4 expected at least 5"},
        {"FRM=ID 0 C 1", "Insufficient items in cmd: FRM=ID 0 C 1\nFound 5 expected 6"},
        {"FRM=ST 0 1 1 1 12 L 1", "Insufficient items in cmd: FRM=ST 0 1 1 1 12 L 1\nFound 9 expected 10"},
        {"FRM=IN 4 a b c",
         "String supplied for Insert command FRM=IN 4 a b c doesn't match specified length.Specified length: 4 "
         "actual length: 5"},
        {"FRM=IN 0 x", "String supplied for Insert command FRM=IN 0 x doesn't match specified length.Specified "
                       "length: 0 actual length: 1"},
        // A region of 0 items would divide by zero in the step rule.
        {"FRM=MC N N 1 0 1 1 5 5 L 0 5 ABCDE", "Item count must be at least 1 in cmd: FRM=MC N N 1 0 1 1 5 5 L 0 5 ABCDE"},
        {"FRM=ST 0 1 1 1 12 L 0 12", "Item count must be at least 1 in cmd: FRM=ST 0 1 1 1 12 L 0 12"},
        // 2^k no longer fits 64 bits past 63 entries or positions.
        {"FRM=SUB Y 0 0 0 0 1 1 64 1 C 1 64",
         "Choice span too wide in cmd: FRM=SUB Y 0 0 0 0 1 1 64 1 C 1 64\nFound 64 positions expected at most 63"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf([&] { CreateFormCmd(c.line); }), c.message) << c.line;

    std::string rsb = "FRM=RSB N 0 0 0";
    for (int k = 0; k < 64; ++k)
        rsb += " 1 1 1";
    EXPECT_EQ(ErrorOf([&] { CreateFormCmd(rsb); }),
              "Too many cell entries in cmd: " + rsb + "\nFound 64 expected at most 63");
}

TEST(CreateFormCmd, KeywordsIgnoreCaseAndLsCreatesNothing)
{
    Ptr<TsScannerFormCmd> mc = CreateFormCmd("frm=mc n n 1 0 21 2 25 6 L 5 5 ABCDE");
    ASSERT_TRUE(mc);
    auto* choice = dynamic_cast<MultipleChoiceCmd*>(mc.Get());
    ASSERT_NE(choice, nullptr);
    EXPECT_EQ(choice->region.orientation, 'L');
    EXPECT_EQ(choice->labels, "ABCDE");
    EXPECT_EQ(choice->Line(), "frm=mc n n 1 0 21 2 25 6 L 5 5 ABCDE");

    EXPECT_FALSE(CreateFormCmd("FRM=LS"));
    EXPECT_FALSE(CreateFormCmd("frm=ls 1 2 3 whatever"));

    EXPECT_NE(dynamic_cast<StartCmd*>(CreateFormCmd("FRM=FS 7 x 9").Get()), nullptr);
    EXPECT_NE(dynamic_cast<IdCmd*>(CreateFormCmd("FRM=ID 0 C 1 101").Get()), nullptr);
    EXPECT_NE(dynamic_cast<CorvaneCmd*>(CreateFormCmd("FRM=ST 0 1 1 1 12 L 1 12").Get()), nullptr);
    EXPECT_NE(dynamic_cast<RelatedItemCmd*>(CreateFormCmd("FRM=RI N N 1 1 1 1 X").Get()), nullptr);
    EXPECT_NE(dynamic_cast<SumCmd*>(CreateFormCmd("FRM=sue Y 0 0 0 0 1 1 5 5 C 5 5").Get()), nullptr);
}

TEST(CreateFormCmd, InsertTextIsTheRawRestOfTheLine)
{
    struct {
        const char* line;
        const char* text;
    } cases[] = {
        {"FRM=IN 3 A1=", "A1="},
        {"FRM=IN 5 a b c", "a b c"},
        {"FRM=IN 0", ""},
        {"FRM=IN 0 ", ""},
        {"FRM=IN 4 &x  ", "&x  "},
        {"FRM=IN 3\t=#=", "=#="},
        // The length item "N" (0) also occurs inside the keyword; it is taken
        // where it stands.
        {"frm=in n", ""},
    };
    for (const auto& c : cases) {
        auto cmd = CreateFormCmd(c.line);
        auto* insert = dynamic_cast<InsertCmd*>(cmd.Get());
        ASSERT_NE(insert, nullptr) << c.line;
        EXPECT_EQ(insert->Evaluate(' ', '?', TsScannerData()), c.text) << c.line;
    }
}

TEST(CreateFormCmd, RepeatedGroupsTakeOnlyCompleteGroups)
{
    auto rs = CreateFormCmd("FRM=RS Y 0 1 5 2 3 9");
    auto* sum = dynamic_cast<RandomSumCmd*>(rs.Get());
    ASSERT_NE(sum, nullptr);
    ASSERT_EQ(sum->entries.size(), 1u);
    EXPECT_EQ(sum->entries[0].itemNumber, 1);
    EXPECT_EQ(sum->entries[0].line, 5);
    EXPECT_EQ(sum->entries[0].column, 2);
    EXPECT_EQ(sum->entries[0].value, 3);
    EXPECT_TRUE(sum->flag);

    auto rsb = CreateFormCmd("FRM=RSB N 0 0 0 1 1 1 2 1 2 3 1");
    EXPECT_EQ(dynamic_cast<RandomSumCmd*>(rsb.Get())->entries.size(), 2u);
    auto ri = CreateFormCmd("FRM=RI Y N 2 1 1 1 A 2 1 2 B 3 1");
    EXPECT_EQ(dynamic_cast<RelatedItemCmd*>(ri.Get())->entries.size(), 2u);
}

TEST(CreateFormCmd, NumbersAreLeadingDigitsAndSaturate)
{
    auto cmd = CreateFormCmd("FRM=ST 0 3x 0 99999999999 12 L 1 12");
    auto* st = dynamic_cast<CorvaneCmd*>(cmd.Get());
    ASSERT_NE(st, nullptr);
    EXPECT_EQ(st->region.startLine, 3);
    EXPECT_EQ(st->region.startCol, 0);
    EXPECT_EQ(st->region.endLine, 2147483647);
    // A 2^31 step cannot wrap the walk; the first cell outside the grid is reported.
    auto wide = CreateFormCmd("FRM=ST 0 1 1 1 2147483647 L 1 1");
    EXPECT_EQ(dynamic_cast<CorvaneCmd*>(wide.Get())->region.itemStep, 1);
    auto far = CreateFormCmd("FRM=MC N N 1 0 1 0 1 2147483647 C 1 1 A");
    EXPECT_EQ(dynamic_cast<MultipleChoiceCmd*>(far.Get())->region.itemStep, 2147483648LL);
    EXPECT_EQ(ErrorOf([&] { far->Evaluate(' ', '?', MakeGrid(1, 12)); }),
              "Column index out of bounds: max=12 index=0");
}

TEST(RegionSteps, FollowTheStepRule)
{
    struct {
        const char* line;
        int64_t itemStep, choiceStep;
    } cases[] = {
        {"FRM=MC N N 1 0 1 1 5 28 C 10 5 ABCDE", 3, 1},  // 27 / 10 + 1
        {"FRM=MC N N 1 0 1 1 5 6 C 2 5 ABCDE", 3, 1},    // 5 / 2 + 1
        {"FRM=MC N N 1 0 1 1 9 1 C 1 5 ABCDE", 1, 2},    // choices on every second line
        {"FRM=MC N N 1 0 1 1 3 1 C 1 5 ABCDE", 1, 1},    // quotient 0 becomes 1
        {"FRM=MC N N 1 0 9 1 1 1 C 1 1 A", 1, 1},        // one choice
        {"FRM=MC N N 1 0 1 1 5 6 x 3 5 ABCDE", 1, 1},    // unknown orientation
    };
    for (const auto& c : cases) {
        auto cmd = CreateFormCmd(c.line);
        auto* mc = dynamic_cast<MultipleChoiceCmd*>(cmd.Get());
        ASSERT_NE(mc, nullptr) << c.line;
        EXPECT_EQ(mc->region.itemStep, c.itemStep) << c.line;
        EXPECT_EQ(mc->region.choiceStep, c.choiceStep) << c.line;
    }
}

std::vector<std::string> CommandLines(const FormInterpreter& form)
{
    std::vector<std::string> lines;
    for (const auto& cmd : form.Commands())
        lines.push_back(cmd->Line());
    return lines;
}

TEST(LoadDefinition, LabelLinesWrapTheLastCommand)
{
    FormInterpreter form;
    form.LoadDefinition("FRM=FS 1 x 2\r\n\r\nFRM=MC N N 1 0 21 2 25 6 L 5 5 ABCDE\n##Q1\r## Student Id\n##A_1\n"
                        "FRM=LS\nFRM=RS N 0 0 0 0\n##Score\n## Extra\n\n");
    EXPECT_EQ(CommandLines(form),
              (std::vector<std::string>{"FRM=FS 1 x 2", "FRM=IN 3 Q1=", "FRM=MC N N 1 0 21 2 25 6 L 5 5 ABCDE",
                                        "FRM=IN 1 &", "FRM=IN 6 Score=", "FRM=RS N 0 0 0 0", "FRM=IN 6 Extra=",
                                        "FRM=IN 1 &", "FRM=IN 1 &"}));
    EXPECT_EQ(form.Evaluate(MakeGrid(25, 12, {{21, 4}})), "Q1=C    &Score=0Extra=&&");
}

TEST(LoadDefinition, FirstFailingLineEndsTheLoadKeepingEarlierCommands)
{
    FormInterpreter form;
    form.LoadDefinition("FRM=IN 1 x");
    EXPECT_EQ(ErrorOf([&] { form.LoadDefinition("FRM=IN 1 a\nFRM=IN 1 b\nFRM=MC 1\nFRM=IN 1 c"); }),
              "Insufficient items in cmd: FRM=MC 1\nFound 3 expected at least 14");
    EXPECT_EQ(CommandLines(form), (std::vector<std::string>{"FRM=IN 1 a", "FRM=IN 1 b"}));

    // A label with nothing before it to name is refused, not dropped: dropping
    // it would put every later label on the wrong command.
    EXPECT_EQ(ErrorOf([&] { form.LoadDefinition("##Title\nFRM=IN 1 a\n##A1"); }),
              "Label line ##Title has no command before it to label");
    EXPECT_TRUE(form.Commands().empty());
    EXPECT_EQ(ErrorOf([&] { form.LoadDefinition("FRM=LS\n## A1"); }),
              "Label line ## A1 has no command before it to label");
    // Comments are fine anywhere.
    EXPECT_NO_THROW(form.LoadDefinition("## Quiz sheet\n##\nFRM=IN 1 a"));
    EXPECT_EQ(form.Commands().size(), 1u);
    EXPECT_NO_THROW(form.LoadDefinition(""));
    EXPECT_TRUE(form.Commands().empty());
}

}  // namespace
