// Type library and type information objects over the constant tables that
// the type-library generator writes.
//
// Both objects point into a module's tables, so they keep that module
// loaded while a client holds them: objects made by the module's own type
// information cache hold a lock on its ModuleState for every reference a
// client holds (the cache's own reference holds none); a library made by
// CreateTypeLibFromDescription holds a dlopen reference on the module the
// tables live in.
#include "platform/CodePage.h"
#include "platform/DispatchInvoke.h"
#include "platform/TypeInfoCache.h"

#include <dlfcn.h>

#include <atomic>
#include <new>

namespace {

// Reference count shared by the two objects. References handed to clients
// (AddRef/Release) lock `pin`; the objects' references to each other and
// the cache's owner reference (InternalAddRef/InternalRelease) do not.
template <typename Interface, typename Derived>
class PinnedObject : public Interface {
public:
    explicit PinnedObject(ModuleState* pin) : pin_(pin) {}

    ULONG AddRef() override
    {
        if (pin_)
            pin_->Lock();
        return refs_.fetch_add(1, std::memory_order_relaxed) + 1;
    }
    ULONG Release() override
    {
        ModuleState* pin = pin_;
        ULONG left = Drop();
        // Unlocked last, so the module stays while the object is torn down.
        if (pin)
            pin->Unlock();
        return left;
    }
    void InternalAddRef() { refs_.fetch_add(1, std::memory_order_relaxed); }
    void InternalRelease() { Drop(); }
    ModuleState* Pin() const { return pin_; }

protected:
    ~PinnedObject() = default;

private:
    ULONG Drop()
    {
        ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0)
            delete static_cast<Derived*>(this);
        return left;
    }

    std::atomic<ULONG> refs_{0};
    ModuleState* const pin_;
};

// Owns one internal reference.
template <typename T>
class InternalRef {
public:
    explicit InternalRef(T* p) : p_(p) { p_->InternalAddRef(); }
    InternalRef(const InternalRef&) = delete;
    InternalRef& operator=(const InternalRef&) = delete;
    ~InternalRef() { p_->InternalRelease(); }
    T* operator->() const { return p_; }
    T* Get() const { return p_; }

private:
    T* p_;
};

HRESULT SetText(BSTR* target, const char* utf8)
{
    if (!target)
        return S_OK;
    *target = nullptr;
    if (!utf8)
        return S_OK;
    std::u16string wide = Utf8ToWide(utf8);
    *target = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return *target ? S_OK : E_OUTOFMEMORY;
}

class TypeLibObject;

class TypeInfoObject final : public PinnedObject<ITypeInfo, TypeInfoObject> {
public:
    TypeInfoObject(TypeLibObject* library, UINT index);

    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (riid == IUnknown::iid || riid == ITypeInfo::iid) {
            AddRef();
            *object = static_cast<ITypeInfo*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override
    {
        return GetIDsOfDescribedNames(*interface_, names, count, ids);
    }

    HRESULT Invoke(void* instance, MEMBERID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* argumentError) override
    {
        return InvokeDescribedMember(instance, *interface_, id, flags, params, result, exception, argumentError);
    }

    HRESULT GetDocumentation(MEMBERID id, BSTR* name, BSTR* docString, DWORD* helpContext, BSTR* helpFile) override
    {
        const char* found = nullptr;
        if (id == DISPID_UNKNOWN) {
            found = interface_->name;
        } else {
            for (UINT i = 0; i < interface_->funcCount && !found; ++i)
                if (interface_->funcs[i].id == id)
                    found = interface_->funcs[i].name;
        }
        if (!found)
            return TYPE_E_ELEMENTNOTFOUND;
        if (docString)
            *docString = nullptr;
        if (helpFile)
            *helpFile = nullptr;
        if (helpContext)
            *helpContext = 0;
        return SetText(name, found);
    }

    HRESULT GetContainingTypeLib(ITypeLib** library, UINT* index) override;

    const InterfaceDescription* Description() override { return interface_; }

private:
    friend class PinnedObject<ITypeInfo, TypeInfoObject>;
    ~TypeInfoObject() = default;

    InternalRef<TypeLibObject> library_;
    const UINT index_;
    const InterfaceDescription* const interface_;
};

class TypeLibObject final : public PinnedObject<ITypeLib, TypeLibObject> {
public:
    TypeLibObject(const TypeLibDescription* description, ModuleState* pin, void* moduleHandle)
        : PinnedObject(pin), description_(description), moduleHandle_(moduleHandle)
    {
    }

    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (riid == IUnknown::iid || riid == ITypeLib::iid) {
            AddRef();
            *object = static_cast<ITypeLib*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    UINT GetTypeInfoCount() override { return description_->interfaceCount; }

    HRESULT GetTypeInfo(UINT index, ITypeInfo** info) override
    {
        if (!info)
            return E_INVALIDARG;
        *info = nullptr;
        if (index >= description_->interfaceCount)
            return TYPE_E_ELEMENTNOTFOUND;
        auto* created = new (std::nothrow) TypeInfoObject(this, index);
        if (!created)
            return E_OUTOFMEMORY;
        created->AddRef();
        *info = created;
        return S_OK;
    }

    HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) override
    {
        if (!info)
            return E_INVALIDARG;
        *info = nullptr;
        for (UINT i = 0; i < description_->interfaceCount; ++i)
            if (description_->interfaces[i]->iid == guid)
                return GetTypeInfo(i, info);
        for (UINT i = 0; i < description_->coclassCount; ++i) {
            const CoClassDescription* coclass = description_->coclasses[i];
            if (coclass->clsid == guid && coclass->defaultInterface)
                return GetTypeInfoOfGuid(coclass->defaultInterface->iid, info);
        }
        return TYPE_E_ELEMENTNOTFOUND;
    }

