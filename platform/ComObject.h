// The reference-counting core every automation class is built on.
//
//   class CTsScannerData : public DispatchObject<CTsScannerData, ITsScannerData> {
//   public:
//       static const CoClassDescription& CoClass();
//       HRESULT get_Value(...) override;  // the interface's own members
//   };
//
// DispatchObject supplies IUnknown (atomic count, aggregation), IDispatch
// through the interface's type information, ISupportErrorInfo for the own
// interface, the aggregated free-threaded marshaler, the object's recursive
// lock and the module's object count. Further interfaces are listed after
// the first and answered by QueryInterface as well.
#pragma once

#include "platform/ComPtr.h"
#include "platform/Interfaces.h"
#include "platform/Module.h"
#include "platform/TypeInfo.h"
#include "platform/TypeInfoCache.h"

#include <atomic>
#include <mutex>
#include <new>

// Creates the stand-in of the platform's free-threaded marshaler, aggregated
// by `outer`: it answers IMarshal and delegates everything else to `outer`.
HRESULT CoCreateFreeThreadedMarshaler(IUnknown* outer, IUnknown** marshaler);

// CachedTypeInfo(library, iid): shared, cached type information for one
// interface of a module's library (a cache per module, see TypeInfoCache.h).

template <typename Derived, typename Interface, typename... Extra>
class DispatchObject : public Interface, public ISupportErrorInfo, public Extra... {
public:
    using PrimaryInterface = Interface;

    // The class factory's creation function.
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object)
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer && riid != IUnknown::iid)
            return CLASS_E_NOAGGREGATION;
        Derived* created = new (std::nothrow) Derived();
        if (!created)
            return E_OUTOFMEMORY;
        DispatchObject& self = *created;
        self.controlling_ = outer ? outer : &self.inner_;
        self.inner_.AddRef();
        HRESULT hr = CoCreateFreeThreadedMarshaler(self.controlling_, self.marshaler_.Out());
        if (SUCCEEDED(hr))
            hr = created->FinalConstruct();
        if (SUCCEEDED(hr))
            hr = self.inner_.QueryInterface(riid, object);
        self.inner_.Release();
        return hr;
    }

    // IUnknown of every interface goes to the controlling unknown.
    HRESULT QueryInterface(REFIID riid, void** object) override { return controlling_->QueryInterface(riid, object); }
    ULONG AddRef() override { return controlling_->AddRef(); }
    ULONG Release() override { return controlling_->Release(); }

    // IDispatch, driven by the interface's type information.
    HRESULT GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT index, LCID, ITypeInfo** info) override
    {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        if (index != 0)
            return DISP_E_BADINDEX;
        ITypeInfo* ti = TypeInfo();
        if (!ti)
            return TYPE_E_ELEMENTNOTFOUND;
        ti->AddRef();
        *info = ti;
        return S_OK;
    }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        ITypeInfo* ti = TypeInfo();
        return ti ? ti->GetIDsOfNames(names, count, ids) : TYPE_E_ELEMENTNOTFOUND;
    }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                   UINT* argumentError) override
    {
        ITypeInfo* ti = TypeInfo();
        if (!ti)
            return TYPE_E_ELEMENTNOTFOUND;
        return ti->Invoke(static_cast<Interface*>(this), id, flags, params, result, exception, argumentError);
    }

    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override
    {
        return riid == Interface::iid ? S_OK : S_FALSE;
    }

    // The object's own recursive lock, held by every member for its whole call.
    std::recursive_mutex& ObjectLock() const { return lock_; }

    // The implementation object behind an interface pointer of this class,
    // or null when the pointer belongs to some other implementation.
    static Derived* FromInterface(Interface* pointer)
    {
        if (!pointer)
            return nullptr;
        void* ours = nullptr;
        if (FAILED(pointer->QueryInterface(ImplementationTag(), &ours)) || !ours)
            return nullptr;
        auto* found = static_cast<Interface*>(ours);
        found->Release();
        return static_cast<Derived*>(static_cast<DispatchObject*>(found));
    }

protected:
    DispatchObject() { ThisModule().ObjectCreated(); }
    // Virtual so the last Release deletes the whole object; being declared
    // after the interfaces' members it does not disturb their vtable slots.
    virtual ~DispatchObject() { ThisModule().ObjectDestroyed(); }

    // Called once after construction; a failure destroys the new object.
    HRESULT FinalConstruct() { return S_OK; }

    // The interfaces this object answers, for the inner unknown.
    HRESULT InternalQueryInterface(REFIID riid, void** object)
    {
        if (riid == IUnknown::iid)
            *object = &inner_;
        else if (riid == IDispatch::iid || riid == Interface::iid)
            *object = static_cast<Interface*>(this);
        else if (riid == ISupportErrorInfo::iid)
            *object = static_cast<ISupportErrorInfo*>(this);
        else if (riid == ImplementationTag())
            *object = static_cast<Interface*>(this);
        else if (riid == IMarshal::iid && marshaler_)
            return marshaler_->QueryInterface(riid, object);
        else if (!QueryExtra<Extra...>(riid, object))
            return E_NOINTERFACE;
        // Aggregation rule: only the inner unknown counts on this object;
        // every other interface counts on the controlling (outer) one.
        if (riid == IUnknown::iid)
            inner_.AddRef();
        else
            controlling_->AddRef();
        return S_OK;
    }

private:
    // A private identifier that only this class answers: the coclass id
    // doubles as the "is this our implementation" probe.
    static const IID& ImplementationTag() { return Derived::CoClass().clsid; }

    template <typename... Rest>
    bool QueryExtra(REFIID riid, void** object)
    {
        (void)riid;
        (void)object;
        return ((riid == Rest::iid ? (*object = static_cast<Rest*>(this), true) : false) || ...);
    }

    static ITypeInfo* TypeInfo() { return CachedTypeInfo(InterfaceLibrary<Interface>::Get(), Interface::iid); }

    // The non-delegating unknown: the object's identity and its own count.
    struct InnerUnknown final : IUnknown {
        explicit InnerUnknown(DispatchObject* owner) : owner_(owner) {}
        HRESULT QueryInterface(REFIID riid, void** object) override
        {
            if (!object)
                return E_POINTER;
            *object = nullptr;
            return owner_->InternalQueryInterface(riid, object);
        }
        ULONG AddRef() override { return ++owner_->references_; }
        ULONG Release() override
        {
            ULONG left = --owner_->references_;
            if (left == 0)
                delete static_cast<Derived*>(owner_);
            return left;
        }
        DispatchObject* owner_;
    };

    InnerUnknown inner_{this};
    IUnknown* controlling_ = &inner_;
    std::atomic<ULONG> references_{0};
    ComPtr<IUnknown> marshaler_;
    mutable std::recursive_mutex lock_;
};
