// Helpers for tests that load the test modules.
#pragma once

#include <climits>
#include <cstdlib>
#include <string>

#include <dlfcn.h>

// The module's path as activation resolves it (the key it is loaded under).
inline std::string RealModulePath(const char* path)
{
    char resolved[PATH_MAX];
    return realpath(path, resolved) ? std::string(resolved) : std::string(path);
}

// Whether the module is mapped in this process, without loading it.
inline bool IsLoaded(const char* path)
{
    void* handle = dlopen(RealModulePath(path).c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return false;
    dlclose(handle);
    return true;
}
