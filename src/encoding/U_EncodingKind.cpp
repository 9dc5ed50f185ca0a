#include "encoding/U_EncodingKind.h"

namespace U_Encoding {

std::string kindName(U_EncodingKind kind)
{
    static const char* const kNames[] = {
        "eceInvalid", "eceNone", "eceEUC", "eceSJIS", "eceOldJIS", "eceNewJIS", "eceNECJIS", "eceUTF",
    };
    if (kind < eceInvalid || kind > eceUTF)
        return "Unknown Endcoding Kind";
    return kNames[kind];
}

} // namespace U_Encoding
