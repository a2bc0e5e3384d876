#include "ScriptTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct ExpressionCase {
    const char* expression;
    const char* shown;
};

void ExpectShown(const ExpressionCase* begin, const ExpressionCase* end)
{
    for (const ExpressionCase* c = begin; c != end; ++c)
        EXPECT_EQ(Show(c->expression), c->shown) << c->expression;
}

TEST(Interpreter, OperatorsFollowVBScriptPrecedence)
{
    const ExpressionCase cases[] = {
        {"1 + 2 * 3", "7"},          {"-2 ^ 2", "-4"},           {"2 ^ -1", "0.5"},
        {"2 ^ 3 ^ 2", "64"},         {"7 Mod 4 * 2", "7"},       {"10 \\ 3 * 2", "1"},
        {"10 \\ 3 Mod 2", "1"},      {"1 + 2 & 3", "33"},        {"Not 1 = 2", "True"},
        {"True Or False And False", "True"}, {"1 < 2 = True", "True"}, {"(1 + 2) * 3", "9"},
        {"6 / 4", "1.5"},            {"-7 Mod 3", "-1"},         {"-7 \\ 2", "-3"},
        {"True Xor True", "False"},  {"5 And 3", "1"},           {"Not 0", "-1"},
    };
    ExpectShown(std::begin(cases), std::end(cases));
}

TEST(Interpreter, ValuesPrintAsVBScriptPrintsThem)
{
    const ExpressionCase cases[] = {
        {"True, False", "True False"}, {"1, Empty, 2", "1  2"}, {"Null", "Null"},
        {"1 / 3", "0.333333333333333"}, {"0.1 + 0.2", "0.3"},  {"1E20", "1E+20"},
        {"0.0001", "0.0001"},          {"0.00001", "1E-05"},   {"-1.5E-7", "-1.5E-07"},
        {"123456789012345", "123456789012345"}, {"1E15", "1E+15"}, {"&HFFFF", "-1"},
        {"\"a\" & Null & 1.5 & True", "a1.5True"}, {"2147483647 + 1", "2147483648"},
        {"-0.0", "0"},                 {"\"\"\"q\"\"\"", "\"q\""},
    };
    ExpectShown(std::begin(cases), std::end(cases));
}

TEST(Interpreter, ArithmeticPromotesLikeVBScript)
{
    const ExpressionCase cases[] = {
        {"TypeName(32767)", "Integer"},       {"TypeName(32767 + 1)", "Long"},
        {"TypeName(2147483647 + 1)", "Double"}, {"TypeName(True + True)", "Integer"},
        {"True + True", "-2"},                {"TypeName(6 / 3)", "Double"},
        {"\"1\" + 1", "2"},                   {"TypeName(\"1\" + 1)", "Double"},
        {"\"1\" + \"1\"", "11"},              {"Empty + \"x\"", "x"},
        {"TypeName(Empty + Empty)", "Integer"}, {"2.5 \\ 1", "2"},
        {"3.5 \\ 1", "4"},                    {"CLng(2.5)", "2"},
        {"CLng(-3.5)", "-4"},                 {"TypeName(Null + 1)", "Null"},
        {"TypeName(-32768 - 1)", "Long"},     {"TypeName(5 \\ 2)", "Integer"},
        {"TypeName(&H8000 And 1)", "Integer"}, {"TypeName(70000 And 1)", "Long"},
    };
    ExpectShown(std::begin(cases), std::end(cases));
}

TEST(Interpreter, Comparisons)
{
    const ExpressionCase cases[] = {
        {"\"10\" = 10", "True"},   {"\"abc\" > 5", "True"},   {"5 < \"abc\"", "True"},
        {"\"a\" < \"b\"", "True"}, {"\"a\" = \"A\"", "False"}, {"Empty = 0", "True"},
        {"Empty = \"\"", "True"},  {"Null = Null", "Null"},   {"1.5 >= 1", "True"},
        {"True = -1", "True"},     {"2147483647 < 2147483648", "True"},
    };
    ExpectShown(std::begin(cases), std::end(cases));
}

