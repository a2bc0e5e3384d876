#include "host/script/Lexer.h"

#include "host/script/SyntaxError.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace script {

std::u16string FoldCase(std::u16string_view name)
{
    std::u16string folded(name);
    for (char16_t& c : folded)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return folded;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x - u'A' + u'a');
        if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y - u'A' + u'a');
        if (x != y)
            return false;
    }
    return true;
}

std::string DescribeToken(const Token& token)
{
    switch (token.kind) {
    case TokenKind::Identifier: {
        std::string name;
        for (char16_t c : token.text)
            name += static_cast<char>(c); // identifiers are ASCII
        return "'" + name + "'";
    }
    case TokenKind::Integer:
    case TokenKind::Real: return "number";
    case TokenKind::String: return "string";
    case TokenKind::EndOfStatement: return "end of statement";
    case TokenKind::EndOfFile: return "end of script";
    default: break;
    }
    static const char* const symbols[] = {"(", ")", ",", ".", "=", "<>", "<", ">", "<=", ">=",
                                          "+", "-", "*", "/", "\\", "^", "&"};
    int index = static_cast<int>(token.kind) - static_cast<int>(TokenKind::LParen);
    return std::string("'") + symbols[index] + "'";
}

namespace {

bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsIdentifierChar(char16_t c) { return IsLetter(c) || IsDigit(c) || c == u'_'; }
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == 0xA0 || c == 0xFEFF; }
bool IsLineBreak(char16_t c) { return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029; }

