// tshost regsvr [-u] MODULE: registers or unregisters an automation module
// by calling its DllRegisterServer / DllUnregisterServer.
#include "host/Commands.h"

#include "host/script/ScriptError.h"
#include "platform/Activation.h"
#include "platform/CodePage.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Usage()
{
    std::fputs("usage: tshost regsvr [-u] MODULE\n", stderr);
    return kUsageExitStatus;
}

// Explains a failed registration: the module does not load, lacks the entry
// point, or the entry point itself failed.
void ReportFailure(const std::string& path, const char* entryPoint, HRESULT hr)
{
    if (void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL)) {
        bool hasEntry = dlsym(handle, entryPoint) != nullptr;
        dlclose(handle);
        if (!hasEntry) {
            std::fprintf(stderr, "tshost regsvr: module \"%s\" was loaded, but it has no entry point %s\n",
                         path.c_str(), entryPoint);
            return;
        }
        std::string text = WideToUtf8(script::SystemErrorText(hr));
        std::fprintf(stderr, "tshost regsvr: %s in \"%s\" failed with error 0x%08X: %s\n", entryPoint, path.c_str(),
                     static_cast<uint32_t>(hr), text.c_str());
        return;
    }
    const char* reason = dlerror();
    std::fprintf(stderr, "tshost regsvr: module \"%s\" failed to load: %s\n", path.c_str(),
                 reason ? reason : "unknown reason");
}

} // namespace

int RunRegsvrCommand(int argc, char** argv)
{
    bool unregister = false;
    const char* module = nullptr;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (options && std::strcmp(arg, "--") == 0)
            options = false;
        else if (options && std::strcmp(arg, "-u") == 0)
            unregister = true;
        else if (options && std::strcmp(arg, "-s") == 0)
            continue; // silent: the platform tool's switch; we print nothing on success anyway
        else if (options && arg[0] == '-' && arg[1] != '\0')
            return Usage();
        else if (module)
            return Usage();
        else
            module = arg;
    }
    if (!module)
        return Usage();

    struct stat info {};
    if (stat(module, &info) != 0) {
        std::fprintf(stderr, "tshost regsvr: module \"%s\" not found: %s\n", module, std::strerror(errno));
        return 1;
    }
    if (!S_ISREG(info.st_mode)) {
        std::fprintf(stderr, "tshost regsvr: \"%s\" is not a module file\n", module);
        return 1;
    }
    // The registry records where the module is, so it must be an absolute path.
    char resolved[PATH_MAX];
    if (!realpath(module, resolved)) {
        std::fprintf(stderr, "tshost regsvr: cannot resolve \"%s\": %s\n", module, std::strerror(errno));
        return 1;
    }
    std::string path = resolved;

    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    HRESULT hr = RegisterServerModule(path, unregister);
    CoUninitialize();
    if (SUCCEEDED(hr))
        return 0;
    ReportFailure(path, unregister ? "DllUnregisterServer" : "DllRegisterServer", hr);
    return 1;
}