TEST(Interpreter, Builtins)
{
    const ExpressionCase cases[] = {
        {"Hex(-2147352567)", "80020009"}, {"Hex(&H80020009)", "80020009"}, {"Hex(-1)", "FFFF"},
        {"Hex(255)", "FF"},               {"Hex(65535)", "FFFF"},
        {"Hex(\"255\")", "FF"},           {"Hex(Null)", "Null"},          {"Hex(Empty)", "0"},
        {"Hex(1.5)", "2"},                {"Chr(65) & Chr(128)", "A\xE2\x82\xAC"},
        {"Len(\"abc\")", "3"},            {"Len(123)", "3"},              {"Len(Empty)", "0"},
        {"Len(Null)", "Null"},            {"Len(vbCrLf)", "2"},           {"Len(vbCr & vbLf)", "2"},
        {"Replace(\"aXbXc\", \"X\", \"-\")", "a-b-c"},
        {"Replace(\"aXbxc\", \"x\", \"-\", 1, -1, 1)", "a-b-c"},
        {"Replace(\"abcabc\", \"b\", \"\", 3)", "cac"},
        {"Replace(\"aaa\", \"a\", \"b\", 1, 2)", "bba"},
        {"Replace(\"abc\", \"\", \"x\")", "abc"},
        {"Replace(\"abc\", \"b\", \"x\", 9)", ""},
        {"AscW(ChrW(8364))", "8364"},     {"Asc(\"A\")", "65"},
        {"UCase(\"ab\") & LCase(\"CD\")", "ABcd"}, {"Mid(\"abcdef\", 2, 3)", "bcd"},
        {"Left(\"abc\", 5) & Right(\"abc\", 2)", "abcbc"}, {"InStr(\"abcabc\", \"c\")", "3"},
        {"InStr(4, \"abcabc\", \"C\", 1)", "6"}, {"Trim(\"  a \") & \"|\"", "a|"},
        {"IsEmpty(x) And IsNull(Null)", "True"}, {"IsNumeric(\"1e3\") & IsNumeric(\"x\")", "TrueFalse"},
        {"CInt(\"12\") + CDbl(\"0.5\")", "12.5"}, {"CBool(\"true\") & CStr(7)", "True7"},
    };
    for (const ExpressionCase& c : cases) {
        std::string shown = Show(c.expression);
        if (std::string(c.shown) == "<error>")
            EXPECT_EQ(shown.rfind("<error", 0), 0u) << c.expression << " -> " << shown;
        else
            EXPECT_EQ(shown, c.shown) << c.expression;
    }
}

