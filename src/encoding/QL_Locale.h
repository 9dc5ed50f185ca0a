#pragma once

#include "encoding/U_EncodingKind.h"

#include <string>

namespace QL_Locale {

// The encoding name of a locale or language setting ("ja_JP.SJIS" gives
// "Shift_JIS"). Unknown locales map to themselves, except that a code set
// "UTF8"/"UTF-8" after "ja_JP." gives "UTF-8" and a code set "EUC" gives
// "EUC-JP" (letters compared in upper case). Answers are remembered.
std::string encodingName(const std::string& locale);

// eceEUC, eceSJIS or eceUTF for the encoding names "EUC-JP", "Shift_JIS",
// "UTF-8" of the locale; eceNone for every other locale.
U_EncodingKind encodingKind(const std::string& locale);

// The locale name from "LANG" (else the system's), as Qt names it;
// remembered unless "NO_LANG_CACHE" is set.
std::string name();

} // namespace QL_Locale
