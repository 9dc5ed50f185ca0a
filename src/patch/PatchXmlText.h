#pragma once

#include <cstddef>
#include <string>

class QByteArray;
class QString;
class QStringRef;

// The twelve fixed lines that open every "patch.xml": the XML declaration and
// the document type with its element and attribute declarations.
extern const char kPatchXmlHead[];

/// Where a value stands in "patch.xml": an attribute value in double quotes,
/// or the text of an element.
enum class PatchXmlPlace { Attribute, Text };

// Appends the internal 8-bit value to out as "patch.xml" holds it: taken up to
// its first NUL, converted from the local 8-bit encoding to UTF-8, with "&",
// "<" and ">" escaped, and in attribute values also the double quote, tab,
// line feed and carriage return, which would otherwise break the attribute or
// be turned into blanks by the reader; in element text a carriage return,
// which the reader would turn into a line feed. Characters that XML cannot
// carry at all become U+FFFD. Returns whether reading the result back gives
// exactly value again.
bool appendPatchXmlValue(std::string& out, const std::string& value, PatchXmlPlace place);
// The same for the size bytes at p.
bool appendPatchXmlValue(std::string& out, const char* p, std::size_t size, PatchXmlPlace place);

// The internal 8-bit text of a value read from "patch.xml": the local 8-bit
// form of text, up to its first NUL.
std::string patchXmlValueToLocal(const QString& text);
std::string patchXmlValueToLocal(const QStringRef& text);

// The text the reader parses from the bytes of a "patch.xml": every carriage
// return dropped (a file saved with CRLF line ends reads as one saved with
// LF; the writer keeps a carriage return of a value as "&#13;"), then read
// as UTF-8, the writer's encoding, up to the first byte that is not valid
// UTF-8 there, so that the reader meets a cut where the bytes go wrong. An
// encoding the file's declaration names is not followed.
QString patchXmlDocument(QByteArray bytes);

// Whether the reader may parse text: every document type declaration in it
// (or the start of one, where text ends) declares nothing but the fixed
// layout's elements and attributes, so no entity can expand, and no start
// tag carries more attributes than any file of the layout, which would make
// the XML reader's time grow with their square. Only markup is looked at:
// nothing an entry's name or lines hold can make a file unusable.
bool isUsablePatchXml(const QString& text);
