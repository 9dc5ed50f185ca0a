#pragma once

#include <string>

class QString;
class QStringRef;

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

// The internal 8-bit text of a value read from "patch.xml": the local 8-bit
// form of text, up to its first NUL.
std::string patchXmlValueToLocal(const QString& text);
std::string patchXmlValueToLocal(const QStringRef& text);
