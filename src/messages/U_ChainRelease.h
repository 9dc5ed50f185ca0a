#pragma once

#include "util/U_RefPtr.h"

#include <utility>

class U_Location;

/// Releases the references that shared location objects hold to one another
/// (includers, callers, from-locations, macro histories, entity names) without
/// recursion. A message file can chain such objects a million deep; deleting
/// the head would otherwise delete each link from inside the destructor of the
/// one before it and run out of stack.
///
/// A destructor makes one U_ChainRelease and hands it the references it holds.
/// The outermost U_ChainRelease (one not made while another is draining) drops
/// the handed-over references when it ends, one at a time; an object deleted
/// that way hands its own references to the same queue instead of releasing
/// them at once. The queue is last in, first out: a destructor that hands its
/// references over in the reverse of its release order gets them released in
/// the order plain recursion would.
class U_ChainRelease {
public:
    U_ChainRelease() noexcept;
    // The outermost one drops every queued reference, deleting each object
    // whose last reference it was, until the queue is empty.
    ~U_ChainRelease();
    U_ChainRelease(const U_ChainRelease&) = delete;
    U_ChainRelease& operator=(const U_ChainRelease&) = delete;

    // Takes the holder's reference into the queue; the holder becomes null.
    // When the queue cannot grow, the reference is dropped at once instead.
    template <class T>
    void take(U_RefPtr<T>& holder) noexcept
    {
        U_RefPtr<T> moved(std::move(holder));
        queue(static_cast<const U_Ref*>(moved.get()));
    }
    void take(U_Location& holder) noexcept;

private:
    // Adds a queued reference to object (none for null); the caller then drops
    // its own, which never deletes the object.
    static void queue(const U_Ref* object) noexcept;

    bool outermost_;
};
