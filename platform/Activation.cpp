#include "platform/Activation.h"

#include "platform/ActivationLoader.h"
#include "platform/CodePage.h"
#include "platform/ComPtr.h"
#include "platform/Module.h"
#include "platform/Registry.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

using activation_detail::ModuleHandle;
using activation_detail::ResolveModulePath;

namespace {

const std::string kClassesRoot = "HKEY_CLASSES_ROOT\\";

// A module loaded for activation, kept until CoFreeUnusedLibraries finds it
// idle. `calls` counts DllGetClassObject calls under way, during which the
// module must stay mapped even if it reports that it could unload.
struct LoadedModule {
    ModuleHandle handle;
    DllGetClassObjectFunction getClassObject = nullptr;
    DllCanUnloadNowFunction canUnloadNow = nullptr;
    int calls = 0;
};

std::mutex modulesMutex;
std::map<std::string, LoadedModule>& Modules()
{
    static auto* modules = new std::map<std::string, LoadedModule>(); // outlives every static destructor
    return *modules;
}

// Finds or loads the module at realPath and counts a call into it; the
// caller ends the call with EndCall. The loading itself runs unlocked (a
// module's constructors may create objects); a concurrent load of the same
// file just drops its extra reference.
HRESULT BeginCall(const std::string& realPath, DllGetClassObjectFunction& entry)
{
    {
        std::lock_guard guard(modulesMutex);
        auto found = Modules().find(realPath);
        if (found != Modules().end()) {
            ++found->second.calls;
            entry = found->second.getClassObject;
            return S_OK;
        }
    }
    LoadedModule loaded;
    loaded.handle = ModuleHandle::Open(realPath);
    if (!loaded.handle)
        return CO_E_ERRORINDLL;
    loaded.getClassObject = reinterpret_cast<DllGetClassObjectFunction>(loaded.handle.Symbol("DllGetClassObject"));
    if (!loaded.getClassObject)
        return CO_E_ERRORINDLL;
    loaded.canUnloadNow = reinterpret_cast<DllCanUnloadNowFunction>(loaded.handle.Symbol("DllCanUnloadNow"));
    loaded.calls = 1;

    std::lock_guard guard(modulesMutex);
    auto [at, inserted] = Modules().try_emplace(realPath, std::move(loaded));
    if (!inserted)
        ++at->second.calls; // `loaded` closes its duplicate reference
    entry = at->second.getClassObject;
    return S_OK;
}

void EndCall(const std::string& realPath)
{
    std::lock_guard guard(modulesMutex);
    auto found = Modules().find(realPath);
    if (found != Modules().end())
        --found->second.calls;
}

std::string ClassKey(REFCLSID clsid) { return kClassesRoot + "CLSID\\" + GuidToString(clsid); }

bool UsableProgId(const std::string& progId)
{
    return !progId.empty() && progId.find('\\') == std::string::npos && progId.find('\0') == std::string::npos;
}

} // namespace

HRESULT CoInitialize(void*) { return S_OK; }
HRESULT CoInitializeEx(void*, DWORD) { return S_OK; }
void CoUninitialize() {}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void*, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!(context & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)))
        return REGDB_E_CLASSNOTREG; // only in-process servers exist here
    auto server = Registry::GetString(ClassKey(clsid) + "\\InprocServer32");
    if (!server || server->empty())
        return REGDB_E_CLASSNOTREG;
    auto realPath = ResolveModulePath(*server);
    if (!realPath) {
        activation_detail::SetModuleLoadError(*server + ": no such module file");
        return CO_E_DLLNOTFOUND;
    }
    DllGetClassObjectFunction entry = nullptr;
    HRESULT hr = BeginCall(*realPath, entry);
    if (FAILED(hr))
        return hr;
    hr = entry(clsid, riid, object);
    EndCall(*realPath);
    return hr;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer && riid != IUnknown::iid)
        return CLASS_E_NOAGGREGATION;
    ComPtr<IClassFactory> factory;
    HRESULT hr = CoGetClassObject(clsid, context, nullptr, IClassFactory::iid, factory.OutVoid());
    if (FAILED(hr))
        return hr;
    return factory->CreateInstance(outer, riid, object);
}

void CoFreeUnusedLibraries()
{
    std::vector<LoadedModule> unloading;
    {
        std::lock_guard guard(modulesMutex);
        auto& modules = Modules();
        for (auto it = modules.begin(); it != modules.end();) {
            LoadedModule& m = it->second;
            if (m.calls == 0 && m.canUnloadNow && m.canUnloadNow() == S_OK) {
                unloading.push_back(std::move(m));
                it = modules.erase(it);
            } else {
                ++it;
            }
        }
    }
    // `unloading` closes the handles here, outside the lock; a creation
    // that raced us has loaded the module afresh and holds its own reference.
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid)
{
    if (!progId || !clsid)
        return E_INVALIDARG;
    *clsid = GUID_NULL;
    std::string name = WideToUtf8(std::u16string_view(progId, OleStrLen(progId)));
    // A version-independent name without a CLSID of its own leads on
    // through CurVer; the bound stops a loop of CurVer entries.
    for (int step = 0; step < 4 && UsableProgId(name); ++step) {
        if (auto text = Registry::GetString(kClassesRoot + name + "\\CLSID")) {
            auto parsed = GuidFromString(*text);
            if (!parsed)
                return CO_E_CLASSSTRING;
            *clsid = *parsed;
            return S_OK;
        }
        auto current = Registry::GetString(kClassesRoot + name + "\\CurVer");
        if (!current)
            break;
        name = *current;
    }
    return CO_E_CLASSSTRING;
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId)
{
    if (!progId)
        return E_INVALIDARG;
    *progId = nullptr;
    auto text = Registry::GetString(ClassKey(clsid) + "\\ProgID");
    if (!text || text->empty())
        return REGDB_E_CLASSNOTREG;
    std::u16string wide = Utf8ToWide(*text);
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((wide.size() + 1) * sizeof(OLECHAR)));
    if (!copy)
        return E_OUTOFMEMORY;
    std::memcpy(copy, wide.c_str(), (wide.size() + 1) * sizeof(OLECHAR));
    *progId = copy;
    return S_OK;
}

void* CoTaskMemAlloc(size_t size) { return std::malloc(size ? size : 1); }
void CoTaskMemFree(void* memory) { std::free(memory); }

HRESULT OleRun(IUnknown* object) { return object ? S_OK : E_INVALIDARG; }

HRESULT RegisterServerModule(const std::string& modulePath, bool unregister)
{
    auto realPath = ResolveModulePath(modulePath);
    if (!realPath) {
        activation_detail::SetModuleLoadError(modulePath + ": no such module file");
        return CO_E_DLLNOTFOUND;
    }
    ModuleHandle module = ModuleHandle::Open(*realPath);
    if (!module)
        return CO_E_ERRORINDLL;
    auto entry = reinterpret_cast<DllRegisterServerFunction>(
        module.Symbol(unregister ? "DllUnregisterServer" : "DllRegisterServer"));
    if (!entry)
        return HResultFromWin32(ERROR_PROC_NOT_FOUND);
    return entry();
}
