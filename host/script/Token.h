// The tokens of a script: what the lexer hands to the parser.
#pragma once

#include <cstdint>
#include <string>

namespace script {

struct SourcePos {
    int line = 0;
    int column = 0;
};

enum class TokenKind {
    Identifier, // names and keywords alike; the parser tells them apart
    Integer,    // `integer` holds the value, `isShortInteger` the VBScript Integer type
    Real,
    String,
    LParen,
    RParen,
    Comma,
    Dot,
    Equal,
    NotEqual,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    Plus,
    Minus,
    Star,
    Slash,
    Backslash,
    Caret,
    Ampersand,
    EndOfStatement, // a line break or ':'
    EndOfFile,
};

struct Token {
    TokenKind kind = TokenKind::EndOfFile;
    SourcePos pos;
    std::u16string text;          // identifier name or string literal contents
    int32_t integer = 0;
    bool isShortInteger = false;  // fits VBScript's 16-bit Integer
    double real = 0;
};

// A short human name of a token for syntax error messages.
std::string DescribeToken(const Token& token);

} // namespace script
