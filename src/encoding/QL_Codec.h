#pragma once

#include "encoding/U_EncodingKind.h"

#include <QTextCodec>

#include <istream>
#include <ostream>
#include <string>

class U_Product;

/// Conversions through Qt's text codecs, always passing through UTF-8 in the
/// middle, and the byte translators for pairs without UTF-8.
namespace QL_Codec {

// Qt's codec for a kind: "EUC-JP", "Shift_JIS" or "UTF-8" for kinds 2, 3
// and 7, null (bytes pass unchanged) for every other kind or when Qt does
// not know the name.
QTextCodec* codec(U_EncodingKind kind);

// Copies in (of kind inKind) to out (of kind outKind), converting. Equal
// kinds other than UTF-8 copy the bytes; pairs without UTF-8 go through the
// byte translators; the rest through the codecs, where a byte-order mark at
// the start of in may choose the source codec when detectBom is set.
// Always true.
bool translate(const U_Product& product, std::ostream& out, U_EncodingKind outKind, std::istream& in,
               U_EncodingKind inKind, bool detectBom);

// The byte-translator path of translate. Always true.
bool translateBytes(std::ostream& out, U_EncodingKind outKind, std::istream& in, U_EncodingKind inKind);

// The codec path of translate; whether out is still good afterwards.
bool copyThroughUtf8(std::ostream& out, U_EncodingKind outKind, std::istream& in, U_EncodingKind inKind,
                     bool detectBom);

// Whether the East-Asian codecs are there: they are part of Qt, so this
// holds when Qt knows "EUC-JP" and "Shift_JIS". Also hands the product's
// plug-in directories to Qt and sets "UNICODEMAP_JP=open-ms". Remembered
// unless "NO_LANG_CACHE" is set. Throws C_ConfigurationException when the
// product's BIN variable is unset.
bool loadPlugins(const U_Product& product, bool skipQtPluginPath);
bool ensurePlugins(const U_Product& product);

// Converts the file at inPath (of kind inKind, byte-order mark detected)
// into out; false when the file cannot be opened, is no regular file or
// cannot be read.
bool translateFile(const U_Product& product, std::ostream& out, U_EncodingKind outKind,
                   const std::string& inPath, U_EncodingKind inKind);

// Converts the file at inPath into a new file at outPath, which is created
// exclusively; throws QL_TranslateFileOpenException when it cannot be
// created. False, with outPath removed again, when inPath cannot be opened
// or the copy could not be written completely.
bool translateFileToFile(const U_Product& product, const std::string& outPath, U_EncodingKind outKind,
                         const std::string& inPath, U_EncodingKind inKind);
bool translateFileToFile(const std::string& outPath, U_EncodingKind outKind, const std::string& inPath,
                         U_EncodingKind inKind);
// The same for the file open at inFd, read from where it stands to its end
// (the caller closes it): the bytes converted are those of that descriptor,
// whatever its name leads to by now.
bool translateFileToFile(const U_Product& product, const std::string& outPath, U_EncodingKind outKind, int inFd,
                         U_EncodingKind inKind);

} // namespace QL_Codec
