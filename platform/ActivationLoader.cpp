#include "platform/ActivationLoader.h"

#include <climits>
#include <cstdlib>

#include <dlfcn.h>
#include <sys/stat.h>

namespace activation_detail {

namespace {
thread_local std::string lastLoadError;
}

std::optional<std::string> ResolveModulePath(const std::string& path)
{
    if (path.empty())
        return std::nullopt;
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved))
        return std::nullopt;
    struct stat st;
    if (stat(resolved, &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return std::string(resolved);
}

void SetModuleLoadError(std::string text) { lastLoadError = std::move(text); }

ModuleHandle ModuleHandle::Open(const std::string& realPath)
{
    ModuleHandle module;
    module.handle_ = dlopen(realPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module.handle_) {
        lastLoadError.clear();
    } else {
        const char* why = dlerror();
        lastLoadError = why ? why : realPath + ": cannot be loaded";
    }
    return module;
}

ModuleHandle::~ModuleHandle()
{
    if (handle_)
        dlclose(handle_);
}

void* ModuleHandle::Symbol(const char* name) const
{
    if (!handle_)
        return nullptr;
    dlerror();
    void* address = dlsym(handle_, name);
    if (!address)
        lastLoadError = std::string("the module does not export ") + name;
    return address;
}

} // namespace activation_detail

std::string LastModuleLoadError() { return activation_detail::lastLoadError; }
