// Runs a program with extra environment and standard input, capturing its
// standard output, standard error and exit status.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ProcessResult {
    int status = -1; // exit status, or 128 + signal
    std::string out;
    std::string err;
};

ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::pair<std::string, std::string>>& environment,
                         const std::string& input = {});
