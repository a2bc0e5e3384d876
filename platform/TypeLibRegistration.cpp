#include "platform/TypeLibRegistration.h"

#include "platform/CountedObject.h"

#include "platform/ActivationLoader.h"
#include "platform/TypeInfo.h"

#include <atomic>
#include <charconv>
#include <new>

using activation_detail::ModuleHandle;

namespace typelib_registration {

namespace {

std::string Hex(unsigned value)
{
    char buffer[16];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value, 16).ptr;
    return std::string(buffer, end);
}

std::string InterfaceKey(REFIID iid) { return "HKEY_CLASSES_ROOT\\Interface\\" + GuidToString(iid); }

std::string Folder(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

std::string LibraryKey(REFGUID libid) { return "HKEY_CLASSES_ROOT\\TypeLib\\" + GuidToString(libid); }

std::string VersionName(WORD major, WORD minor) { return Hex(major) + "." + Hex(minor); }

void AddEntries(Registry::Edit& edit, const TypeLibDescription& library, const std::string& modulePath)
{
    std::string version = VersionName(library.majorVersion, library.minorVersion);
    std::string key = LibraryKey(library.libid) + "\\" + version;
    edit.SetString(key, "", library.helpString ? library.helpString : "");
    edit.SetString(key + "\\0\\win32", "", modulePath);
    edit.SetString(key + "\\FLAGS", "", "0");
    edit.SetString(key + "\\HELPDIR", "", Folder(modulePath));
    std::string libid = GuidToString(library.libid);
    for (uint16_t i = 0; i < library.interfaceCount; ++i) {
        const InterfaceDescription* itf = library.interfaces[i];
        if (!itf)
            continue;
        std::string ikey = InterfaceKey(itf->iid);
        edit.SetString(ikey, "", itf->name ? itf->name : "");
        edit.SetString(ikey + "\\TypeLib", "", libid);
        edit.SetString(ikey + "\\TypeLib", "Version", version);
    }
}

void RemoveEntries(Registry::Edit& edit, const TypeLibDescription& library)
{
    std::string key = LibraryKey(library.libid);
    edit.DeleteTree(key + "\\" + VersionName(library.majorVersion, library.minorVersion));
    edit.DeleteKeyIfEmpty(key); // other versions of the library stay registered
    for (uint16_t i = 0; i < library.interfaceCount; ++i)
        if (const InterfaceDescription* itf = library.interfaces[i])
            edit.DeleteTree(InterfaceKey(itf->iid));
}

} // namespace typelib_registration

namespace {

using typelib_registration::LibraryKey;
using typelib_registration::VersionName;

// The library that LoadRegTypeLib hands out: the tables live in a module
// loaded for it, so the library and every type information taken from it
// keep that module loaded until the last of them is released.
class LoadedTypeLib final : public CountedObject<ITypeLib> {
public:
    LoadedTypeLib(ModuleHandle module, ComPtr<ITypeLib> inner) : module_(std::move(module)), inner_(std::move(inner))
    {
    }

    UINT GetTypeInfoCount() override { return inner_->GetTypeInfoCount(); }
    HRESULT GetTypeInfo(UINT index, ITypeInfo** info) override;
    HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) override;
    HRESULT GetDocumentation(INT index, BSTR* name, BSTR* docString, DWORD* helpContext, BSTR* helpFile) override
    {
        return inner_->GetDocumentation(index, name, docString, helpContext, helpFile);
    }
    const TypeLibDescription* Description() override { return inner_->Description(); }

private:
    HRESULT Wrap(HRESULT hr, ComPtr<ITypeInfo> inner, ITypeInfo** info);

    ModuleHandle module_;     // released last:
    ComPtr<ITypeLib> inner_;  // members go in reverse order
};

class LoadedTypeInfo final : public CountedObject<ITypeInfo> {
public:
    LoadedTypeInfo(ComPtr<ITypeLib> owner, ComPtr<ITypeInfo> inner) : owner_(std::move(owner)), inner_(std::move(inner))
    {
    }

    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override
    {
        return inner_->GetIDsOfNames(names, count, ids);
    }
    HRESULT Invoke(void* instance, MEMBERID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                   UINT* argumentError) override
    {
        return inner_->Invoke(instance, id, flags, params, result, exception, argumentError);
    }
    HRESULT GetDocumentation(MEMBERID id, BSTR* name, BSTR* docString, DWORD* helpContext, BSTR* helpFile) override
    {
        return inner_->GetDocumentation(id, name, docString, helpContext, helpFile);
    }
    HRESULT GetContainingTypeLib(ITypeLib** library, UINT* index) override
    {
        ComPtr<ITypeLib> innerLibrary;
        HRESULT hr = inner_->GetContainingTypeLib(library ? innerLibrary.Out() : nullptr, index);
        if (SUCCEEDED(hr) && library)
            owner_.CopyTo(library);
        return hr;
    }
    const InterfaceDescription* Description() override { return inner_->Description(); }

private:
    ComPtr<ITypeLib> owner_;
    ComPtr<ITypeInfo> inner_;
};

HRESULT LoadedTypeLib::Wrap(HRESULT hr, ComPtr<ITypeInfo> inner, ITypeInfo** info)
{
    if (FAILED(hr) || !inner)
        return FAILED(hr) ? hr : E_UNEXPECTED;
    auto* wrapped = new (std::nothrow) LoadedTypeInfo(ComPtr<ITypeLib>(this), std::move(inner));
    if (!wrapped)
        return E_OUTOFMEMORY;
    *info = wrapped;
    return S_OK;
}

HRESULT LoadedTypeLib::GetTypeInfo(UINT index, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    ComPtr<ITypeInfo> inner;
    HRESULT hr = inner_->GetTypeInfo(index, inner.Out());
    return Wrap(hr, std::move(inner), info);
}

HRESULT LoadedTypeLib::GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    ComPtr<ITypeInfo> inner;
    HRESULT hr = inner_->GetTypeInfoOfGuid(guid, inner.Out());
    return Wrap(hr, std::move(inner), info);
}

