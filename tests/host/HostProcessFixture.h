// Tests that run the real tshost binary: a temporary folder of the test's own
// holding its registry file, with a module registered by `tshost regsvr`.
#pragma once

#include "ProcessRunner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class HostProcessFixture : public ::testing::Test {
protected:
    // Makes the folder and registers `module` into its registry.
    ProcessResult RegisterInFreshRegistry(const char* module, const char* folderPrefix)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / (std::string(folderPrefix) + "-XXXXXX")).string();
        if (!mkdtemp(pattern.data()))
            return {-1, "", "mkdtemp failed"};
        dir_ = pattern;
        registry_ = dir_ / "registry.reg";
        return Host({"regsvr", module});
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    ProcessResult Host(std::vector<std::string> args, const std::string& input = {})
    {
        args.insert(args.begin(), TSHOST_PATH);
        return RunProcess(args, {{"TESSALY_REGISTRY", registry_.string()}}, input);
    }

    // Writes a file of this test's own and gives its path.
    std::string Write(const std::string& name, const std::string& content)
    {
        std::filesystem::path file = dir_ / name;
        std::ofstream(file, std::ios::binary) << content;
        return file.string();
    }

    std::filesystem::path dir_;
    std::filesystem::path registry_;
};
