// Helper process for the concurrent-registration tests.
//   registry_writer keys PREFIX COUNT   one update per key HKEY_CLASSES_ROOT\PREFIX\<n>
//   registry_writer module N            registers a module of one class numbered N
// The registry file comes from the environment, as for any program.
#include "platform/Module.h"
#include "platform/Registry.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int WriteKeys(const std::string& prefix, int count)
{
    for (int n = 0; n < count; ++n) {
        std::string key = "HKEY_CLASSES_ROOT\\" + prefix + "\\" + std::to_string(n);
        HRESULT hr = Registry::Update([&](Registry::Edit& edit) { edit.SetString(key, "Writer", prefix); });
        if (FAILED(hr)) {
            std::fprintf(stderr, "update %d failed: 0x%08X\n", n, static_cast<unsigned>(hr));
            return 1;
        }
    }
    return 0;
}

HRESULT NoCreate(IUnknown*, REFIID, void**) { return E_NOTIMPL; }

int RegisterModule(unsigned number)
{
    static CoClassDescription coclass{};
    static std::string progId = "TsWriter.Class" + std::to_string(number) + ".1";
    static std::string independent = "TsWriter.Class" + std::to_string(number);
    coclass.name = "WriterClass";
    coclass.clsid = MakeGuid("{A0000000-0000-4000-8000-000000000000}");
    coclass.clsid.Data1 += number;
    coclass.progId = progId.c_str();
    coclass.versionIndependentProgId = independent.c_str();
    static ClassEntry entry{&coclass, &NoCreate};
    static ModuleState state;
    static ModuleDescription module{nullptr, &entry, 1, &state};
    HRESULT hr = ModuleRegisterServer(module);
    if (FAILED(hr)) {
        std::fprintf(stderr, "registration failed: 0x%08X\n", static_cast<unsigned>(hr));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "keys" && argc == 4)
        return WriteKeys(argv[2], std::atoi(argv[3]));
    if (mode == "module" && argc == 3)
        return RegisterModule(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)));
    std::fprintf(stderr, "usage: registry_writer keys PREFIX COUNT | module N\n");
    return 2;
}
