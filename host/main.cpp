// tshost: the automation host for people and scripts.
#include "host/Commands.h"

#include <cstdio>
#include <cstring>
#include <exception>

namespace {

void PrintUsage(FILE* to)
{
    std::fputs("usage: tshost regsvr [-u] MODULE   register (or -u: unregister) an automation module\n"
               "       tshost run FILE|- [ARGS]    run an automation script (- reads standard input)\n",
               to);
#ifdef TS_HAVE_SCAN_COMMAND
    std::fputs("       tshost scan ...             see tshost scan --help\n", to);
#endif
}

} // namespace

static int Dispatch(int argc, char** argv);

int main(int argc, char** argv)
{
    try {
        return Dispatch(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tshost: %s\n", e.what());
        return 1;
    }
}

static int Dispatch(int argc, char** argv)
{
    if (argc < 2) {
        PrintUsage(stderr);
        return kUsageExitStatus;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "regsvr") == 0)
        return RunRegsvrCommand(argc - 1, argv + 1);
    if (std::strcmp(command, "run") == 0)
        return RunScriptCommand(argc - 1, argv + 1);
#ifdef TS_HAVE_SCAN_COMMAND
    if (std::strcmp(command, "scan") == 0)
        return RunScanCommand(argc - 1, argv + 1);
#endif
    if (std::strcmp(command, "help") == 0 || std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    std::fprintf(stderr, "tshost: unknown command '%s'\n", command);
    PrintUsage(stderr);
    return kUsageExitStatus;
}
