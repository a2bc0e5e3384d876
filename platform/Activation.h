// Object creation by class identifier through the registry and dlopen.
#pragma once

#include "platform/Interfaces.h"

#include <string>

HRESULT CoInitialize(void* reserved);
HRESULT CoInitializeEx(void* reserved, DWORD flags); // accepted; changes nothing (no apartments)
void CoUninitialize();

// Resolves HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32, loads that module
// once (dlopen) and asks its DllGetClassObject. REGDB_E_CLASSNOTREG when the
// class is not registered; CO_E_DLLNOTFOUND / CO_E_ERRORINDLL when the module
// does not load or lacks the entry point.
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* serverInfo, REFIID riid, void** object);
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object);
// Unloads every module loaded by the two calls above whose DllCanUnloadNow answers S_OK.
void CoFreeUnusedLibraries();

// HKEY_CLASSES_ROOT\<progid>\CLSID and HKEY_CLASSES_ROOT\CLSID\{clsid}\ProgID.
HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);
// The caller frees *progId with CoTaskMemFree.
HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId);

void* CoTaskMemAlloc(size_t size);
void CoTaskMemFree(void* memory);

// Puts an object into the running state; in-process objects always are.
HRESULT OleRun(IUnknown* object);

// Registers / unregisters a module by calling its DllRegisterServer or
// DllUnregisterServer (what `tshost regsvr` does). CO_E_DLLNOTFOUND when
// there is no such file, CO_E_ERRORINDLL when it does not load, the Win32
// code ERROR_PROC_NOT_FOUND when it lacks the entry point.
HRESULT RegisterServerModule(const std::string& modulePath, bool unregister);

// Why the last module that this thread tried to load did not load (the
// loader's own words, e.g. an undefined symbol), for tools that tell a
// person what to fix; empty when there was no such failure.
std::string LastModuleLoadError();
