// Splits script text into tokens: VBScript's literals, names and operators,
// with comments, `Rem`, `:` and `_` line continuation handled here.
#pragma once

#include "host/script/Token.h"

#include <string_view>
#include <vector>

namespace script {

// Throws SyntaxError for text no token can start with. The last token is
// always EndOfFile, preceded by an EndOfStatement.
std::vector<Token> Tokenize(std::u16string_view source);

// ASCII case folding: names compare without regard to case.
std::u16string FoldCase(std::u16string_view name);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

} // namespace script
