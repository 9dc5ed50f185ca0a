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

} // namespace

QString toQString(const std::string& text)
{
    QTextCodec*& codec = chosen();
    if (!codec)
        codec = chooseCodec(QLocale::system().name().toStdString());
    if (codec)
        return codec->toUnicode(text.c_str(), static_cast<int>(std::strlen(text.c_str())));
    return QString::fromUtf8(U_Encoding::toNative(text).c_str());
}

} // namespace U_Codec
