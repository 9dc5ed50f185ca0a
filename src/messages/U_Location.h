#pragma once

#include "messages/U_LocationData.h"

#include <cstdint>
#include <utility>

/// The value through which source locations travel: a handle to shared,
/// immutable U_LocationData. Copying shares the data; a location with another
/// part is a new handle. The null handle stands for no location.
class U_Location {
public:
    // The null location.
    U_Location() noexcept = default;
    explicit U_Location(U_RefPtr<U_LocationData> data) noexcept : data_(std::move(data)) {}

    // Each creation makes new data; throws std::bad_alloc only.
    // A location without parts.
    static U_Location create(const U_Filename& file, std::int32_t line, std::int32_t column);
    // With the includer part when includer is not null.
    static U_Location create(const U_Location& includer, const U_Filename& file, std::int32_t line,
                             std::int32_t column);
    // With the includer and macro-history parts, each when it is not null.
    static U_Location create(const U_Location& includer, const U_Filename& file, std::int32_t line,
                             std::int32_t column, const U_RefPtr<U_MacroHistory>& history);

    // False for the null location.
    bool isValid() const noexcept { return data_.isValid(); }
    explicit operator bool() const noexcept { return data_.isValid(); }
    // The shared data, the identity of the location; null for no location.
    const U_LocationData* data() const noexcept { return data_.get(); }

    // The queries below require a location that is not null.
    const U_Filename& fileName() const noexcept { return data_->fileName(); }
    std::int32_t line() const noexcept { return data_->line(); }
    std::int32_t column() const noexcept { return data_->column(); }
    bool hasInclLoc() const noexcept { return data_->hasInclLoc(); }
    bool hasMacroHist() const noexcept { return data_->hasMacroHist(); }
    bool hasHLLoc() const noexcept { return data_->hasHLLoc(); }
    bool hasInstFromLoc() const noexcept { return data_->hasInstFromLoc(); }
    bool hasCalledFromLoc() const noexcept { return data_->hasCalledFromLoc(); }

    // The includer; the null location when there is no include part.
    U_Location inclLoc() const noexcept { return hasInclLoc() ? data_->inclLoc() : U_Location(); }
    // The getters below require their part: test the has-query first.
    U_RefPtr<U_MacroHistory> macroHistory() const noexcept;
    U_Filename hlFileName() const noexcept { return data_->hlFileName(); }
    std::int32_t hlLine() const noexcept { return data_->hlLine(); }
    U_Location instFromLoc() const noexcept { return data_->instFromLoc(); }
    U_RefPtr<U_EntityDisplayName> instFromName() const noexcept;
    U_Location calledFromLoc() const noexcept { return data_->calledFromLoc(); }

    // Derived locations: new handles to new data, as U_LocationData's
    // with-operations make them; this handle and its data stay as they are.
    U_Location withHLLoc(const U_Filename& file, std::int32_t line) const;
    U_Location withInstFromLoc(const U_Location& from, U_RefPtr<U_EntityDisplayName> name) const;
    U_Location withCalledFromLoc(const U_Location& caller) const;

    // True exactly when both hold the same data object (or both are null):
    // equal contents in two objects are two locations.
    bool operator==(const U_Location& other) const noexcept { return data_ == other.data_; }
    bool operator!=(const U_Location& other) const noexcept { return data_ != other.data_; }

    // True when both hold the same data (two nulls included), false when just
    // one is null, else whether their files' full names are one interned name
    // (so names differing only in letter case are one file).
    static bool sameFile(const U_Location& a, const U_Location& b) noexcept;

    // -1, 0 or 1. In one file (one interned full name): by line, then
    // column; else by every byte of the stored full names, as unsigned, a
    // name that begins the other first; never 0. Parts take no part. A null
    // location comes before every other; two nulls are 0.
    static int compareByName(const U_Location& a, const U_Location& b) noexcept;
    // As compareByName, but different files are ordered by the identity of
    // their interned names: fixed during a run, not between runs.
    static int compare(const U_Location& a, const U_Location& b) noexcept;
    // True for one data object (two nulls included), else when file, line
    // and column are the same.
    static bool equals(const U_Location& a, const U_Location& b) noexcept;

private:
    U_RefPtr<U_LocationData> data_;
};