// "<major>.<minor>" parsed from a version key name.
bool ParseVersion(const std::string& name, unsigned& major, unsigned& minor)
{
    size_t dot = name.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size())
        return false;
    const char* end = name.data() + name.size();
    auto a = std::from_chars(name.data(), name.data() + dot, major, 16);
    auto b = std::from_chars(name.data() + dot + 1, end, minor, 16);
    return a.ec == std::errc() && a.ptr == name.data() + dot && b.ec == std::errc() && b.ptr == end;
}

// The registered version to use: the one asked for, or else the newest
// minor version of the same major version.
std::optional<std::string> FindVersionKey(REFGUID libid, WORD major, WORD minor)
{
    std::string base = LibraryKey(libid);
    std::string exact = VersionName(major, minor);
    if (Registry::KeyExists(base + "\\" + exact))
        return base + "\\" + exact;
    std::optional<std::string> best;
    unsigned bestMinor = 0;
    for (const std::string& name : Registry::SubKeys(base)) {
        unsigned ma = 0, mi = 0;
        if (ParseVersion(name, ma, mi) && ma == major && mi >= minor && (!best || mi > bestMinor)) {
            best = base + "\\" + name;
            bestMinor = mi;
        }
    }
    return best;
}

std::optional<std::string> FindModulePath(const std::string& versionKey, LCID lcid)
{
    auto hex = [](unsigned v) {
        char buffer[16];
        return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v, 16).ptr);
    };
    for (unsigned locale : {static_cast<unsigned>(lcid), static_cast<unsigned>(lcid & 0x3FF), 0u}) {
        if (auto path = Registry::GetString(versionKey + "\\" + hex(locale) + "\\win32"); path && !path->empty())
            return path;
    }
    return std::nullopt;
}

} // namespace

HRESULT RegisterTypeLibDescription(const TypeLibDescription* description, const char* modulePath)
{
    if (!description || !modulePath || !*modulePath)
        return E_INVALIDARG;
    std::string path(modulePath);
    return Registry::Update([&](Registry::Edit& edit) { typelib_registration::AddEntries(edit, *description, path); });
}

HRESULT UnRegisterTypeLibDescription(const TypeLibDescription* description)
{
    if (!description)
        return E_INVALIDARG;
    return Registry::Update([&](Registry::Edit& edit) { typelib_registration::RemoveEntries(edit, *description); });
}

HRESULT LoadRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, ITypeLib** library)
{
    if (!library)
        return E_POINTER;
    *library = nullptr;
    auto versionKey = FindVersionKey(libid, major, minor);
    if (!versionKey)
        return TYPE_E_LIBNOTREGISTERED;
    auto registered = FindModulePath(*versionKey, lcid);
    if (!registered)
        return TYPE_E_LIBNOTREGISTERED;
    auto realPath = activation_detail::ResolveModulePath(*registered);
    if (!realPath) {
        activation_detail::SetModuleLoadError(*registered + ": no such module file");
        return TYPE_E_CANTLOADLIBRARY;
    }
    ModuleHandle module = ModuleHandle::Open(*realPath);
    auto describe = reinterpret_cast<GetTypeLibDescriptionFunction>(module.Symbol(kTypeLibExport));
    if (!describe)
        return TYPE_E_CANTLOADLIBRARY;
    const TypeLibDescription* description = describe();
    if (!description || description->libid != libid || description->majorVersion != major) {
        activation_detail::SetModuleLoadError(*realPath + ": holds another type library than the one registered");
        return TYPE_E_CANTLOADLIBRARY;
    }
    ComPtr<ITypeLib> inner;
    HRESULT hr = CreateTypeLibFromDescription(description, inner.Out());
    if (FAILED(hr))
        return hr;
    if (!inner)
        return E_UNEXPECTED;
    auto* loaded = new (std::nothrow) LoadedTypeLib(std::move(module), std::move(inner));
    if (!loaded)
        return E_OUTOFMEMORY;
    *library = loaded;
    return S_OK;
}