TEST(Interpreter, VariablesNamesAndStatementSyntax)
{
    ScriptRun run = RunScriptText("DIM Total: total = 1 + _\n"
                                  "   2\n"
                                  "wscript.ECHO TOTAL, \"it's\" ' a comment\n"
                                  "Let s = \"a\" : s = s & \"b\"\n"
                                  "WScript.Echo (1) + 2, 3\n"
                                  "WScript.Echo\n"
                                  "WScript.Echo s, unset, Len(s)\n"
                                  "Set o = Nothing: WScript.Echo o Is Nothing, IsObject(o), TypeName(o)\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "3 it's\n3 3\n\nab  2\nTrue True Nothing\n");
}

TEST(Interpreter, TextIsUtf8OutsideAndUtf16Inside)
{
    ScriptRun run = RunScriptText("s = \"Grüße €\"\nWScript.Echo s, Len(s), AscW(Mid(s, 4, 1))");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Grüße € 7 223\n");
}

// An unhandled error: one line on standard error, exit status 1, the output
// before it kept and nothing after it run.
TEST(Interpreter, UnhandledErrorsPrintOneLineAndStop)
{
    struct Case {
        const char* script;
        const char* err;
    };
    const Case cases[] = {
        {"WScript.Echo 1\nx = 1 / 0\nWScript.Echo 2", "error 0x800A000B (tshost): Division by zero (line 2)\n"},
        {"x = y.Foo", "error 0x800A01A8 (tshost): Object required: 'y' (line 1)\n"},
        {"Set x = 5", "error 0x800A01A8 (tshost): Object required (line 1)\n"},
        {"Set x = Nothing\nx.Foo 1", "error 0x800A005B (tshost): Object variable not set: 'x' (line 2)\n"},
        {"Option Explicit\nDim a\na = b", "error 0x800A01F4 (tshost): Variable is undefined: 'b' (line 3)\n"},
        {"Option Explicit\nc = 1", "error 0x800A01F4 (tshost): Variable is undefined: 'c' (line 2)\n"},
        {"x = Len()", "error 0x800A01C2 (tshost): Wrong number of arguments or invalid property assignment: "
                      "'Len' (line 1)\n"},
        {"x = Hex(1, 2)", "error 0x800A01C2 (tshost): Wrong number of arguments or invalid property assignment: "
                          "'Hex' (line 1)\n"},
        {"vbCr = 1", "error 0x800A01F5 (tshost): Illegal assignment: 'vbCr' (line 1)\n"},
        {"x = CInt(40000)", "error 0x800A0006 (tshost): Overflow (line 1)\n"},
        {"x = \"a\" * 2", "error 0x800A000D (tshost): Type mismatch (line 1)\n"},
        {"x = Chr(300)", "error 0x800A0005 (tshost): Invalid procedure call or argument (line 1)\n"},
        {"x = CStr(Null)", "error 0x800A005E (tshost): Invalid use of Null (line 1)\n"},
        {"WScript.Sleep 0\nWScript.Sleep -1", "error 0x800A0005 (tshost): Invalid procedure call or argument: "
                                              "'WScript.Sleep' (line 2)\n"},
        {"Frobnicate 1", "error 0x800A000D (tshost): Type mismatch: 'Frobnicate' (line 1)\n"},
        {"WScript.Frob", "error 0x800A01B6 (tshost): Object doesn't support this property or method: "
                         "'WScript.Frob' (line 1)\n"},
        {"Err.Raise vbObjectError + 1, \"Me\", \"Boom\"", "error 0x80040001 (Me): Boom (line 1)\n"},
        {"Err.Raise 13", "error 0x800A000D (tshost): Type mismatch (line 1)\n"},
    };
    for (const Case& c : cases) {
        ScriptRun run = RunScriptText(c.script);
        EXPECT_EQ(run.status, 1) << c.script;
        EXPECT_EQ(run.err, c.err) << c.script;
    }
    ScriptRun first = RunScriptText(cases[0].script);
    EXPECT_EQ(first.out, "1\n");
}

TEST(Interpreter, SyntaxErrorIsReportedBeforeAnythingRuns)
{
    ScriptRun run = RunScriptText("WScript.Echo 1\nWScript.Echo 2\nx = (1 +\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "error 0x800A03EA (tshost): Expected expression, found end of statement (line 3, column 9)\n");
}

TEST(Interpreter, ResumeNextRecordsTheErrorAndSkipsTheStatement)
{
    ScriptRun run = RunScriptText("x = 5\n"
                                  "On Error Resume Next\n"
                                  "x = 1 / 0\n"
                                  "WScript.Echo x, Err.Number, Hex(Err.Number), Err.Source, Err.Description\n"
                                  "WScript.Echo Err\n"
                                  "Err.Clear\n"
                                  "WScript.Echo Err.Number, \"[\" & Err.Description & \"]\"\n"
                                  "Err.Raise vbObjectError + 513, \"Mine\", \"Custom\"\n"
                                  "WScript.Echo Err.Number, Hex(Err.Number), Err.Source, Err.Description\n"
                                  "y.Foo\n"
                                  "WScript.Echo Err.Number\n"
                                  "On Error GoTo 0\n"
                                  "WScript.Echo Err.Number\n"
                                  "x = 1 / 0\n"
                                  "WScript.Echo \"not reached\"\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "5 11 B tshost Division by zero\n"
                       "11\n"
                       "0 []\n"
                       "-2147220991 80040201 Mine Custom\n"
                       "424\n"
                       "0\n");
    EXPECT_EQ(run.err, "error 0x800A000B (tshost): Division by zero (line 14)\n");
}

TEST(Interpreter, ErrPropertiesCanBeWritten)
{
    ScriptRun run = RunScriptText("Err.Number = 7: Err.Description = \"d\": Err.Source = \"s\"\n"
                                  "WScript.Echo Err.Number, Err.Description, Err.Source");
    EXPECT_EQ(run.out, "7 d s\n");
}

TEST(Interpreter, QuitEndsTheScriptWithItsStatus)
{
    ScriptRun run = RunScriptText("WScript.Echo \"a\"\nOn Error Resume Next\nWScript.Quit 3\nWScript.Echo \"b\"");
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out, "a\n");
    EXPECT_EQ(RunScriptText("WScript.Quit").status, 0);
}

TEST(Interpreter, ScriptInformation)
{
    EXPECT_EQ(Show("WScript.ScriptName, WScript.ScriptFullName"), "test.vbs /tmp/test.vbs");
}

TEST(Interpreter, CreateObjectOfAnUnknownClassFails)
{
    ScriptRun run = RunScriptText("On Error Resume Next\n"
                                  "Set o = CreateObject(\"No.Such.Class\")\n"
                                  "WScript.Echo Err.Number <> 0, IsEmpty(o), InStr(Err.Description, \"No.Such.Class\") > 0");
    EXPECT_EQ(run.out, "True True True\n") << run.err;
}

} // namespace
