// Builds the syntax tree of a whole script; the first syntax error stops it
// (SyntaxError with the line and column), so nothing of a bad script runs.
#pragma once

#include "host/script/Ast.h"

#include <string_view>

namespace script {

Program Parse(std::u16string_view source);

} // namespace script
