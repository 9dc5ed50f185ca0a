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

// toQString's result in out when it keeps every byte of text: true when the
// text holds no zero byte and no sequence that the codec turns into U+FFFD,
// and out converts back into exactly text. A name for which this is false
// would meet another name in its QString form; use its bytes instead.
bool toQStringExactly(const std::string& text, QString& out);
// The internal text that toQString turns into text, when there is one:
// false when the codec cannot encode a character of text, or what it makes
// does not decode back into text.
bool fromQStringExactly(const QString& text, std::string& internal);

// The two above with the given codec (not null) in place of the chosen one.
bool toQStringExactly(QTextCodec* codec, const std::string& text, QString& out);
bool fromQStringExactly(QTextCodec* codec, const QString& text, std::string& internal);

// bytes as text when they are exactly its UTF-8 form (Qt decodes them and
// encodes the result back into the same bytes), whatever the locale: the
// form of a name or an ident as the database holds text, and of a lookup
// key. False for bytes that are no valid UTF-8.
bool fromUtf8Exactly(const std::string& bytes, QString& text);

// The codec toQString chooses for a system locale of that name: "ja" in it
// gives EUC-JP, "zh" GB18030, "euc" (any case) the locale's codec; failing
// those, EUC-JP for a Shift_JIS or EUC product, then UTF-8 for "utf" (any
// case), the codec named like the locale, the locale's codec. Null when
// none is found.
QTextCodec* chooseCodec(std::string localeName);

} // namespace U_Codec