    HRESULT GetDocumentation(INT index, BSTR* name, BSTR* docString, DWORD* helpContext, BSTR* helpFile) override
    {
        const char* foundName = nullptr;
        const char* foundDoc = nullptr;
        if (index == -1) {
            foundName = description_->name;
            foundDoc = description_->helpString;
        } else if (index >= 0 && static_cast<UINT>(index) < description_->interfaceCount) {
            foundName = description_->interfaces[index]->name;
        } else {
            return TYPE_E_ELEMENTNOTFOUND;
        }
        if (helpFile)
            *helpFile = nullptr;
        if (helpContext)
            *helpContext = 0;
        if (docString)
            *docString = nullptr;
        HRESULT hr = SetText(name, foundName);
        if (SUCCEEDED(hr))
            hr = SetText(docString, foundDoc);
        if (FAILED(hr) && name) {
            SysFreeString(*name);
            *name = nullptr;
        }
        return hr;
    }

    const TypeLibDescription* Description() override { return description_; }

private:
    friend class PinnedObject<ITypeLib, TypeLibObject>;
    ~TypeLibObject()
    {
        if (moduleHandle_)
            dlclose(moduleHandle_);
    }

    const TypeLibDescription* const description_;
    void* const moduleHandle_;
};

TypeInfoObject::TypeInfoObject(TypeLibObject* library, UINT index)
    : PinnedObject(library->Pin()), library_(library), index_(index),
      interface_(library->Description()->interfaces[index])
{
}

HRESULT TypeInfoObject::GetContainingTypeLib(ITypeLib** library, UINT* index)
{
    if (!library)
        return E_INVALIDARG;
    library_->AddRef();
    *library = library_.Get();
    if (index)
        *index = index_;
    return S_OK;
}

bool IsUsable(const TypeLibDescription* d)
{
    return d && (d->interfaceCount == 0 || d->interfaces) && (d->coclassCount == 0 || d->coclasses) &&
           (d->enumCount == 0 || d->enums);
}

// A dlopen reference on the module holding `address`, or null when it is the
// program itself (which never unloads) or cannot be found.
void* PinModuleOf(const void* address)
{
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname || !*info.dli_fname)
        return nullptr;
    return dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
}

} // namespace

HRESULT CreateTypeLibFromDescription(const TypeLibDescription* description, ITypeLib** library)
{
    if (!library)
        return E_INVALIDARG;
    *library = nullptr;
    if (!IsUsable(description))
        return E_INVALIDARG;
    void* handle = PinModuleOf(description);
    auto* created = new (std::nothrow) TypeLibObject(description, nullptr, handle);
    if (!created) {
        if (handle)
            dlclose(handle);
        return E_OUTOFMEMORY;
    }
    created->AddRef();
    *library = created;
    return S_OK;
}

HRESULT CreateModuleTypeInfo(const TypeLibDescription& library, REFIID iid, ModuleState* module, ITypeInfo** owner)
{
    if (!owner)
        return E_INVALIDARG;
    *owner = nullptr;
    if (!IsUsable(&library))
        return E_INVALIDARG;
    UINT index = 0;
    while (index < library.interfaceCount && library.interfaces[index]->iid != iid)
        ++index;
    if (index == library.interfaceCount)
        return TYPE_E_ELEMENTNOTFOUND;
    auto* lib = new (std::nothrow) TypeLibObject(&library, module, nullptr);
    if (!lib)
        return E_OUTOFMEMORY;
    InternalRef<TypeLibObject> keep(lib);
    auto* info = new (std::nothrow) TypeInfoObject(lib, index);
    if (!info)
        return E_OUTOFMEMORY;
    info->InternalAddRef();
    *owner = info;
    return S_OK;
}

void ReleaseModuleTypeInfo(ITypeInfo* owner)
{
    // Only ever given what CreateModuleTypeInfo handed out.
    if (owner)
        static_cast<TypeInfoObject*>(owner)->InternalRelease();
}
