#include "patch/PatchXmlText.h"

#include <QString>
#include <QStringRef>

#include <cstring>

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
    const char* p = value.c_str();
    const std::size_t n = std::strlen(p);
    bool exact = n == value.size();
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
