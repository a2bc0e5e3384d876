// Module bookkeeping and the entry points every in-process server exports.
//
// A module lists its classes in a ModuleDescription and writes
// TS_DEFINE_MODULE(description) once; that defines DllGetClassObject,
// DllCanUnloadNow, DllRegisterServer, DllUnregisterServer and the type
// library export with C linkage, plus the module's own ThisModule().
#pragma once

#include "platform/Interfaces.h"
#include "platform/TypeDescription.h"

#include <atomic>
#include <cstddef>

// Live objects and server locks of one module; DllCanUnloadNow answers S_OK
// only when both are zero.
class ModuleState {
public:
    void ObjectCreated() { objects_.fetch_add(1, std::memory_order_relaxed); }
    void ObjectDestroyed() { objects_.fetch_sub(1, std::memory_order_acq_rel); }
    void Lock() { locks_.fetch_add(1, std::memory_order_relaxed); }
    void Unlock() { locks_.fetch_sub(1, std::memory_order_acq_rel); }
    bool CanUnload() const
    {
        return objects_.load(std::memory_order_acquire) == 0 && locks_.load(std::memory_order_acquire) == 0;
    }
    long Objects() const { return objects_.load(std::memory_order_acquire); }

private:
    std::atomic<long> objects_{0};
    std::atomic<long> locks_{0};
};

// The state of the module this code is linked into. Every module (and every
// program that defines objects of its own) defines it once, through
// TS_DEFINE_MODULE or TS_DEFINE_MODULE_STATE; with hidden visibility each
// module binds to its own.
ModuleState& ThisModule();

using CreateInstanceFunction = HRESULT (*)(IUnknown* outer, REFIID riid, void** object);

struct ClassEntry {
    const CoClassDescription* coclass;
    CreateInstanceFunction create;
};

struct ModuleDescription {
    const TypeLibDescription* typeLib; // may be null for a module without one
    const ClassEntry* classes;
    size_t classCount;
    ModuleState* state;
};

// Implementations behind the exported entry points (in the platform library).
HRESULT ModuleGetClassObject(const ModuleDescription& module, REFCLSID clsid, REFIID riid, void** object);
HRESULT ModuleCanUnloadNow(const ModuleDescription& module);
// The module's path is found from the address of its description.
HRESULT ModuleRegisterServer(const ModuleDescription& module);
HRESULT ModuleUnregisterServer(const ModuleDescription& module);

#define TS_EXPORT extern "C" __attribute__((visibility("default")))

#define TS_DEFINE_MODULE_STATE()                                                                                 \
    ModuleState& ThisModule()                                                                                    \
    {                                                                                                            \
        static ModuleState state;                                                                                \
        return state;                                                                                            \
    }

// Defines the module's entry points from a function returning its description.
#define TS_DEFINE_MODULE(describe)                                                                               \
    TS_DEFINE_MODULE_STATE()                                                                                     \
    TS_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** object)                              \
    {                                                                                                            \
        return ModuleGetClassObject(describe(), clsid, riid, object);                                            \
    }                                                                                                            \
    TS_EXPORT HRESULT DllCanUnloadNow() { return ModuleCanUnloadNow(describe()); }                               \
    TS_EXPORT HRESULT DllRegisterServer() { return ModuleRegisterServer(describe()); }                           \
    TS_EXPORT HRESULT DllUnregisterServer() { return ModuleUnregisterServer(describe()); }                       \
    TS_EXPORT const TypeLibDescription* TsGetTypeLibDescription() { return describe().typeLib; }

using DllGetClassObjectFunction = HRESULT (*)(REFCLSID, REFIID, void**);
using DllCanUnloadNowFunction = HRESULT (*)();
using DllRegisterServerFunction = HRESULT (*)();
