// A registry of the test's own: a fresh folder whose registry.reg is the
// user's file and whose system.reg stands for the machine-wide one. The
// previous environment comes back when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

class TempRegistry {
public:
    TempRegistry()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tsreg-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        folder_ = pattern;
        Remember("TESSALY_REGISTRY", userSaved_);
        Remember("TESSALY_SYSTEM_REGISTRY", systemSaved_);
        setenv("TESSALY_REGISTRY", UserFile().c_str(), 1);
        setenv("TESSALY_SYSTEM_REGISTRY", SystemFile().c_str(), 1);
    }
    ~TempRegistry()
    {
        Restore("TESSALY_REGISTRY", userSaved_);
        Restore("TESSALY_SYSTEM_REGISTRY", systemSaved_);
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    TempRegistry(const TempRegistry&) = delete;
    TempRegistry& operator=(const TempRegistry&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }
    std::string UserFile() const { return (folder_ / "registry.reg").string(); }
    std::string SystemFile() const { return (folder_ / "system.reg").string(); }

    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void Write(const std::string& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    }

private:
    static void Remember(const char* name, std::optional<std::string>& saved)
    {
        if (const char* value = std::getenv(name))
            saved = value;
    }
    static void Restore(const char* name, const std::optional<std::string>& saved)
    {
        if (saved)
            setenv(name, saved->c_str(), 1);
        else
            unsetenv(name);
    }

    std::filesystem::path folder_;
    std::optional<std::string> userSaved_;
    std::optional<std::string> systemSaved_;
};
