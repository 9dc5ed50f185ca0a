#pragma once

#include "util/U_Filename.h"
#include "util/U_RefPtr.h"

#include <cstdint>

class U_Location;
class U_MacroHistory;
class U_EntityDisplayName;

/// The place a diagnostic or suppression record refers to: a file, a line and
/// a column, with up to five optional parts saying how the place was reached
/// (includer, macro history, HL position, instantiated-from, called-from).
/// Immutable and shared through U_Location; a location with another part is a
/// new object. The parts present are stored inside the object, so a location
/// is one allocation and one without parts carries no room for them.
class U_LocationData final : public U_Ref {
public:
    // A location without parts. Each factory throws std::bad_alloc only.
    static U_RefPtr<U_LocationData> create(const U_Filename& file, std::int32_t line, std::int32_t column);
    // With the includer part when includer is not null, else without parts.
    static U_RefPtr<U_LocationData> create(const U_Location& includer, const U_Filename& file,
                                           std::int32_t line, std::int32_t column);
    // With the macro-history part when history is not null, else without parts.
    static U_RefPtr<U_LocationData> create(const U_RefPtr<U_MacroHistory>& history, const U_Filename& file,
                                           std::int32_t line, std::int32_t column);
    // With the includer and macro-history parts, each when it is not null.
    static U_RefPtr<U_LocationData> create(const U_Location& includer, const U_RefPtr<U_MacroHistory>& history,
                                           const U_Filename& file, std::int32_t line, std::int32_t column);

    const U_Filename& fileName() const noexcept { return file_; }
    std::int32_t line() const noexcept { return line_; }
    // 0 when the place has no column.
    std::int32_t column() const noexcept { return column_; }

    bool hasInclLoc() const noexcept { return parts_ & kInclLoc; }
    bool hasMacroHist() const noexcept { return parts_ & kMacroHist; }
    bool hasHLLoc() const noexcept { return parts_ & kHLLoc; }
    bool hasInstFromLoc() const noexcept { return parts_ & kInstFromLoc; }
    bool hasCalledFromLoc() const noexcept { return parts_ & kCalledFromLoc; }

    // The getters of the parts: each requires its part to be present (test the
    // has-query first). The held includer, from-location and caller are never
    // null.
    const U_Location& inclLoc() const noexcept;
    const U_RefPtr<U_MacroHistory>& macroHistory() const noexcept;
    const U_Filename& hlFileName() const noexcept;
    std::int32_t hlLine() const noexcept;
    const U_Location& instFromLoc() const noexcept;
    const U_RefPtr<U_EntityDisplayName>& instFromName() const noexcept;
    // Length of the instantiation chain from here: 1 when the from-location
    // has no instantiated-from part of its own.
    std::uint32_t instFromDepth() const noexcept;
    const U_Location& calledFromLoc() const noexcept;

    // Each with-operation leaves this object alone and returns a new one with
    // the same place and parts, apart from the part it sets, which replaces a
    // part of that kind this object holds. Each throws std::bad_alloc only.

    // Sets the HL part to (file, line).
    U_RefPtr<U_LocationData> withHLLoc(const U_Filename& file, std::int32_t line) const;
    // Sets the instantiated-from part, its depth one more than from's own (1
    // when from has none). A null from sets nothing: the copy keeps this
    // object's parts as they are.
    U_RefPtr<U_LocationData> withInstFromLoc(const U_Location& from, U_RefPtr<U_EntityDisplayName> name) const;
    // Appends caller at the far end of this object's call chain: every
    // location of the chain is copied (the originals stay as they were) and
    // the last copy gets caller as its own, uncopied. A null caller appends
    // nothing: the copy keeps this object's parts as they are.
    U_RefPtr<U_LocationData> withCalledFromLoc(const U_Location& caller) const;

    // Releases, in this order, the caller, the entity name, the from-location,
    // the macro history and the includer, without recursion along chains.
    ~U_LocationData() override;

    // The parts live behind the object in the same allocation.
    static void operator delete(void* object) noexcept;

private:
    enum Part : std::uint8_t {
        kInclLoc = 1,
        kMacroHist = 2,
        kHLLoc = 4,
        kInstFromLoc = 8,
        kCalledFromLoc = 16,
        kAllParts = 32,  // above every part
    };
    struct InclLoc;
    struct MacroHist;
    struct HLLoc;
    struct InstFromLoc;
    struct CalledFromLoc;

    U_LocationData(const U_Filename& file, std::int32_t line, std::int32_t column, std::uint8_t parts) noexcept;
    U_LocationData(const U_LocationData&) = delete;
    U_LocationData& operator=(const U_LocationData&) = delete;

    // A new object with room for parts, none of them constructed yet.
    static U_LocationData* allocate(const U_Filename& file, std::int32_t line, std::int32_t column,
                                    std::uint8_t parts);
    // A new object with this one's place and copies of its parts, plus room
    // for the part set, which the caller constructs.
    U_LocationData* copySetting(Part set) const;
    // Room behind the object taken by those of parts whose bits are below
    // the bit below.
    static std::size_t room(std::uint8_t parts, std::uint8_t below) noexcept;
    // Where part lives; the object must have room for it.
    template <class P>
    P& part() const noexcept;

    U_Filename file_;
    std::int32_t line_;
    std::int32_t column_;
    std::uint8_t parts_;
};
