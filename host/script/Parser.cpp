#include "host/script/Parser.h"

#include "host/script/Lexer.h"
#include "host/script/SyntaxError.h"

#include <algorithm>
#include <array>

namespace script {
namespace {

// Words that cannot name a variable. Control-flow words are reserved now so
// that scripts written today keep their meaning when those statements come.
constexpr std::array<std::u16string_view, 47> kReserved = {
    u"and",    u"byref",   u"byval",  u"call",    u"case",   u"class",  u"const", u"dim",      u"do",
    u"each",   u"else",    u"elseif", u"empty",   u"end",    u"eqv",    u"exit",  u"false",    u"for",
    u"function", u"get",   u"goto",   u"if",      u"imp",    u"in",     u"is",    u"let",      u"loop",
    u"mod",    u"new",     u"next",   u"not",     u"nothing", u"null",  u"on",    u"option",   u"or",
    u"preserve", u"private", u"public", u"redim", u"select", u"set",    u"sub",   u"then",     u"true",
    u"wend",   u"while",
};

bool IsReserved(std::u16string_view name)
{
    std::u16string folded = FoldCase(name);
    return std::find(kReserved.begin(), kReserved.end(), folded) != kReserved.end();
}

class Parser {
public:
    explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

    Program Run()
    {
        Program program;
        SkipStatementEnds();
        while (Peek().kind != TokenKind::EndOfFile) {
            if (IsWord(Peek(), u"option")) {
                ParseOption(program);
            } else {
                seenStatement_ = true;
                program.statements.push_back(ParseStatement(program));
            }
            ExpectStatementEnd();
            SkipStatementEnds();
        }
        return program;
    }

private:
    const Token& Peek(size_t ahead = 0) const { return tokens_[std::min(index_ + ahead, tokens_.size() - 1)]; }
    const Token& Next() { return tokens_[index_ < tokens_.size() - 1 ? index_++ : index_]; }
    bool At(TokenKind kind) const { return Peek().kind == kind; }
    bool AtStatementEnd() const { return At(TokenKind::EndOfStatement) || At(TokenKind::EndOfFile); }

    static bool IsWord(const Token& t, std::u16string_view word)
    {
        return t.kind == TokenKind::Identifier && EqualsNoCase(t.text, word);
    }
    bool AcceptWord(std::u16string_view word)
    {
        if (!IsWord(Peek(), word))
            return false;
        ++index_;
        return true;
    }
    bool Accept(TokenKind kind)
    {
        if (!At(kind))
            return false;
        ++index_;
        return true;
    }

    [[noreturn]] void Fail(SyntaxCode code, const std::string& message) const
    {
        throw SyntaxError(code, Peek().pos, message);
    }
    [[noreturn]] void Unexpected(SyntaxCode code, const std::string& expected) const
    {
        Fail(code, expected + ", found " + DescribeToken(Peek()));
    }

    void Expect(TokenKind kind, SyntaxCode code, const std::string& expected)
    {
        if (!Accept(kind))
            Unexpected(code, expected);
    }
    void ExpectWord(std::u16string_view word, const std::string& expected)
    {
        if (!AcceptWord(word))
            Unexpected(SyntaxCode::SyntaxError, expected);
    }
    void ExpectStatementEnd()
    {
        if (!AtStatementEnd())
            Unexpected(SyntaxCode::ExpectedEndOfStatement, "Expected end of statement");
    }
    void SkipStatementEnds()
    {
        while (Accept(TokenKind::EndOfStatement)) {
        }
    }

    // A name that may be declared or assigned.
    std::u16string ExpectVariableName()
    {
        if (!At(TokenKind::Identifier) || IsReserved(Peek().text))
            Unexpected(SyntaxCode::ExpectedIdentifier, "Expected identifier");
        return Next().text;
    }

    void ParseOption(Program& program)
    {
        if (seenStatement_)
            Fail(SyntaxCode::ExpectedStatement, "Option Explicit must come before any other statement");
        ++index_;
        ExpectWord(u"explicit", "Expected 'Explicit'");
        program.optionExplicit = true;
    }

    Stmt ParseStatement(Program& program)
    {
        Stmt stmt;
        stmt.pos = Peek().pos;
        if (!At(TokenKind::Identifier))
            Unexpected(SyntaxCode::ExpectedStatement, "Expected statement");
        if (AcceptWord(u"dim")) {
            stmt.node = ParseDim(program);
        } else if (AcceptWord(u"on")) {
            stmt.node = ParseOnError();
        } else if (AcceptWord(u"set")) {
            stmt.node = ParseAssignment(true);
        } else if (AcceptWord(u"let")) {
            stmt.node = ParseAssignment(false);
        } else if (AcceptWord(u"call")) {
            stmt.node = ParseCallStatement();
        } else if (IsReserved(Peek().text)) {
            Unexpected(SyntaxCode::ExpectedStatement, "Expected statement");
        } else {
            stmt.node = ParseAssignmentOrCall();
        }
        return stmt;
    }

