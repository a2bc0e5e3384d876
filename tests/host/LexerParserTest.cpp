#include "host/script/Lexer.h"
#include "host/script/Parser.h"
#include "host/script/SyntaxError.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

using namespace script;

namespace {

Token FirstToken(const std::string& source)
{
    return Tokenize(Utf8ToWide(source)).front();
}

TEST(Lexer, IntegerLiteralsTakeVBScriptTypes)
{
    struct Case {
        const char* source;
        int32_t value;
        bool isShort;
    };
    const Case cases[] = {
        {"32767", 32767, true},         {"32768", 32768, false},
        {"&HFFFF", -1, true},           {"&H8000", -32768, true},
        {"&h10000", 65536, false},      {"&HFFFF&", 65535, false},
        {"&H80020009", -2147352567, false}, {"&O17", 15, true},
        {"2147483647", 2147483647, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        Token t = FirstToken(c.source);
        ASSERT_EQ(t.kind, TokenKind::Integer);
        EXPECT_EQ(t.integer, c.value);
        EXPECT_EQ(t.isShortInteger, c.isShort);
    }
}

TEST(Lexer, RealsAndStrings)
{
    struct Case {
        const char* source;
        double value;
    };
    const Case reals[] = {{"2147483648", 2147483648.0}, {"1.5E3", 1500}, {".25", 0.25}, {"1e-3", 0.001}, {"2.", 2}};
    for (const Case& c : reals) {
        SCOPED_TRACE(c.source);
        Token t = FirstToken(c.source);
        ASSERT_EQ(t.kind, TokenKind::Real);
        EXPECT_DOUBLE_EQ(t.real, c.value);
    }
    Token s = FirstToken(R"("say ""hi"" ")");
    ASSERT_EQ(s.kind, TokenKind::String);
    EXPECT_EQ(s.text, u"say \"hi\" ");
}

TEST(Lexer, DotAfterNameIsMemberAccessNotANumber)
{
    std::vector<Token> tokens = Tokenize(u"x.5 = a .5");
    EXPECT_EQ(tokens[1].kind, TokenKind::Dot);
    EXPECT_EQ(tokens[2].kind, TokenKind::Integer);
    EXPECT_EQ(tokens[5].kind, TokenKind::Real);
}

TEST(Lexer, CommentsContinuationsAndSeparators)
{
    std::vector<Token> tokens = Tokenize(u"a = 1 + _\r\n  2 ' note\nRem all of this\n b = 3 : c = 4");
    std::vector<TokenKind> kinds;
    for (const Token& t : tokens)
        kinds.push_back(t.kind);
    using K = TokenKind;
    std::vector<TokenKind> expected = {K::Identifier, K::Equal, K::Integer, K::Plus, K::Integer, K::EndOfStatement,
                                       K::Identifier, K::Equal, K::Integer, K::EndOfStatement,
                                       K::Identifier, K::Equal, K::Integer, K::EndOfStatement, K::EndOfFile};
    EXPECT_EQ(kinds, expected);
    EXPECT_EQ(tokens[4].pos.line, 2); // after the continuation
    EXPECT_EQ(tokens[6].pos.line, 4);
}

TEST(Parser, SyntaxErrorsCarryTheirCodeAndPosition)
{
    struct Case {
        const char* source;
        SyntaxCode code;
        int line;
        int column;
    };
    const Case cases[] = {
        {"x = \"open", SyntaxCode::UnterminatedString, 1, 5},
        {"WScript.Echo 1\nx = ", SyntaxCode::SyntaxError, 2, 5},
        {"g.Value(1, 2", SyntaxCode::ExpectedRParen, 1, 13},
        {"x = 1 2", SyntaxCode::ExpectedEndOfStatement, 1, 7},
        {"Dim If", SyntaxCode::ExpectedIdentifier, 1, 5},
        {"On Error Resume", SyntaxCode::SyntaxError, 1, 16},
        {"On Error GoTo 1", SyntaxCode::ExpectedInteger, 1, 15},
        {"x = 1\nOption Explicit", SyntaxCode::ExpectedStatement, 2, 1},
        {"x = $", SyntaxCode::InvalidCharacter, 1, 5},
        {"x = 1E", SyntaxCode::InvalidNumber, 1, 5},
        {"x = &H123456789", SyntaxCode::InvalidNumber, 1, 5},
        {"Dim a\nDim b, A", SyntaxCode::NameRedefined, 2, 8},
        {"Set = 1", SyntaxCode::ExpectedIdentifier, 1, 5},
        {"Set x 1", SyntaxCode::ExpectedEqual, 1, 7},
        {"If x Then", SyntaxCode::ExpectedStatement, 1, 1},
        {"x = 1 + _\n\n+ 2", SyntaxCode::SyntaxError, 2, 1},
        {"Dim a(3)", SyntaxCode::SyntaxError, 1, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        try {
            Parse(Utf8ToWide(c.source));
            ADD_FAILURE() << "parsed without error";
        } catch (const SyntaxError& e) {
            EXPECT_EQ(e.Code(), c.code) << e.what();
            EXPECT_EQ(e.Pos().line, c.line) << e.what();
            EXPECT_EQ(e.Pos().column, c.column) << e.what();
        }
    }
}

// The statement forms of calls and assignments.
TEST(Parser, CallAndAssignmentShapes)
{
    Program p = Parse(u"g.Flip\n"
                      u"g.Init \"@AB@\", 12\n"
                      u"g.Init(\"x\")\n"
                      u"Call g.Flip()\n"
                      u"g.M (1) + 2, 3\n"
                      u"g.Value(1, 2) = True\n"
                      u"Set x = g\n"
                      u"f 1, , 3\n");
    ASSERT_EQ(p.statements.size(), 8u);
    auto call = [&](size_t i) -> const CallStmt& { return std::get<CallStmt>(p.statements[i].node); };
    EXPECT_TRUE(call(0).args.empty());
    EXPECT_TRUE(std::holds_alternative<MemberRef>(call(0).target->node));
    EXPECT_EQ(call(1).args.size(), 2u);
    EXPECT_EQ(call(2).args.size(), 1u);
    EXPECT_TRUE(call(3).args.empty());
    EXPECT_TRUE(std::holds_alternative<MemberRef>(call(3).target->node));
    ASSERT_EQ(call(4).args.size(), 2u);
    EXPECT_TRUE(std::holds_alternative<BinaryExpr>(call(4).args[0]->node));
    const auto& put = std::get<AssignStmt>(p.statements[5].node);
    EXPECT_FALSE(put.isSet);
    ASSERT_TRUE(std::holds_alternative<CallExpr>(put.target->node));
    EXPECT_EQ(std::get<CallExpr>(put.target->node).args.size(), 2u);
    EXPECT_TRUE(std::get<AssignStmt>(p.statements[6].node).isSet);
    ASSERT_EQ(call(7).args.size(), 3u);
    EXPECT_TRUE(std::holds_alternative<MissingArg>(call(7).args[1]->node));
}

// Nesting that would exhaust the stack is a syntax error, not a crash.
TEST(Parser, RefusesExpressionsTooDeepToEvaluate)
{
    const std::u16string deep[] = {
        std::u16string(20000, u'(') + u"1" + std::u16string(20000, u')'),
        u"x = " + std::u16string(20000, u'-') + u"1",
        u"x = Not " + [] { std::u16string s; for (int i = 0; i < 10000; ++i) s += u"Not "; return s; }() + u"1",
        u"x = 1" + [] { std::u16string s; for (int i = 0; i < 20000; ++i) s += u" + 1"; return s; }(),
        u"x = a" + [] { std::u16string s; for (int i = 0; i < 20000; ++i) s += u".b"; return s; }(),
    };
    for (const std::u16string& source : deep)
        EXPECT_THROW(Parse(u"x = " + source), SyntaxError);
    EXPECT_NO_THROW(Parse(u"x = " + std::u16string(100, u'(') + u"1" + std::u16string(100, u')')));
}

TEST(Parser, DeclarationsAreCollectedForOptionExplicit)
{
    Program p = Parse(u"' heading\nOPTION EXPLICIT\nx = 1\nDim X, y");
    EXPECT_TRUE(p.optionExplicit);
    EXPECT_EQ(p.declared, (std::vector<std::u16string>{u"x", u"y"}));
}

} // namespace
