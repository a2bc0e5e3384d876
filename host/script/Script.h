// One script from text to exit status: parse it whole (a syntax error is
// reported with its line before anything runs), then run it.
#pragma once

#include "host/script/Interpreter.h"

#include <iosfwd>
#include <string_view>

namespace script {

int RunScript(std::u16string_view source, const ScriptInfo& info, std::ostream& out, std::ostream& err);

} // namespace script
