#include "platform/Module.h"

#include "platform/CountedObject.h"
#include "platform/Registry.h"
#include "platform/TypeLibRegistration.h"

#include <atomic>
#include <climits>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

namespace {

// The class object of one class of a module. While it exists it counts as
// a live object of its module, so the module is never unloaded under it.
class ClassFactory final : public CountedObject<IClassFactory> {
public:
    ClassFactory(const ClassEntry& entry, ModuleState* state) : entry_(entry), state_(state)
    {
        if (state_)
            state_->ObjectCreated();
    }

    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        // An aggregated object can only hand its outer object the inner unknown.
        if (outer && riid != IUnknown::iid)
            return CLASS_E_NOAGGREGATION;
        if (!entry_.create)
            return E_UNEXPECTED;
        return entry_.create(outer, riid, object);
    }
    HRESULT LockServer(BOOL lock) override
    {
        if (state_)
            lock ? state_->Lock() : state_->Unlock();
        return S_OK;
    }

private:
    ~ClassFactory() override
    {
        if (state_)
            state_->ObjectDestroyed();
    }

    ClassEntry entry_;
    ModuleState* state_;
};

const std::string kClassesRoot = "HKEY_CLASSES_ROOT\\";

std::optional<std::string> RealPath(const char* path)
{
    char resolved[PATH_MAX];
    if (!path || !*path || !realpath(path, resolved))
        return std::nullopt;
    return std::string(resolved);
}

// The file of the module that holds `address`; the main program has no
// name of its own in the loader's list and is found through /proc.
std::optional<std::string> FileHolding(const void* address)
{
    if (!address)
        return std::nullopt;
    Dl_info info{};
    struct link_map* map = nullptr;
    if (!dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP))
        return std::nullopt;
    if (map && map->l_name && *map->l_name)
        return RealPath(map->l_name);
    return RealPath("/proc/self/exe");
}

// The module's file, from its description and tables, which live in it.
std::optional<std::string> ModulePath(const ModuleDescription& module)
{
    const void* candidates[] = {
        &module,
        module.classes,
        module.state,
        module.typeLib,
        module.classCount ? reinterpret_cast<const void*>(module.classes[0].create) : nullptr,
    };
    for (const void* address : candidates)
        if (auto path = FileHolding(address))
            return path;
    return std::nullopt;
}

bool UsableName(const char* name)
{
    return name && *name && std::string_view(name).find('\\') == std::string_view::npos;
}

bool OptionalUsableName(const char* name) { return !name || !*name || UsableName(name); }

// Every class has a class id; its names, when given, must each make one key.
bool Usable(const ModuleDescription& module)
{
    if (module.classCount && !module.classes)
        return false;
    for (size_t i = 0; i < module.classCount; ++i) {
        const CoClassDescription* c = module.classes[i].coclass;
        if (!c || !OptionalUsableName(c->progId) || !OptionalUsableName(c->versionIndependentProgId))
            return false;
    }
    return true;
}

std::string ClassDescription(const CoClassDescription& c)
{
    if (c.description)
        return c.description;
    return std::string(c.name ? c.name : "") + " Class";
}

void AddClassEntries(Registry::Edit& edit, const CoClassDescription& c, const std::string& modulePath,
                     const TypeLibDescription* library)
{
    const std::string clsid = GuidToString(c.clsid);
    const std::string description = ClassDescription(c);
    const bool hasProgId = UsableName(c.progId);
    const bool hasIndependent = UsableName(c.versionIndependentProgId);

    if (hasProgId) {
        std::string key = kClassesRoot + c.progId;
        edit.SetString(key, "", description);
        edit.SetString(key + "\\CLSID", "", clsid);
    }
    if (hasIndependent) {
        std::string key = kClassesRoot + c.versionIndependentProgId;
        edit.SetString(key, "", description);
        edit.SetString(key + "\\CLSID", "", clsid);
        if (hasProgId)
            edit.SetString(key + "\\CurVer", "", c.progId);
    }
    std::string key = kClassesRoot + "CLSID\\" + clsid;
    edit.SetString(key, "", description);
    if (hasProgId)
        edit.SetString(key + "\\ProgID", "", c.progId);
    if (hasIndependent)
        edit.SetString(key + "\\VersionIndependentProgID", "", c.versionIndependentProgId);
    edit.CreateKey(key + "\\Programmable");
    edit.SetString(key + "\\InprocServer32", "", modulePath);
    edit.SetString(key + "\\InprocServer32", "ThreadingModel", "Both");
    if (library)
        edit.SetString(key + "\\TypeLib", "", GuidToString(library->libid));
}

void RemoveClassEntries(Registry::Edit& edit, const CoClassDescription& c)
{
    if (UsableName(c.progId))
        edit.DeleteTree(kClassesRoot + c.progId);
    if (UsableName(c.versionIndependentProgId))
        edit.DeleteTree(kClassesRoot + c.versionIndependentProgId);
    edit.DeleteTree(kClassesRoot + "CLSID\\" + GuidToString(c.clsid));
}

} // namespace

HRESULT ModuleGetClassObject(const ModuleDescription& module, REFCLSID clsid, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    for (size_t i = 0; i < module.classCount; ++i) {
        const ClassEntry& entry = module.classes[i];
        if (!entry.coclass || entry.coclass->clsid != clsid)
            continue;
        auto* factory = new (std::nothrow) ClassFactory(entry, module.state);
        if (!factory)
            return E_OUTOFMEMORY;
        HRESULT hr = factory->QueryInterface(riid, object);
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ModuleCanUnloadNow(const ModuleDescription& module)
{
    // A module without bookkeeping cannot tell, so it stays.
    return module.state && module.state->CanUnload() ? S_OK : S_FALSE;
}

HRESULT ModuleRegisterServer(const ModuleDescription& module)
{
    if (!Usable(module))
        return SELFREG_E_CLASS;
    auto path = ModulePath(module);
    if (!path)
        return SELFREG_E_CLASS;
    // One update for everything, so that registrations of several modules
    // running at once each land whole.
    return Registry::Update([&](Registry::Edit& edit) {
        for (size_t i = 0; i < module.classCount; ++i)
            AddClassEntries(edit, *module.classes[i].coclass, *path, module.typeLib);
        if (module.typeLib)
            typelib_registration::AddEntries(edit, *module.typeLib, *path);
    });
}

HRESULT ModuleUnregisterServer(const ModuleDescription& module)
{
    if (!Usable(module))
        return SELFREG_E_CLASS;
    return Registry::Update([&](Registry::Edit& edit) {
        for (size_t i = 0; i < module.classCount; ++i)
            RemoveClassEntries(edit, *module.classes[i].coclass);
        if (module.typeLib)
            typelib_registration::RemoveEntries(edit, *module.typeLib);
    });
}
