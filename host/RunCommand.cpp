// tshost run FILE|-: runs an automation script.
#include "host/Commands.h"

#include "host/script/Script.h"
#include "host/script/ScriptError.h"
#include "host/script/SourceText.h"
#include "platform/Activation.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

int Usage()
{
    std::fputs("usage: tshost run FILE|- [ARGUMENTS...]\n", stderr);
    return kUsageExitStatus;
}

bool ReadAll(std::istream& in, std::string& bytes)
{
    std::ostringstream buffer;
    buffer << in.rdbuf();
    bytes = std::move(buffer).str();
    return !in.bad();
}

int CannotRead(const char* file, int error)
{
    HRESULT code = error == ENOENT ? HResultFromWin32(ERROR_FILE_NOT_FOUND)
                 : error == EACCES ? E_ACCESSDENIED
                                   : E_FAIL;
    std::fprintf(stderr, "error 0x%08X (tshost): Cannot read script \"%s\": %s\n", static_cast<uint32_t>(code), file,
                 std::strerror(error));
    return 1;
}

} // namespace

int RunScriptCommand(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const char* file = argv[1];

    std::string bytes;
    script::ScriptInfo info;
    if (std::strcmp(file, "-") == 0) {
        if (!ReadAll(std::cin, bytes))
            return CannotRead("-", EIO);
        info.name = info.fullName = "-";
    } else {
        errno = 0;
        std::ifstream in(file, std::ios::binary);
        if (!in)
            return CannotRead(file, errno ? errno : ENOENT);
        if (!ReadAll(in, bytes))
            return CannotRead(file, errno ? errno : EIO);
        const char* slash = std::strrchr(file, '/');
        info.name = slash ? slash + 1 : file;
        char resolved[PATH_MAX];
        info.fullName = realpath(file, resolved) ? resolved : file;
    }

    info.arguments.assign(argv + 2, argv + argc);

    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    int status = script::RunScript(script::DecodeScriptText(bytes), info, std::cout, std::cerr);
    CoFreeUnusedLibraries();
    CoUninitialize();
    return status;
}
