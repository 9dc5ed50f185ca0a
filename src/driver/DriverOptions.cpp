#include "driver/DriverOptions.h"

#include "encoding/U_Codec.h"

#include <QTextCodec>

#include <algorithm>

namespace {

bool enclosedIn(const std::string& text, char quote)
{
    return text.size() >= 2 && text.front() == quote && text.back() == quote;
}

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// text without its first character as the locale reads characters: a
// name that follows "baseline::log" and a character that takes more than
// one byte keeps its own first byte.
std::string afterFirstCharacter(const std::string& text)
{
    if (text.empty())
        return text;
    QTextCodec* codec = QTextCodec::codecForLocale();
    QString decoded;
    if (codec && U_Codec::toQStringExactly(codec, text, decoded))
        return codec->fromUnicode(decoded.mid(1)).toStdString();
    return text.substr(1);
}

void toSlashes(std::string& path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
}

} // namespace

DriverOptions DriverOptions::fromValues(const std::vector<std::string>& values)
{
    static const std::string logPrefix = "baseline::log";
    static const std::string nocachePrefix = "baseline::nocache";
    DriverOptions options;
    for (const std::string& value : values) {
        if (startsWith(value, logPrefix)) {
            // The character after the prefix is passed over unread.
            std::string name = afterFirstCharacter(value.substr(logPrefix.size()));
            if (enclosedIn(name, '"') || enclosedIn(name, '\''))
                name = name.substr(1, name.size() - 2);
            toSlashes(name);
            options.logName = name;
        }
        if (startsWith(value, nocachePrefix))
            options.nocache = true;
    }
    return options;
}

std::string DriverOptions::logPath(const std::string& name, const std::string& firstInput,
                                   const std::string& outputDirectory)
{
    static const std::string inputName = "%Bf";
    std::string path = name;
    toSlashes(path);
    if (path.find(inputName) != std::string::npos) {
        std::string input = firstInput;
        toSlashes(input);
        const std::string fileName = input.substr(input.rfind('/') + 1);
        std::string replaced;
        std::string::size_type start = 0;
        for (auto at = path.find(inputName); at != std::string::npos; at = path.find(inputName, start)) {
            replaced += path.substr(start, at - start) + fileName;
            start = at + inputName.size();
        }
        path = replaced + path.substr(start);
    }
    if (path.find('/') == std::string::npos) {
        const std::string dir = outputDirectory.empty() ? std::string(".") : outputDirectory;
        path = (dir.back() == '/' ? dir : dir + "/") + path;
    }
    return path;
}
