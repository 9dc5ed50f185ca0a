#pragma once

#include <string>

/// Encoding of a byte text. Internal text is always eceEUC (ASCII is a
/// subset); a product's native kind is eceNone, eceEUC, eceSJIS or eceUTF.
using U_EncodingKind = int;

enum : U_EncodingKind {
    eceInvalid = 0,
    eceNone = 1,    // 8-bit text, never converted
    eceEUC = 2,     // EUC-JP, the working encoding
    eceSJIS = 3,
    eceOldJIS = 4,  // the three JIS kinds differ only in the escapes written
    eceNewJIS = 5,
    eceNECJIS = 6,
    eceUTF = 7,
};

namespace U_Encoding {

// "eceInvalid" ... "eceUTF", or "Unknown Endcoding Kind" for other values.
std::string kindName(U_EncodingKind kind);

} // namespace U_Encoding
