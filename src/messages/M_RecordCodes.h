#pragma once

#include <cstdint>

// The byte codes of the generation-3 message file.

/// The type byte in front of each record.
enum class M_RecordType : std::uint8_t {
    SectionStart = 1,
    Diagnostic = 2,
    Suppression = 4,
    CheckedDiagnostic = 8,
};

/// The tag byte in front of each parameter record; any other tag carries no
/// data.
enum class M_ParamTag : std::uint8_t {
    String = 1,
    List = 2,
    MsgList = 4,
};

/// The bits of a location record's flags byte, one per part present. The
/// parts follow in the order InclLoc, MacroHist, HLLoc, InstFromLoc,
/// CalledFromLoc, which is not the order of the bits; other bits mean
/// nothing.
struct U_LocPropertyFlag {
    enum : std::uint8_t {
        InclLoc = 1,
        InstFromLoc = 2,
        MacroHist = 4,
        HLLoc = 8,
        CalledFromLoc = 16,
    };
};

/// The marker byte between a suppression record's ranges and its second
/// location.
constexpr std::uint8_t M_SuppressionMarker = 4;

// The byte of a code.
constexpr std::uint8_t M_byteOf(M_RecordType type) noexcept
{
    return static_cast<std::uint8_t>(type);
}
constexpr std::uint8_t M_byteOf(M_ParamTag tag) noexcept
{
    return static_cast<std::uint8_t>(tag);
}
