// Shared owning pointers with an atomic use count kept beside the object.
// Copies share the object; the last release deletes it through the one
// virtual operation of the base, so a Ptr may be released on any thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <utility>

class PtrBase {
public:
    std::int32_t UseCount() const { return count_ ? count_->load(std::memory_order_acquire) : 0; }

protected:
    PtrBase() = default;
    explicit PtrBase(bool owning) : count_(owning ? new std::atomic<std::int32_t>(1) : nullptr) {}
    PtrBase(const PtrBase& other) : count_(other.count_) { AddRef(); }
    PtrBase(PtrBase&& other) noexcept : count_(std::exchange(other.count_, nullptr)) {}
    ~PtrBase() = default;

    void AddRef()
    {
        if (count_)
            count_->fetch_add(1, std::memory_order_relaxed);
    }
    // True when this was the last reference: the caller then frees the object.
    bool ReleaseRef()
    {
        if (!count_)
            return false;
        if (count_->fetch_sub(1, std::memory_order_acq_rel) != 1) {
            count_ = nullptr;
            return false;
        }
        delete count_;
        count_ = nullptr;
        return true;
    }
    void Swap(PtrBase& other) noexcept { std::swap(count_, other.count_); }

private:
    std::atomic<std::int32_t>* count_ = nullptr;
};

template <typename T>
class Ptr : public PtrBase {
public:
    Ptr() = default;
    explicit Ptr(T* object) : PtrBase(object != nullptr), object_(object) {}
    Ptr(const Ptr& other) : PtrBase(other), object_(other.object_) {}
    Ptr(Ptr&& other) noexcept : PtrBase(std::move(other)), object_(std::exchange(other.object_, nullptr)) {}
    // Shares ownership with a Ptr of a derived type.
    template <typename U>
    Ptr(const Ptr<U>& other) : PtrBase(other), object_(other.Get()) {}
    virtual ~Ptr() { Reset(); }

    Ptr& operator=(Ptr other) noexcept
    {
        Swap(other);
        std::swap(object_, other.object_);
        return *this;
    }

    void Reset()
    {
        if (ReleaseRef())
            Destroy();
        object_ = nullptr;
    }

    T* Get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    virtual void Destroy() { delete object_; }

    T* object_ = nullptr;
};

template <typename T, typename... Args>
Ptr<T> MakePtr(Args&&... args)
{
    return Ptr<T>(new T(std::forward<Args>(args)...));
}

// The same for an array allocated with new[].
class PtrArrayBase : public PtrBase {
protected:
    using PtrBase::PtrBase;
};

template <typename T>
class PtrArray : public PtrArrayBase {
public:
    PtrArray() = default;
    explicit PtrArray(std::size_t size) : PtrArrayBase(true), items_(new T[size]()), size_(size) {}
    PtrArray(const PtrArray& other) : PtrArrayBase(other), items_(other.items_), size_(other.size_) {}
    PtrArray(PtrArray&& other) noexcept
        : PtrArrayBase(std::move(other)), items_(std::exchange(other.items_, nullptr)),
          size_(std::exchange(other.size_, 0))
    {
    }
    virtual ~PtrArray() { Reset(); }

    PtrArray& operator=(PtrArray other) noexcept
    {
        Swap(other);
        std::swap(items_, other.items_);
        std::swap(size_, other.size_);
        return *this;
    }

    void Reset()
    {
        if (ReleaseRef())
            Destroy();
        items_ = nullptr;
        size_ = 0;
    }

    T* Get() const { return items_; }
    std::size_t Size() const { return size_; }
    T& operator[](std::size_t i) const { return items_[i]; }
    explicit operator bool() const { return items_ != nullptr; }

private:
    virtual void Destroy() { delete[] items_; }

    T* items_ = nullptr;
    std::size_t size_ = 0;
};
