#pragma once

#include "encoding/U_EncodingKind.h"

namespace U_Encoding {

/// The escape sequences one JIS variant writes, each after an ESC byte. The
/// entry's number is the mode it announces: 0 single-byte text, 1 two-byte
/// text of plane 1, 2 two-byte text of plane 2 (JIS X 0213).
struct JisEscapeTable {
    const char* entry[3];
};

// The escape table of eceOldJIS, eceNewJIS or eceNECJIS; any other kind gets
// the eceNewJIS table.
const JisEscapeTable& jisEscapeTable(U_EncodingKind kind);

constexpr int kFirstHalfWidthKana = 0xA1;
constexpr int kLastHalfWidthKana = 0xDF;

// The Shift_JIS pair {lead, trail} of the full-width form of each half-width
// katakana byte, from kFirstHalfWidthKana to kLastHalfWidthKana.
extern const unsigned char kFullWidthKana[kLastHalfWidthKana - kFirstHalfWidthKana + 1][2];

} // namespace U_Encoding
