#include "patch/PatchXmlText.h"

#include <QByteArray>
#include <QString>
#include <QStringRef>

#include <algorithm>
#include <cstring>
#include <vector>

const char kPatchXmlHead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "\n"
    "<!DOCTYPE PATCHFILE [\n"
    "<!ELEMENT PATCHFILE (FILE*)>\n"
    "<!ELEMENT FILE  (DATE*, PATCH*)>\n"
    "<!ELEMENT DATE  (#PCDATA)>\n"
    "<!ELEMENT PATCH (#PCDATA)>\n"
    "<!ATTLIST PATCHFILE sname CDATA #REQUIRED>\n"
    "<!ATTLIST PATCHFILE sdate CDATA #REQUIRED>\n"
    "<!ATTLIST FILE name CDATA #REQUIRED>\n"
    "]>\n"
    "\n";

namespace {

// Printable ASCII is the same in every local 8-bit encoding and in UTF-8, so
// such values skip the conversions; most names and all change commands are.
bool isPrintableAscii(const char* p, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

bool isXmlChar(uint c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

void appendEscaped(std::string& out, const char* p, std::size_t n, PatchXmlPlace place)
{
    const bool attribute = place == PatchXmlPlace::Attribute;
    std::size_t plain = 0;  // start of the run not yet copied
    for (std::size_t i = 0; i < n; ++i) {
        const char* entity;
        switch (p[i]) {
        case '&': entity = "&amp;"; break;
        case '<': entity = "&lt;"; break;
        case '>': entity = "&gt;"; break;
        case '\r': entity = "&#13;"; break;
        case '"': entity = attribute ? "&quot;" : nullptr; break;
        case '\t': entity = attribute ? "&#9;" : nullptr; break;
        case '\n': entity = attribute ? "&#10;" : nullptr; break;
        default: entity = nullptr; break;
        }
        if (entity) {
            out.append(p + plain, i - plain);
            out.append(entity);
            plain = i + 1;
        }
    }
    out.append(p + plain, n - plain);
}

std::string cutAtNul(const QByteArray& bytes)
{
    return std::string(bytes.constData(), std::strlen(bytes.constData()));
}

} // namespace

bool appendPatchXmlValue(std::string& out, const std::string& value, PatchXmlPlace place)
{
    return appendPatchXmlValue(out, value.data(), value.size(), place);
}

bool appendPatchXmlValue(std::string& out, const char* p, std::size_t size, PatchXmlPlace place)
{
    const void* nul = std::memchr(p, '\0', size);
    const std::size_t n = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - p) : size;
    bool exact = n == size;
    if (isPrintableAscii(p, n)) {
        appendEscaped(out, p, n, place);
        return exact;
    }

    QString text = QString::fromLocal8Bit(p, static_cast<int>(n));
    const QByteArray back = text.toLocal8Bit();
    if (back.size() != static_cast<int>(n) || std::memcmp(back.constData(), p, n) != 0)
        exact = false;
    // Characters XML forbids even as references (most control characters,
    // U+FFFE, U+FFFF, lone surrogates) would make the whole file unreadable.
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (!isXmlChar(c.unicode())) {
            text[i] = QChar(QChar::ReplacementCharacter);
            exact = false;
        }
    }
    const QByteArray utf8 = text.toUtf8();
    appendEscaped(out, utf8.constData(), std::strlen(utf8.constData()), place);
    return exact;
}

std::string patchXmlValueToLocal(const QString& text)
{
    return patchXmlValueToLocal(QStringRef(&text));
}

std::string patchXmlValueToLocal(const QStringRef& text)
{
    const QChar* u = text.unicode();
    const int n = text.size();
    std::string ascii;
    ascii.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const ushort c = u[i].unicode();
        if (c == 0)
            return ascii;
        if (c >= 0x80)
            return cutAtNul(text.toLocal8Bit());
        ascii.push_back(static_cast<char>(c));
    }
    return ascii;
}

