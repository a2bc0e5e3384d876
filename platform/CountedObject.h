// The small objects of the platform itself (class factories, library
// wrappers): one interface, an atomic count starting at 1 for the creator,
// deleted at zero. Automation classes use DispatchObject instead.
#pragma once

#include "platform/Interfaces.h"

#include <atomic>

template <typename Interface>
class CountedObject : public Interface {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (riid != IUnknown::iid && riid != Interface::iid)
            return E_NOINTERFACE;
        *object = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override
    {
        ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    virtual ~CountedObject() = default;

private:
    std::atomic<ULONG> references_{1};
};
