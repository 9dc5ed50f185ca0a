#pragma once

#include <cstdint>
#include <string>

/// The encoding of a text or a file. The three 7-bit JIS kinds encode the same
/// characters and differ only in the escape sequences they write.
using U_EncodingKind = std::int32_t;

constexpr U_EncodingKind eceInvalid = 0;
constexpr U_EncodingKind eceNone = 1;  // 8-bit text passed on unchanged (ASCII)
constexpr U_EncodingKind eceEUC = 2;   // EUC-JP, the encoding of all internal text
constexpr U_EncodingKind eceSJIS = 3;
constexpr U_EncodingKind eceOldJIS = 4;
constexpr U_EncodingKind eceNewJIS = 5;
constexpr U_EncodingKind eceNECJIS = 6;
constexpr U_EncodingKind eceUTF = 7;

namespace U_Encoding {

// "eceInvalid" ... "eceUTF", or "Unknown Endcoding Kind" for other values.
std::string kindName(U_EncodingKind kind);

} // namespace U_Encoding