namespace {

// The length of the longest prefix of p that is valid UTF-8: no overlong
// forms, surrogates or code points beyond U+10FFFF, no sequence cut short.
int validUtf8Length(const char* p, int n)
{
    int i = 0;
    while (i < n) {
        const unsigned lead = static_cast<unsigned char>(p[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int length;
        unsigned code;
        unsigned least;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, code = lead & 0x1F, least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, code = lead & 0x0F, least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, code = lead & 0x07, least = 0x10000;
        } else {
            return i;
        }
        if (n - i < length)
            return i;
        for (int k = 1; k < length; ++k) {
            const unsigned next = static_cast<unsigned char>(p[i + k]);
            if ((next & 0xC0) != 0x80)
                return i;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return i;
        i += length;
    }
    return n;
}

bool isXmlSpace(ushort c)
{
    return c == 0x20 || c == 0x9 || c == 0xA || c == 0xD;
}

// A declaration with each run of white space made one blank.
QString normalized(const QChar* u, int n)
{
    QString out;
    for (int i = 0; i < n; ++i) {
        if (!isXmlSpace(u[i].unicode()))
            out += u[i];
        else if (out.isEmpty() || out.back() != QLatin1Char(' '))
            out += QLatin1Char(' ');
    }
    return out;
}

// The layout's element and attribute declarations, normalized.
const std::vector<QString>& layoutDeclarations()
{
    static const std::vector<QString> declarations = [] {
        std::vector<QString> out;
        const QString head = QString::fromLatin1(kPatchXmlHead);
        const int subset = head.indexOf(QLatin1Char('['));
        for (int at = head.indexOf(QLatin1String("<!"), subset); at >= 0; at = head.indexOf(QLatin1String("<!"), at + 1)) {
            const int end = head.indexOf(QLatin1Char('>'), at);
            out.push_back(normalized(head.unicode() + at, end + 1 - at));
        }
        return out;
    }();
    return declarations;
}

// Whether u[0..n) is a whole layout declaration, or, when cut is set, the
// start of one.
bool isLayoutDeclaration(const QChar* u, int n, bool cut)
{
    const QString declaration = normalized(u, n);
    for (const QString& allowed : layoutDeclarations()) {
        if (cut ? allowed.startsWith(declaration) : allowed == declaration)
            return true;
    }
    return false;
}

// Reads the document type declaration that starts at text[at] ("<!DOCTYPE")
// and sets end past it. True when it is the layout's, with all or some of its
// declarations in any order, or the start of such a one where the text ends
// (a cut file, which the XML reader reports itself). Anything else, an
// external subset, a comment or a parameter entity reference included, is
// refused.
bool isLayoutDoctype(const QChar* u, int n, int at, int& end)
{
    static const char kName[] = "PATCHFILE";
    end = n;
    int p = at + 9;
    const auto skipSpace = [&] {
        while (p < n && isXmlSpace(u[p].unicode()))
            ++p;
    };
    if (p == n)
        return true;
    if (!isXmlSpace(u[p].unicode()))
        return false;
    skipSpace();
    for (const char* c = kName; *c; ++c, ++p) {
        if (p == n)
            return true;
        if (u[p] != QLatin1Char(*c))
            return false;
    }
    if (p < n && !isXmlSpace(u[p].unicode()) && u[p] != QLatin1Char('[') && u[p] != QLatin1Char('>'))
        return false;
    skipSpace();
    if (p == n)
        return true;
    if (u[p] == QLatin1Char('>')) {
        end = p + 1;
        return true;
    }
    if (u[p] != QLatin1Char('['))
        return false;
    ++p;
    for (;;) {
        skipSpace();
        if (p == n)
            return true;
        if (u[p] == QLatin1Char(']')) {
            ++p;
            skipSpace();
            if (p == n)
                return true;
            end = p + 1;
            return u[p] == QLatin1Char('>');
        }
        if (u[p] != QLatin1Char('<'))
            return false;
        int close = p;
        while (close < n && u[close] != QLatin1Char('>'))
            ++close;
        if (close == n)
            return isLayoutDeclaration(u + p, n - p, true);
        if (!isLayoutDeclaration(u + p, close + 1 - p, false))
            return false;
        p = close + 1;
    }
}

// More attributes in one tag than any file of the layout has, by far; the XML
// reader compares each attribute of a start tag with those before it.
constexpr int kMaxAttributes = 1024;

// Whether the markup sign at u[at] (ASCII) starts there.
bool startsWith(const QChar* u, int n, int at, const char* sign)
{
    for (; *sign; ++sign, ++at) {
        if (at == n || u[at] != QLatin1Char(*sign))
            return false;
    }
    return true;
}

// The position just past the first close after at, or n when there is none.
int pastClose(const QChar* u, int n, int at, const char* close)
{
    for (; at < n; ++at) {
        if (startsWith(u, n, at, close))
            return at + static_cast<int>(std::strlen(close));
    }
    return n;
}

// Reads the start tag whose "<" is at u[at] and sets end to where reading
// goes on: past its ">", or at a "<" that no tag may hold (the XML reader
// stops there). False when it carries more than kMaxAttributes attributes:
// each takes one "=" outside the quoted values.
bool isTagOfFewAttributes(const QChar* u, int n, int at, int& end)
{
    int attributes = 0;
    ushort quote = 0;
    for (end = at + 1; end < n; ++end) {
        const ushort c = u[end].unicode();
        if (c == '<')
            return true;
        if (quote != 0) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            ++end;
            return true;
        } else if (c == '=' && ++attributes > kMaxAttributes) {
            return false;
        }
    }
    return true;
}

} // namespace

QString patchXmlDocument(QByteArray bytes)
{
    char* begin = bytes.data();
    bytes.truncate(static_cast<int>(std::remove(begin, begin + bytes.size(), '\r') - begin));
    return QString::fromUtf8(bytes.constData(), validUtf8Length(bytes.constData(), bytes.size()));
}

bool isUsablePatchXml(const QString& text)
{
    const QChar* u = text.unicode();
    const int n = text.size();
    // Only markup is looked at: element text, comments, CDATA sections and
    // processing instructions carry no attributes, whatever they hold.
    for (int i = 0; i < n;) {
        if (u[i] != QLatin1Char('<')) {
            ++i;
        } else if (startsWith(u, n, i, "<!DOCTYPE")) {
            if (!isLayoutDoctype(u, n, i, i))
                return false;
        } else if (startsWith(u, n, i, "<!--")) {
            i = pastClose(u, n, i + 4, "-->");
        } else if (startsWith(u, n, i, "<![CDATA[")) {
            i = pastClose(u, n, i + 9, "]]>");
        } else if (startsWith(u, n, i, "<?")) {
            i = pastClose(u, n, i + 2, "?>");
        } else if (startsWith(u, n, i, "</") || startsWith(u, n, i, "<!")) {
            ++i;
        } else if (!isTagOfFewAttributes(u, n, i, i)) {
            return false;
        }
    }
    return true;
}