    DimStmt ParseDim(Program& program)
    {
        DimStmt dim;
        do {
            SourcePos at = Peek().pos;
            std::u16string name = ExpectVariableName();
            if (At(TokenKind::LParen))
                Fail(SyntaxCode::SyntaxError, "Arrays are not supported");
            std::u16string folded = FoldCase(name);
            if (std::find(program.declared.begin(), program.declared.end(), folded) != program.declared.end())
                throw SyntaxError(SyntaxCode::NameRedefined, at, "Name redefined");
            program.declared.push_back(folded);
            dim.names.push_back(std::move(name));
        } while (Accept(TokenKind::Comma));
        return dim;
    }

    OnErrorStmt ParseOnError()
    {
        ExpectWord(u"error", "Expected 'Error'");
        if (AcceptWord(u"resume")) {
            ExpectWord(u"next", "Expected 'Next'");
            return {true};
        }
        ExpectWord(u"goto", "Expected 'Resume' or 'GoTo'");
        if (!At(TokenKind::Integer) || Peek().integer != 0)
            Unexpected(SyntaxCode::ExpectedInteger, "Expected '0'");
        ++index_;
        return {false};
    }

    AssignStmt ParseAssignment(bool isSet)
    {
        ExprPtr target = ParseReference();
        Expect(TokenKind::Equal, SyntaxCode::ExpectedEqual, "Expected '='");
        return AssignStmt{std::move(target), ParseExpression(), isSet};
    }

    CallStmt ParseCallStatement()
    {
        ExprPtr target = ParseReference();
        return SplitCall(std::move(target));
    }

    // A call's target and its argument list, from `obj.M(args)` or `obj.M`.
    static CallStmt SplitCall(ExprPtr target)
    {
        CallStmt call;
        if (auto* c = std::get_if<CallExpr>(&target->node)) {
            call.target = std::move(c->callee);
            call.args = std::move(c->args);
        } else {
            call.target = std::move(target);
        }
        return call;
    }

    // Statements that start with a name: `x = 1`, `g.Value(1, 2) = True`,
    // `g.Flip`, `g.Init "@AB@", 12`, `g.Init("@AB@")`, `g.Init (1) + 2, 3`.
    std::variant<AssignStmt, CallStmt, DimStmt, OnErrorStmt> ParseAssignmentOrCall()
    {
        size_t lastParen = 0;
        ExprPtr target = ParseReference(&lastParen);
        if (Accept(TokenKind::Equal))
            return AssignStmt{std::move(target), ParseExpression(), false};
        if (AtStatementEnd())
            return SplitCall(std::move(target));
        // Arguments without parentheses. When the reference ended in a
        // parenthesised list, that list was really the start of the first
        // argument (`M (1) + 2, 3`): read the arguments again from there.
        if (auto* c = std::get_if<CallExpr>(&target->node); c && lastParen != 0) {
            ExprPtr callee = std::move(c->callee);
            target = std::move(callee);
            index_ = lastParen;
        }
        CallStmt call;
        call.target = std::move(target);
        call.args = ParseArgumentList(/*parenthesised=*/false);
        return call;
    }

    // name { .member | (arguments) }. `lastParen` receives the token index of
    // the '(' of a final argument list (0 when the reference does not end in one).
    ExprPtr ParseReference(size_t* lastParen = nullptr)
    {
        SourcePos at = Peek().pos;
        std::u16string name = ExpectVariableName();
        ExprPtr expr = Make(at, NameRef{std::move(name)});
        return ParsePostfix(std::move(expr), lastParen);
    }

    ExprPtr ParsePostfix(ExprPtr expr, size_t* lastParen = nullptr)
    {
        for (;;) {
            if (lastParen)
                *lastParen = 0;
            SourcePos at = Peek().pos;
            if (Accept(TokenKind::Dot)) {
                if (!At(TokenKind::Identifier))
                    Unexpected(SyntaxCode::ExpectedIdentifier, "Expected identifier");
                expr = Make(at, MemberRef{std::move(expr), Next().text});
            } else if (At(TokenKind::LParen)) {
                size_t open = index_;
                ++index_;
                std::vector<ExprPtr> args = ParseArgumentList(/*parenthesised=*/true);
                Expect(TokenKind::RParen, SyntaxCode::ExpectedRParen, "Expected ')'");
                expr = Make(at, CallExpr{std::move(expr), std::move(args)});
                if (lastParen) {
                    if (!At(TokenKind::Dot) && !At(TokenKind::LParen)) {
                        *lastParen = open;
                        return expr;
                    }
                }
            } else {
                return expr;
            }
        }
    }

