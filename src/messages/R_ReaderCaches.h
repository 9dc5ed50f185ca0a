#pragma once

#include "messages/U_Identifier.h"
#include "messages/U_Location.h"
#include "util/U_Filename.h"

#include <cstdint>
#include <deque>

/// One of a reader's id caches: what the ids of the section read so far
/// stand for.
class R_ReaderDataInterface {
public:
    virtual ~R_ReaderDataInterface() = default;
    // True when id is 0 or more and below the number of entries; a negative
    // id is never cached.
    virtual bool has(std::int32_t id) const = 0;
    // Forgets every entry (at a section start).
    virtual void clear() = 0;
};

/// Identifiers or file names in the order their bodies were read, so the
/// body of id n lands at position n.
template <class T>
class R_ReaderSimpleData final : public R_ReaderDataInterface {
public:
    bool has(std::int32_t id) const override
    {
        return id >= 0 && static_cast<std::uint64_t>(id) < entries_.size();
    }
    void clear() override { entries_.clear(); }
    // The entry of id; has(id) must be true.
    const T& get(std::int32_t id) const { return entries_[static_cast<std::size_t>(id)]; }
    void append(const T& value) { entries_.push_back(value); }

private:
    std::deque<T> entries_;
};

/// Locations by id. A location's id comes before its nested parts in the
/// file but it is stored after them, so the slots fill out of order; the
/// cache also counts the bodies begun, which tells the one id a new body may
/// carry.
class R_ReaderLocData final : public R_ReaderDataInterface {
public:
    bool has(std::int32_t id) const override
    {
        return id >= 0 && static_cast<std::uint64_t>(id) < slots_.size();
    }
    // Forgets the slots and the bodies begun.
    void clear() override;
    // The location in slot id (null while its body is being read); has(id)
    // must be true.
    const U_Location& get(std::int32_t id) const { return slots_[static_cast<std::size_t>(id)]; }
    // Puts location in slot id, adding null slots up to it; a negative id
    // stores nothing.
    void set(std::int32_t id, const U_Location& location);

    // The id the next new location body carries: the number of bodies begun
    // since the section start.
    std::int32_t nextNewId() const noexcept { return begun_; }
    // Counts one more body begun.
    void beginBody() noexcept { ++begun_; }

private:
    std::deque<U_Location> slots_;
    std::int32_t begun_ = 0;
};

/// The three caches of one reader: identifiers, file names, locations.
struct R_ReaderCaches {
    R_ReaderSimpleData<U_Identifier> identifiers;
    R_ReaderSimpleData<U_Filename> filenames;
    R_ReaderLocData locations;

    // Forgets all three.
    void clear();
};
