#pragma once

#include "encoding/JapaneseTables.h"

// Byte values and byte ranges of Shift_JIS, EUC-JP and 7-bit JIS, shared by
// the character arithmetic and the translators.
namespace U_Encoding {

constexpr int kLf = 0x0A;
constexpr int kCr = 0x0D;
constexpr int kShiftOut = 0x0E;  // SO: half-width katakana follow in JIS
constexpr int kShiftIn = 0x0F;   // SI: back from half-width katakana
constexpr int kEsc = 0x1B;
constexpr int kSingleShift2 = 0x8E;  // EUC: a half-width katakana follows
constexpr int kSingleShift3 = 0x8F;  // EUC: a plane-2 character follows
constexpr int kHighBit = 0x80;

inline bool inRange(int x, int low, int high)
{
    return x >= low && x <= high;
}

inline bool isLineEnd(int x)
{
    return x == kLf || x == kCr;
}

inline bool isHalfWidthKana(int x)
{
    return inRange(x, kFirstHalfWidthKana, kLastHalfWidthKana);
}

// Lead bytes of plane 1 in Shift_JIS.
inline bool isSjisLead(int x)
{
    return inRange(x, 0x81, 0x9F) || inRange(x, 0xE0, 0xEF);
}

// Lead bytes of plane 2 in Shift_JIS-2004.
inline bool isSjisPlane2Lead(int x)
{
    return inRange(x, 0xF0, 0xFC);
}

// Trail bytes in Shift_JIS (0x7F included).
inline bool isSjisTrail(int x)
{
    return inRange(x, 0x40, 0xFC);
}

// Both bytes of an EUC two-byte character.
inline bool isEucByte(int x)
{
    return inRange(x, 0xA1, 0xFE);
}

} // namespace U_Encoding
