#pragma once

#include "encoding/Destination.h"
#include "encoding/Source.h"
#include "encoding/U_EncodingKind.h"

// Byte translators between Shift_JIS, EUC-JP and 7-bit JIS. Each reads in until
// its end and writes out; nothing is validated beyond the byte ranges of the
// encodings and nothing is reported: bytes that form no character pass through,
// and a character cut off by the end of the input is written as it was read.
// The JIS writers announce every change of mode with the escape of the target
// kind (eceOldJIS, eceNewJIS or eceNECJIS), plane 2 included, leave two-byte
// mode before any byte that stands for itself and end in single-byte mode, so
// that two-byte characters and ASCII translated into JIS and back come out as
// they went in.
// The JIS readers understand the escapes of all three variants and consume the
// escapes and the katakana shifts SO and SI.
namespace U_Encoding {

// Shift_JIS to EUC-JP. Lead bytes 0xF0 to 0xFC (plane 2) become one "?".
void sjisToEuc(Source& in, Destination& out);
// EUC-JP to Shift_JIS; plane-2 characters become lead bytes 0xF0 to 0xFC.
void eucToSjis(Source& in, Destination& out);
// 7-bit JIS (with SO/SI half-width katakana) to EUC-JP.
void jisToEuc(Source& in, Destination& out);
// EUC-JP to 7-bit JIS; half-width katakana become full-width.
void eucToJis(Source& in, Destination& out, U_EncodingKind target);
// Shift_JIS to 7-bit JIS; half-width katakana become full-width.
void sjisToJis(Source& in, Destination& out, U_EncodingKind target);
// 7-bit JIS to Shift_JIS.
void jisToSjis(Source& in, Destination& out);
// 7-bit JIS of any variant to the escapes of target.
void jisToJis(Source& in, Destination& out, U_EncodingKind target);

} // namespace U_Encoding
