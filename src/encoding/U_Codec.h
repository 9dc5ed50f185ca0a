#pragma once

#include <QString>
#include <QTextCodec>

#include <string>

namespace U_Codec {

// Internal text as a QString for Qt (file names, process arguments,
// database values), decoded with one codec chosen from the system locale
// and the product's native encoding on first use and kept. The text ends at
// its first zero byte.
QString toQString(const std::string& text);

// The codec toQString chooses for a system locale of that name: "ja" in it
// gives EUC-JP, "zh" GB18030, "euc" (any case) the locale's codec; failing
// those, EUC-JP for a Shift_JIS or EUC product, then UTF-8 for "utf" (any
// case), the codec named like the locale, the locale's codec. Null when
// none is found.
QTextCodec* chooseCodec(std::string localeName);

} // namespace U_Codec
