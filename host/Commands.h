// The subcommands of tshost. Each takes the arguments after its own name
// (argv[0] is the subcommand) and returns the process exit status.
#pragma once

// tshost regsvr [-u] MODULE
int RunRegsvrCommand(int argc, char** argv);
// tshost run FILE|- [ARGUMENTS...]
int RunScriptCommand(int argc, char** argv);
// tshost scan ... (built only when host/ScanCommand.cpp is present)
int RunScanCommand(int argc, char** argv);

// Exit status for a command line that could not be understood.
constexpr int kUsageExitStatus = 2;
