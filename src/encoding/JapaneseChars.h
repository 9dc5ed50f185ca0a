#pragma once

#include "encoding/Destination.h"
#include "encoding/JapaneseTables.h"
#include "encoding/Source.h"
#include "encoding/U_EncodingKind.h"

// The character arithmetic shared by the Japanese byte translators: Shift_JIS
// pairs against the rows and cells of JIS X 0208 and both planes of JIS X 0213
// (as in Shift_JIS-2004, lead bytes 0xF0 to 0xFC carry plane 2), the escapes of
// 7-bit JIS and the widening of half-width katakana.
namespace U_Encoding {

/// A two-byte JIS character: its plane (1 or 2) and its two 7-bit bytes.
struct JisChar {
    int plane;
    int first;
    int second;
};

/// A Shift_JIS two-byte character. Built from malformed input either byte may
/// exceed 8 bits; writers keep the low 8.
struct SjisPair {
    int lead;
    int trail;
};

// JIS modes: what the bytes after an escape are.
constexpr int kSingleByteMode = 0;
constexpr int kPlane1Mode = 1;
constexpr int kPlane2Mode = 2;

// The JIS character of a Shift_JIS pair (lead 0x81-0x9F, 0xE0-0xFC; trail
// 0x40-0xFC); other bytes give meaningless results, never a failure.
JisChar sjisPairToJis(int lead, int trail);

// The Shift_JIS pair of a JIS character of plane 1 (plane below 2) or plane 2,
// computed on the low 8 bits of first and second.
SjisPair jisPairToSjis(int plane, int first, int second);

// The mode an escape sequence selects; in is positioned after the ESC byte and
// is left after the sequence. Unknown sequences select single-byte mode.
int readEscape(Source& in);

// Writes ESC and entry (0 to 2) of table.
void writeEscape(Destination& out, const JisEscapeTable& table, int entry);

// The Shift_JIS pair of the full-width form of the half-width katakana byte
// (0xA1 to 0xDF, else U_AssertException), read from in (sourceKind eceSJIS or
// eceEUC). A voiced or semi-voiced mark that follows and applies is consumed
// and folded in; anything else read ahead is given back.
SjisPair widenKana(Source& in, int halfWidth, U_EncodingKind sourceKind);

} // namespace U_Encoding
