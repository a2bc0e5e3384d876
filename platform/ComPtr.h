// Counted reference to an interface: AddRef on copy, Release on destruction.
#pragma once

#include "platform/Interfaces.h"

#include <utility>

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a reference of its own.
    explicit ComPtr(T* p) : p_(p)
    {
        if (p_)
            p_->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    template <typename U>
    ComPtr(const ComPtr<U>& other) : ComPtr(static_cast<T*>(other.Get()))
    {
    }
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(p_, other.p_);
        return *this;
    }

    // Adopts a reference that the caller already owns.
    static ComPtr Attach(T* p)
    {
        ComPtr c;
        c.p_ = p;
        return c;
    }
    T* Detach() { return std::exchange(p_, nullptr); }
    void Reset()
    {
        if (T* p = std::exchange(p_, nullptr))
            p->Release();
    }
    // Releases the current reference and gives the address for an out parameter.
    T** Out()
    {
        Reset();
        return &p_;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // QueryInterface for U; an empty pointer when the object lacks it.
    template <typename U>
    ComPtr<U> As() const
    {
        ComPtr<U> result;
        if (p_)
            p_->QueryInterface(U::iid, result.OutVoid());
        return result;
    }
    template <typename U>
    HRESULT As(ComPtr<U>& result) const
    {
        return p_ ? p_->QueryInterface(U::iid, result.OutVoid()) : E_POINTER;
    }
    // Hands a new reference out through an interface out parameter.
    HRESULT CopyTo(T** out) const
    {
        if (!out)
            return E_POINTER;
        *out = p_;
        if (p_)
            p_->AddRef();
        return S_OK;
    }

private:
    T* p_ = nullptr;
};
