#pragma once

#include "util/U_Ref.h"

#include <utility>

/// Intrusive smart pointer to a U_Ref-derived object; the last holder to let
/// go deletes the object through its virtual destructor. No null checks.
template <class T>
class U_RefPtr {
public:
    U_RefPtr() noexcept = default;
    U_RefPtr(T* p) noexcept : ptr_(p) { take(); }
    U_RefPtr(const U_RefPtr& other) noexcept : ptr_(other.ptr_) { take(); }
    U_RefPtr(U_RefPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    template <class U>
    U_RefPtr(const U_RefPtr<U>& other) noexcept : ptr_(other.get()) { take(); }
    ~U_RefPtr() { release(); }

    // The new reference is taken before the old one is dropped, so assigning
    // a holder to itself, or the object it already holds, never destroys it.
    U_RefPtr& operator=(T* p) noexcept
    {
        T* old = ptr_;
        ptr_ = p;
        take();
        drop(old);
        return *this;
    }
    U_RefPtr& operator=(const U_RefPtr& other) noexcept { return *this = other.ptr_; }
    U_RefPtr& operator=(U_RefPtr&& other) noexcept
    {
        U_RefPtr moved(std::move(other));
        swap(moved);
        return *this;
    }

    T* get() const noexcept { return ptr_; }
    T* operator->() const noexcept { return ptr_; }
    T& operator*() const noexcept { return *ptr_; }
    explicit operator bool() const noexcept { return ptr_ != nullptr; }
    bool isValid() const noexcept { return ptr_ != nullptr; }

    void swap(U_RefPtr& other) noexcept { std::swap(ptr_, other.ptr_); }

    // Drops the holder's reference (deleting the object when it was the
    // last) and leaves the holder null, so that its destructor cannot drop
    // the same reference a second time.
    void release() noexcept
    {
        T* old = std::exchange(ptr_, nullptr);
        drop(old);
    }

private:
    void take() noexcept
    {
        if (ptr_)
            static_cast<U_Ref*>(ptr_)->addRef();
    }
    static void drop(T* p) noexcept
    {
        if (p)
            U_Ref::dropRef(p);
    }

    T* ptr_ = nullptr;
};

template <class T, class U>
bool operator==(const U_RefPtr<T>& a, const U_RefPtr<U>& b) noexcept { return a.get() == b.get(); }
template <class T, class U>
bool operator!=(const U_RefPtr<T>& a, const U_RefPtr<U>& b) noexcept { return a.get() != b.get(); }
template <class T, class U>
bool operator<(const U_RefPtr<T>& a, const U_RefPtr<U>& b) noexcept { return a.get() < b.get(); }
