#include "platform/ComObject.h"

#include <atomic>
#include <new>

namespace {

// Stand-in for the platform's free-threaded marshaler. There are no
// apartments, so all it does is answer IMarshal for the object that
// aggregates it. Aggregation rules: the inner unknown is the marshaler's own
// identity and count; IMarshal's IUnknown members go to the outer object.
class FreeThreadedMarshaler final : public IMarshal {
public:
    explicit FreeThreadedMarshaler(IUnknown* outer) : controlling_(outer ? outer : &inner_) {}

    IUnknown* Inner() { return &inner_; }

    HRESULT QueryInterface(REFIID riid, void** object) override { return controlling_->QueryInterface(riid, object); }
    ULONG AddRef() override { return controlling_->AddRef(); }
    ULONG Release() override { return controlling_->Release(); }

private:
    struct InnerUnknown final : IUnknown {
        explicit InnerUnknown(FreeThreadedMarshaler* owner) : owner_(owner) {}
        HRESULT QueryInterface(REFIID riid, void** object) override
        {
            if (!object)
                return E_POINTER;
            *object = nullptr;
            IUnknown* answer = nullptr;
            if (riid == IUnknown::iid)
                answer = this;
            else if (riid == IMarshal::iid)
                answer = static_cast<IMarshal*>(owner_);
            else
                return E_NOINTERFACE;
            answer->AddRef(); // through the interface handed out, so IMarshal counts on the outer object
            *object = answer;
            return S_OK;
        }
        ULONG AddRef() override { return ++owner_->references_; }
        ULONG Release() override
        {
            ULONG left = --owner_->references_;
            if (left == 0)
                delete owner_;
            return left;
        }
        FreeThreadedMarshaler* owner_;
    };

    InnerUnknown inner_{this};
    IUnknown* controlling_;
    std::atomic<ULONG> references_{0};
};

} // namespace

HRESULT CoCreateFreeThreadedMarshaler(IUnknown* outer, IUnknown** marshaler)
{
    if (!marshaler)
        return E_INVALIDARG;
    *marshaler = nullptr;
    auto* created = new (std::nothrow) FreeThreadedMarshaler(outer);
    if (!created)
        return E_OUTOFMEMORY;
    IUnknown* inner = created->Inner();
    inner->AddRef();
    *marshaler = inner;
    return S_OK;
}