    // Comma-separated arguments, any of which may be left out. Inside
    // parentheses `()` is no argument at all; without them the list ends at
    // the end of the statement.
    std::vector<ExprPtr> ParseArgumentList(bool parenthesised)
    {
        std::vector<ExprPtr> args;
        auto atListEnd = [&] { return parenthesised ? At(TokenKind::RParen) : AtStatementEnd(); };
        if (atListEnd())
            return args;
        for (;;) {
            SourcePos at = Peek().pos;
            if (At(TokenKind::Comma) || atListEnd())
                args.push_back(Make(at, MissingArg{}));
            else
                args.push_back(ParseExpression());
            if (!Accept(TokenKind::Comma))
                return args;
        }
    }

    // Precedence, lowest first: Imp, Eqv, Xor, Or, And, Not, comparisons,
    // &, + -, Mod, \, * /, unary - +, ^.
    ExprPtr ParseExpression()
    {
        NestingGuard guard(*this);
        return ParseImp();
    }

    // Deeply nested or very long expressions would exhaust the stack of the
    // parser, the evaluator or the tree's destructor: they are refused here.
    static constexpr int kMaxNesting = 600;
    static constexpr int kMaxTreeDepth = 1000;

    struct NestingGuard {
        explicit NestingGuard(Parser& p) : parser(p)
        {
            if (++parser.nesting_ > kMaxNesting)
                parser.Fail(SyntaxCode::SyntaxError, "Expression too deeply nested");
        }
        ~NestingGuard() { --parser.nesting_; }
        Parser& parser;
    };

    // Every node is built here, so no tree ever grows deeper than the limit.
    template <typename Node>
    static ExprPtr Make(SourcePos pos, Node node)
    {
        ExprPtr e = MakeExpr(pos, std::move(node));
        if (e->depth > kMaxTreeDepth)
            throw SyntaxError(SyntaxCode::SyntaxError, pos, "Expression too complex");
        return e;
    }

    template <typename Operand>
    ExprPtr ParseLeftAssociative(Operand operand, std::initializer_list<std::pair<std::u16string_view, BinaryOp>> words)
    {
        ExprPtr left = (this->*operand)();
        for (;;) {
            SourcePos at = Peek().pos;
            const std::pair<std::u16string_view, BinaryOp>* match = nullptr;
            for (const auto& w : words)
                if (IsWord(Peek(), w.first))
                    match = &w;
            if (!match)
                return left;
            ++index_;
            ExprPtr right = (this->*operand)();
            left = Make(at, BinaryExpr{match->second, std::move(left), std::move(right)});
        }
    }

    ExprPtr ParseImp() { return ParseLeftAssociative(&Parser::ParseEqv, {{u"imp", BinaryOp::Imp}}); }
    ExprPtr ParseEqv() { return ParseLeftAssociative(&Parser::ParseXor, {{u"eqv", BinaryOp::Eqv}}); }
    ExprPtr ParseXor() { return ParseLeftAssociative(&Parser::ParseOr, {{u"xor", BinaryOp::Xor}}); }
    ExprPtr ParseOr() { return ParseLeftAssociative(&Parser::ParseAnd, {{u"or", BinaryOp::Or}}); }
    ExprPtr ParseAnd() { return ParseLeftAssociative(&Parser::ParseNot, {{u"and", BinaryOp::And}}); }

    ExprPtr ParseNot()
    {
        NestingGuard guard(*this);
        SourcePos at = Peek().pos;
        if (AcceptWord(u"not"))
            return Make(at, UnaryExpr{UnaryOp::Not, ParseNot()});
        return ParseComparison();
    }

    ExprPtr ParseComparison()
    {
        ExprPtr left = ParseConcatenation();
        for (;;) {
            SourcePos at = Peek().pos;
            BinaryOp op;
            switch (Peek().kind) {
            case TokenKind::Equal: op = BinaryOp::Equal; break;
            case TokenKind::NotEqual: op = BinaryOp::NotEqual; break;
            case TokenKind::Less: op = BinaryOp::Less; break;
            case TokenKind::Greater: op = BinaryOp::Greater; break;
            case TokenKind::LessEqual: op = BinaryOp::LessEqual; break;
            case TokenKind::GreaterEqual: op = BinaryOp::GreaterEqual; break;
            default:
                if (!IsWord(Peek(), u"is"))
                    return left;
                op = BinaryOp::Is;
            }
            ++index_;
            left = Make(at, BinaryExpr{op, std::move(left), ParseConcatenation()});
        }
    }

