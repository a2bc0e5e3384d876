#include "host/script/Script.h"

#include "host/script/Parser.h"
#include "host/script/ScriptError.h"
#include "host/script/SyntaxError.h"

#include <cstdio>
#include <ostream>

namespace script {

int RunScript(std::u16string_view source, const ScriptInfo& info, std::ostream& out, std::ostream& err)
{
    Program program;
    try {
        program = Parse(source);
    } catch (const SyntaxError& syntax) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X",
                      static_cast<uint32_t>(ResultFromErrNumber(static_cast<LONG>(syntax.Code()))));
        err << "error " << code << " (" << std::string(kHostSource.begin(), kHostSource.end())
            << "): " << syntax.what() << " (line " << syntax.Pos().line << ", column " << syntax.Pos().column
            << ")\n";
        err.flush();
        return 1;
    }
    Interpreter interpreter(out, err, info);
    return interpreter.Run(program);
}

} // namespace script
