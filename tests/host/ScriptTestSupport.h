// Runs script text through the interpreter in this process.
#pragma once

#include "host/script/Script.h"
#include "platform/CodePage.h"

#include <sstream>
#include <string>

struct ScriptRun {
    int status;
    std::string out;
    std::string err;
};

inline ScriptRun RunScriptText(const std::string& utf8Source)
{
    std::ostringstream out, err;
    int status = script::RunScript(Utf8ToWide(utf8Source), {"test.vbs", "/tmp/test.vbs", {}}, out, err);
    return {status, out.str(), err.str()};
}

// The output of `WScript.Echo <expression>`, without its line break.
inline std::string Show(const std::string& expression)
{
    ScriptRun run = RunScriptText("WScript.Echo " + expression + "\n");
    if (run.status != 0)
        return "<" + run.err + ">";
    return run.out.substr(0, run.out.size() - 1);
}