int HexValue(char16_t c)
{
    if (IsDigit(c)) return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

class Lexer {
public:
    explicit Lexer(std::u16string_view source) : src_(source) {}

    std::vector<Token> Run()
    {
        while (pos_ < src_.size()) {
            char16_t c = src_[pos_];
            if (IsBlank(c)) {
                Advance(1);
            } else if (IsLineBreak(c)) {
                EndLine();
            } else if (c == u'\'') {
                SkipComment();
            } else if (c == u':') {
                Emit(TokenKind::EndOfStatement, Here());
                Advance(1);
            } else if (c == u'_' && IsContinuation()) {
                continue;
            } else if (IsLetter(c)) {
                ReadIdentifier();
            } else if (c == u'[') {
                ReadBracketedIdentifier();
            } else if (IsDigit(c) || (c == u'.' && NextIsDigit() && !FollowsOperand())) {
                ReadDecimal();
            } else if (c == u'&' && pos_ + 1 < src_.size() && (src_[pos_ + 1] == u'H' || src_[pos_ + 1] == u'h' ||
                                                              src_[pos_ + 1] == u'O' || src_[pos_ + 1] == u'o')) {
                ReadRadixInteger();
            } else if (c == u'"') {
                ReadString();
            } else {
                ReadOperator();
            }
        }
        Emit(TokenKind::EndOfStatement, Here());
        Emit(TokenKind::EndOfFile, Here());
        return std::move(tokens_);
    }

private:
    SourcePos Here() const { return {line_, column_}; }

    void Advance(size_t count)
    {
        pos_ += count;
        column_ += static_cast<int>(count);
    }

    void EndLine()
    {
        Emit(TokenKind::EndOfStatement, Here());
        if (src_[pos_] == u'\r' && pos_ + 1 < src_.size() && src_[pos_ + 1] == u'\n')
            ++pos_;
        ++pos_;
        ++line_;
        column_ = 1;
    }

    void SkipComment()
    {
        while (pos_ < src_.size() && !IsLineBreak(src_[pos_]))
            Advance(1);
    }

    // `_` after a blank (or at line start) and before the end of the line joins
    // the next line to this one.
    bool IsContinuation()
    {
        if (pos_ > 0 && !IsBlank(src_[pos_ - 1]) && !IsLineBreak(src_[pos_ - 1]))
            return false;
        size_t p = pos_ + 1;
        while (p < src_.size() && IsBlank(src_[p]))
            ++p;
        if (p < src_.size() && !IsLineBreak(src_[p]))
            return false;
        if (p < src_.size()) {
            if (src_[p] == u'\r' && p + 1 < src_.size() && src_[p + 1] == u'\n')
                ++p;
            ++p;
        }
        pos_ = p;
        ++line_;
        column_ = 1;
        return true;
    }

    bool NextIsDigit() const { return pos_ + 1 < src_.size() && IsDigit(src_[pos_ + 1]); }

    // A '.' right after a name or ')' is member access, not the start of a number.
    bool FollowsOperand() const
    {
        if (tokens_.empty() || pos_ == 0 || IsBlank(src_[pos_ - 1]))
            return false;
        TokenKind last = tokens_.back().kind;
        return last == TokenKind::Identifier || last == TokenKind::RParen;
    }

    Token& Emit(TokenKind kind, SourcePos at)
    {
        // Runs of line breaks and ':' collapse into one statement end.
        if (kind == TokenKind::EndOfStatement && !tokens_.empty() && tokens_.back().kind == TokenKind::EndOfStatement)
            return tokens_.back();
        Token t;
        t.kind = kind;
        t.pos = at;
        tokens_.push_back(std::move(t));
        return tokens_.back();
    }

    [[noreturn]] void Fail(SyntaxCode code, SourcePos at, const std::string& message)
    {
        throw SyntaxError(code, at, message);
    }

    void ReadIdentifier()
    {
        SourcePos at = Here();
        size_t start = pos_;
        while (pos_ < src_.size() && IsIdentifierChar(src_[pos_]))
            Advance(1);
        std::u16string_view name = src_.substr(start, pos_ - start);
        // `Rem` at the start of a statement comments out the rest of the line.
        if (EqualsNoCase(name, u"rem") && (tokens_.empty() || tokens_.back().kind == TokenKind::EndOfStatement)) {
            SkipComment();
            return;
        }
        Emit(TokenKind::Identifier, at).text = name;
    }

    void ReadBracketedIdentifier()
    {
        SourcePos at = Here();
        size_t close = src_.find(u']', pos_);
        size_t lineEnd = pos_;
        while (lineEnd < src_.size() && !IsLineBreak(src_[lineEnd]))
            ++lineEnd;
        if (close == std::u16string_view::npos || close > lineEnd)
            Fail(SyntaxCode::ExpectedIdentifier, at, "Expected ']'");
        std::u16string_view name = src_.substr(pos_ + 1, close - pos_ - 1);
        Advance(close + 1 - pos_);
        Emit(TokenKind::Identifier, at).text = name;
    }

    void ReadDecimal()
    {
        SourcePos at = Here();
        size_t start = pos_;
        bool real = false;
        while (pos_ < src_.size() && IsDigit(src_[pos_]))
            Advance(1);
        if (pos_ < src_.size() && src_[pos_] == u'.') {
            real = true;
            Advance(1);
            while (pos_ < src_.size() && IsDigit(src_[pos_]))
                Advance(1);
        }
        if (pos_ < src_.size() && (src_[pos_] == u'e' || src_[pos_] == u'E')) {
            real = true;
            Advance(1);
            if (pos_ < src_.size() && (src_[pos_] == u'+' || src_[pos_] == u'-'))
                Advance(1);
            if (pos_ >= src_.size() || !IsDigit(src_[pos_]))
                Fail(SyntaxCode::InvalidNumber, at, "Invalid number");
            while (pos_ < src_.size() && IsDigit(src_[pos_]))
                Advance(1);
        }
        if (pos_ < src_.size() && IsIdentifierChar(src_[pos_]))
            Fail(SyntaxCode::InvalidNumber, at, "Invalid number");

        std::string digits;
        for (size_t i = start; i < pos_; ++i)
            digits += static_cast<char>(src_[i]);
        if (!real) {
            // Decimal literals are Integer up to 32767, Long up to 2^31-1, Double beyond.
            uint64_t value = 0;
            bool big = false;
            for (char d : digits) {
                value = value * 10 + static_cast<uint64_t>(d - '0');
                if (value > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
                    big = true;
                    break;
                }
            }
            if (!big) {
                Token& t = Emit(TokenKind::Integer, at);
                t.integer = static_cast<int32_t>(value);
                t.isShortInteger = value <= 32767;
                return;
            }
        }
        double value = std::strtod(digits.c_str(), nullptr);
        if (!std::isfinite(value))
            Fail(SyntaxCode::InvalidNumber, at, "Invalid number");
        Emit(TokenKind::Real, at).real = value;
    }

    // &Hxxxx and &Oooo: 16-bit Integer when the value fits in 16 bits (so
    // &HFFFF is -1), 32-bit Long when it fits in 32 (&H80020009 is negative).
    void ReadRadixInteger()
    {
        SourcePos at = Here();
        int radix = (src_[pos_ + 1] == u'H' || src_[pos_ + 1] == u'h') ? 16 : 8;
        Advance(2);
        uint64_t value = 0;
        int count = 0;
        while (pos_ < src_.size()) {
            int d = HexValue(src_[pos_]);
            if (d < 0 || d >= radix)
                break;
            value = value * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
            if (value > 0xFFFFFFFFu)
                Fail(SyntaxCode::InvalidNumber, at, "Invalid number");
            ++count;
            Advance(1);
        }
        bool longSuffix = false;
        if (pos_ < src_.size() && src_[pos_] == u'&') {
            longSuffix = true;
            Advance(1);
        }
        if (count == 0 || (pos_ < src_.size() && IsIdentifierChar(src_[pos_])))
            Fail(SyntaxCode::InvalidNumber, at, "Invalid number");
        Token& t = Emit(TokenKind::Integer, at);
        if (value <= 0xFFFF && !longSuffix) {
            t.integer = static_cast<int16_t>(static_cast<uint16_t>(value));
            t.isShortInteger = true;
        } else {
            t.integer = static_cast<int32_t>(static_cast<uint32_t>(value));
            t.isShortInteger = false;
        }
    }

    void ReadString()
    {
        SourcePos at = Here();
        Advance(1);
        std::u16string text;
        for (;;) {
            if (pos_ >= src_.size() || IsLineBreak(src_[pos_]))
                Fail(SyntaxCode::UnterminatedString, at, "Unterminated string constant");
            char16_t c = src_[pos_];
            Advance(1);
            if (c == u'"') {
                if (pos_ < src_.size() && src_[pos_] == u'"') {
                    text += u'"';
                    Advance(1);
                    continue;
                }
                break;
            }
            text += c;
        }
        Emit(TokenKind::String, at).text = std::move(text);
    }

    void ReadOperator()
    {
        SourcePos at = Here();
        char16_t c = src_[pos_];
        char16_t next = pos_ + 1 < src_.size() ? src_[pos_ + 1] : 0;
        TokenKind kind;
        size_t length = 1;
        switch (c) {
        case u'(': kind = TokenKind::LParen; break;
        case u')': kind = TokenKind::RParen; break;
        case u',': kind = TokenKind::Comma; break;
        case u'.': kind = TokenKind::Dot; break;
        case u'=': kind = TokenKind::Equal; break;
        case u'+': kind = TokenKind::Plus; break;
        case u'-': kind = TokenKind::Minus; break;
        case u'*': kind = TokenKind::Star; break;
        case u'/': kind = TokenKind::Slash; break;
        case u'\\': kind = TokenKind::Backslash; break;
        case u'^': kind = TokenKind::Caret; break;
        case u'&': kind = TokenKind::Ampersand; break;
        case u'<':
            if (next == u'>') {
                kind = TokenKind::NotEqual;
                length = 2;
            } else if (next == u'=') {
                kind = TokenKind::LessEqual;
                length = 2;
            } else {
                kind = TokenKind::Less;
            }
            break;
        case u'>':
            if (next == u'=') {
                kind = TokenKind::GreaterEqual;
                length = 2;
            } else {
                kind = TokenKind::Greater;
            }
            break;
        default: {
            char buffer[48];
            std::snprintf(buffer, sizeof buffer, "Invalid character U+%04X", static_cast<unsigned>(c));
            Fail(SyntaxCode::InvalidCharacter, at, buffer);
        }
        }
        Advance(length);
        Emit(kind, at);
    }

    std::u16string_view src_;
    size_t pos_ = 0;
    int line_ = 1;
    int column_ = 1;
    std::vector<Token> tokens_;
};

} // namespace

std::vector<Token> Tokenize(std::u16string_view source)
{
    return Lexer(source).Run();
}

} // namespace script
