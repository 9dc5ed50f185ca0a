#include "encoding/U_Codec.h"

#include "encoding/U_Encoding.h"
#include "platform/AsciiCase.h"
#include "util/U_Product.h"

#include <QLocale>
#include <QTextCodec>

#include <cstring>

namespace U_Codec {

namespace {

bool containsNoCase(const std::string& text, const char* part)
{
    std::string folded = text;
    for (char& c : folded)
        c = platform::asciiToLower(c);
    return folded.find(part) != std::string::npos;
}

} // namespace

QTextCodec* chooseCodec(std::string locale)
{
    QTextCodec* codec = nullptr;
    if (locale.empty())
        locale = "C";
    if (locale.find("ja") != std::string::npos) {
        codec = QTextCodec::codecForName("EUC-JP");
    } else if (locale.find("zh") != std::string::npos) {
        codec = QTextCodec::codecForName("GB18030");
    } else if (containsNoCase(locale, "euc")) {
        codec = QTextCodec::codecForLocale();
        if (!codec)
            codec = QTextCodec::codecForName("EUC-JP");
    }
    if (!codec) {
        const U_EncodingKind native = U_Product::currentNativeKind();
        if (native == eceSJIS || native == eceEUC)
            codec = QTextCodec::codecForName("EUC-JP");
    }
    if (!codec && containsNoCase(locale, "utf"))
        codec = QTextCodec::codecForName("UTF-8");
    if (!codec)
        codec = QTextCodec::codecForName(locale.c_str());
    if (!codec)
        codec = QTextCodec::codecForLocale();
    return codec;
}

namespace {

QTextCodec*& chosen()
{
    static QTextCodec* codec = nullptr;
    return codec;
}

// The chosen codec, chosen on first use; null while none is found.
QTextCodec* currentCodec()
{
    QTextCodec*& codec = chosen();
    if (!codec)
        codec = chooseCodec(QLocale::system().name().toStdString());
    return codec;
}

} // namespace

QString toQString(const std::string& text)
{
    if (QTextCodec* codec = currentCodec())
        return codec->toUnicode(text.c_str(), static_cast<int>(std::strlen(text.c_str())));
    return QString::fromUtf8(U_Encoding::toNative(text).c_str());
}

bool toQStringExactly(QTextCodec* codec, const std::string& text, QString& out)
{
    if (text.find('\0') != std::string::npos)
        return false;
    const int size = static_cast<int>(text.size());
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    codec->toUnicode(text.data(), size, &state);
    if (state.invalidChars != 0 || state.remainingChars != 0)
        return false;
    out = codec->toUnicode(text.data(), size);
    return codec->fromUnicode(out) == QByteArray::fromStdString(text);
}

bool fromQStringExactly(QTextCodec* codec, const QString& text, std::string& internal)
{
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    const QByteArray bytes = codec->fromUnicode(text.constData(), text.size(), &state);
    if (state.invalidChars != 0 || bytes.contains('\0') || codec->toUnicode(bytes) != text)
        return false;
    internal = bytes.toStdString();
    return true;
}

bool fromUtf8Exactly(const std::string& bytes, QString& text)
{
    const QString decoded = QString::fromUtf8(bytes.data(), static_cast<int>(bytes.size()));
    const QByteArray back = decoded.toUtf8();
    if (static_cast<std::size_t>(back.size()) != bytes.size() || std::memcmp(back.constData(), bytes.data(), bytes.size()) != 0)
        return false;
    text = decoded;
    return true;
}

bool toQStringExactly(const std::string& text, QString& out)
{
    if (QTextCodec* codec = currentCodec())
        return toQStringExactly(codec, text, out);
    // Without a codec the text goes through the native encoding as UTF-8.
    const std::string native = U_Encoding::toNative(text);
    QString decoded;
    if (!toQStringExactly(QTextCodec::codecForName("UTF-8"), native, decoded) ||
        U_Encoding::fromNative(native) != text)
        return false;
    out = decoded;
    return true;
}

bool fromQStringExactly(const QString& text, std::string& internal)
{
    if (QTextCodec* codec = currentCodec())
        return fromQStringExactly(codec, text, internal);
    std::string native;
    if (!fromQStringExactly(QTextCodec::codecForName("UTF-8"), text, native))
        return false;
    internal = U_Encoding::fromNative(native);
    return U_Encoding::toNative(internal) == native;
}

} // namespace U_Codec
