#include "encoding/QL_Locale.h"

#include "platform/AsciiCase.h"

#include <QLocale>
#include <QString>

#include <cstdlib>
#include <map>

namespace QL_Locale {

namespace {

std::map<std::string, std::string>& encodingNameMap()
{
    static std::map<std::string, std::string> map = {
        {"ja", "EUC-JP"},
        {"ja_JP", "EUC-JP"},
        {"ja_JP.EUC", "EUC-JP"},
        {"ja_JP.sdeckanji", "EUC-JP"},
        {"japanese.euc", "EUC-JP"},
        {"ja_JP.eucJP", "EUC-JP"},
        {"Ja_JP", "Shift_JIS"},
        {"ja_JP.SJIS", "Shift_JIS"},
        {"japanese", "Shift_JIS"},
        {"japanese.sjis", "Shift_JIS"},
        {"ja_JP.UTF-8", "UTF-8"},
        {"ja_JP.utf8", "UTF-8"},
    };
    return map;
}

const std::map<std::string, U_EncodingKind>& kindByEncodingName()
{
    static const std::map<std::string, U_EncodingKind> map = {
        {"EUC-JP", eceEUC},
        {"Shift_JIS", eceSJIS},
        {"UTF-8", eceUTF},
    };
    return map;
}

std::string toUpper(std::string s)
{
    for (char& c : s)
        c = platform::asciiToUpper(c);
    return s;
}

} // namespace

std::string encodingName(const std::string& locale)
{
    auto& map = encodingNameMap();
    const auto found = map.find(locale);
    if (found != map.end())
        return found->second;

    std::string value = locale;
    const std::string upper = toUpper(locale);
    const auto dot = upper.find('.');
    const std::string codeSet = dot == std::string::npos ? std::string() : upper.substr(dot + 1);
    if (upper.compare(0, 6, "JA_JP.") == 0 && (codeSet == "UTF8" || codeSet == "UTF-8"))
        value = "UTF-8";
    if (codeSet == "EUC")
        value = "EUC-JP";
    map.emplace(locale, value);
    return value;
}

U_EncodingKind encodingKind(const std::string& locale)
{
    const auto& kinds = kindByEncodingName();
    const auto found = kinds.find(encodingName(locale));
    return found == kinds.end() ? eceNone : found->second;
}

std::string name()
{
    static bool recompute = true;
    static std::string cached;
    if (!recompute)
        return cached;
    recompute = std::getenv("NO_LANG_CACHE") != nullptr;
    const char* lang = std::getenv("LANG");
    const QLocale locale = lang ? QLocale(QString::fromLocal8Bit(lang)) : QLocale::system();
    cached = locale.name().toLocal8Bit().toStdString();
    return cached;
}

} // namespace QL_Locale
