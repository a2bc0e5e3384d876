// The per-module cache of type information behind DispatchObject.
//
// The cached objects point into a module's constant tables, so the cache
// lives in the module: CachedTypeInfo is inline with hidden visibility, each
// module (and each program) gets a cache of its own, and the module's static
// destructor empties it when the module is unloaded. The cache's own
// reference does not lock the module; every reference handed out to a
// client does (as a lock on the module's ModuleState), so DllCanUnloadNow
// refuses while a client still holds type information of the module.
#pragma once

#include "platform/Module.h"
#include "platform/TypeInfo.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

// Creates the module-owned type information of interface `iid` of `library`.
// The reference returned in *owner does not lock `module`; further
// references (AddRef, and the objects it hands out) do until released.
// The owner reference is given back with ReleaseModuleTypeInfo, never with
// Release. TYPE_E_ELEMENTNOTFOUND when the tables have no such interface.
HRESULT CreateModuleTypeInfo(const TypeLibDescription& library, REFIID iid, ModuleState* module, ITypeInfo** owner);
void ReleaseModuleTypeInfo(ITypeInfo* owner);

class __attribute__((visibility("hidden"))) ModuleTypeInfoCache {
public:
    ModuleTypeInfoCache() = default;
    ModuleTypeInfoCache(const ModuleTypeInfoCache&) = delete;
    ModuleTypeInfoCache& operator=(const ModuleTypeInfoCache&) = delete;
    ~ModuleTypeInfoCache()
    {
        for (auto& entry : entries_)
            ReleaseModuleTypeInfo(entry->info);
    }

    ITypeInfo* Find(const TypeLibDescription& library, REFIID iid, ModuleState& module)
    {
        // Readers walk the published list without a lock; entries are only
        // ever added at the head and never change once published.
        for (const Entry* e = head_.load(std::memory_order_acquire); e; e = e->next)
            if (e->library == &library && e->iid == iid)
                return e->info;
        std::lock_guard<std::mutex> guard(mutex_);
        for (const Entry* e = head_.load(std::memory_order_relaxed); e; e = e->next)
            if (e->library == &library && e->iid == iid)
                return e->info;
        ITypeInfo* info = nullptr;
        if (FAILED(CreateModuleTypeInfo(library, iid, &module, &info)) || !info)
            return nullptr;
        entries_.push_back(std::make_unique<Entry>(Entry{&library, iid, info, head_.load(std::memory_order_relaxed)}));
        head_.store(entries_.back().get(), std::memory_order_release);
        return info;
    }

private:
    struct Entry {
        const TypeLibDescription* library;
        IID iid;
        ITypeInfo* info;
        const Entry* next;
    };
    std::atomic<const Entry*> head_{nullptr};
    std::mutex mutex_;
    std::vector<std::unique_ptr<Entry>> entries_;
};

// Shared, cached type information for one interface of a module's library
// (borrowed: valid while the module is loaded). Null when the tables have no
// such interface.
__attribute__((visibility("hidden"))) inline ITypeInfo* CachedTypeInfo(const TypeLibDescription& library, REFIID iid)
{
    static ModuleTypeInfoCache cache;
    return cache.Find(library, iid, ThisModule());
}