    ExprPtr ParseSymbolic(ExprPtr (Parser::*operand)(), std::initializer_list<std::pair<TokenKind, BinaryOp>> ops)
    {
        ExprPtr left = (this->*operand)();
        for (;;) {
            SourcePos at = Peek().pos;
            const std::pair<TokenKind, BinaryOp>* match = nullptr;
            for (const auto& o : ops)
                if (At(o.first))
                    match = &o;
            if (!match)
                return left;
            ++index_;
            ExprPtr right = (this->*operand)();
            left = Make(at, BinaryExpr{match->second, std::move(left), std::move(right)});
        }
    }

    ExprPtr ParseConcatenation()
    {
        return ParseSymbolic(&Parser::ParseAdditive, {{TokenKind::Ampersand, BinaryOp::Concatenate}});
    }
    ExprPtr ParseAdditive()
    {
        return ParseSymbolic(&Parser::ParseModulo,
                             {{TokenKind::Plus, BinaryOp::Add}, {TokenKind::Minus, BinaryOp::Subtract}});
    }
    ExprPtr ParseModulo() { return ParseLeftAssociative(&Parser::ParseIntegerDivision, {{u"mod", BinaryOp::Modulo}}); }
    ExprPtr ParseIntegerDivision()
    {
        return ParseSymbolic(&Parser::ParseMultiplicative, {{TokenKind::Backslash, BinaryOp::IntegerDivide}});
    }
    ExprPtr ParseMultiplicative()
    {
        return ParseSymbolic(&Parser::ParseUnary,
                             {{TokenKind::Star, BinaryOp::Multiply}, {TokenKind::Slash, BinaryOp::Divide}});
    }

    // Unary minus binds less tightly than ^: -2^2 is -4, 2^-1 is 0.5.
    ExprPtr ParseUnary()
    {
        NestingGuard guard(*this);
        SourcePos at = Peek().pos;
        if (Accept(TokenKind::Minus))
            return Make(at, UnaryExpr{UnaryOp::Negate, ParseUnary()});
        if (Accept(TokenKind::Plus))
            return Make(at, UnaryExpr{UnaryOp::Identity, ParseUnary()});
        return ParsePower();
    }

    ExprPtr ParsePower()
    {
        ExprPtr left = ParsePrimary();
        for (;;) {
            SourcePos at = Peek().pos;
            if (!Accept(TokenKind::Caret))
                return left;
            left = Make(at, BinaryExpr{BinaryOp::Power, std::move(left), ParsePowerOperand()});
        }
    }
    ExprPtr ParsePowerOperand()
    {
        NestingGuard guard(*this);
        SourcePos at = Peek().pos;
        if (Accept(TokenKind::Minus))
            return Make(at, UnaryExpr{UnaryOp::Negate, ParsePowerOperand()});
        if (Accept(TokenKind::Plus))
            return Make(at, UnaryExpr{UnaryOp::Identity, ParsePowerOperand()});
        return ParsePrimary();
    }

    ExprPtr ParsePrimary()
    {
        const Token& t = Peek();
        SourcePos at = t.pos;
        switch (t.kind) {
        case TokenKind::Integer:
            ++index_;
            return Make(at, Literal{IntegerLiteral{t.integer, t.isShortInteger}});
        case TokenKind::Real:
            ++index_;
            return Make(at, Literal{t.real});
        case TokenKind::String:
            ++index_;
            return Make(at, Literal{t.text});
        case TokenKind::LParen: {
            ++index_;
            ExprPtr inner = ParseExpression();
            Expect(TokenKind::RParen, SyntaxCode::ExpectedRParen, "Expected ')'");
            return ParsePostfix(std::move(inner));
        }
        case TokenKind::Identifier: break;
        default: Unexpected(SyntaxCode::SyntaxError, "Expected expression");
        }
        if (AcceptWord(u"true"))
            return Make(at, Literal{true});
        if (AcceptWord(u"false"))
            return Make(at, Literal{false});
        if (AcceptWord(u"empty"))
            return Make(at, Literal{EmptyLiteral{}});
        if (AcceptWord(u"null"))
            return Make(at, Literal{NullLiteral{}});
        if (AcceptWord(u"nothing"))
            return Make(at, Literal{NothingLiteral{}});
        if (IsReserved(t.text))
            Unexpected(SyntaxCode::SyntaxError, "Expected expression");
        return ParseReference();
    }

    std::vector<Token> tokens_;
    size_t index_ = 0;
    int nesting_ = 0;
    bool seenStatement_ = false;
};

} // namespace

Program Parse(std::u16string_view source)
{
    return Parser(Tokenize(source)).Run();
}

} // namespace script
