#pragma once

#include <cstdint>

/// Base of every object that several owners share through U_RefPtr. The count
/// is a plain integer: the whole program runs on one thread.
class U_Ref {
public:
    static constexpr std::uint32_t kMarker = 4711;

    U_Ref() noexcept = default;
    // A copy is a new object: it starts with a fresh count, whatever the
    // source's count was.
    U_Ref(const U_Ref&) noexcept {}
    // Assignment copies the object's value, never its count.
    U_Ref& operator=(const U_Ref&) noexcept { return *this; }
    virtual ~U_Ref() = 0;

    // Number of U_RefPtr holders of this object.
    std::uint32_t refCount() const noexcept { return count_; }
    std::uint32_t marker() const noexcept { return marker_; }

    void addRef() noexcept { ++count_; }
    // Drops one reference of p (not null) and deletes p when it was the last
    // one; true when p was deleted. Kept out of line so that the compiler
    // does not mistake a later use of a still-shared object for a use after
    // the delete on the other branch.
    static bool dropRef(U_Ref* p) noexcept;

private:
    std::uint32_t count_ = 0;
    std::uint32_t marker_ = kMarker;
};

inline U_Ref::~U_Ref() = default;
