#pragma once

#include "encoding/U_EncodingKind.h"

#include <string>

class U_Product;
class Source;
class Destination;

/// Conversions between internal text (EUC-JP) and the other encodings. With
/// a native kind of eceNone or eceEUC every conversion returns its input
/// unchanged; Shift_JIS and JIS go through the byte translators, UTF-8
/// through Qt's codecs.
namespace U_Encoding {

// text converted from one kind to another; no shortcut for equal kinds.
// Off the UTF-8 path the text ends at its first zero byte.
std::string translate(const U_Product& product, const std::string& text, U_EncodingKind from,
                      U_EncodingKind to);

// Internal text into kind; unchanged for eceNone and eceEUC.
std::string toExternal(const std::string& text, const U_Product& product, U_EncodingKind kind);
std::string toExternal(const std::string& text, U_EncodingKind kind);
// Internal text into the current product's native encoding.
std::string toNative(const std::string& text);

// Text of kind into internal text; unchanged for eceNone and eceEUC.
std::string toInternal(const U_Product& product, const std::string& text, U_EncodingKind kind);
std::string toInternal(const std::string& text, U_EncodingKind kind);
// Text in the product's (or the current product's) native encoding into
// internal text.
std::string fromNative(const U_Product& product, const std::string& text);
std::string fromNative(const std::string& text);

// The codec path for conversions that involve UTF-8: the whole text, zero
// bytes included.
std::string translateUtf(const U_Product& product, const std::string& text, U_EncodingKind from,
                         U_EncodingKind to);

// Copies source into destination through the translator for the pair of
// kinds; a pair without one gets a warning line on standard output and a
// byte copy.
void translateStream(Source& source, Destination& destination, U_EncodingKind from, U_EncodingKind to);

} // namespace U_Encoding
