#include "platform/Profile.h"

#include "platform/AsciiCase.h"
#include "platform/RegularFile.h"

#include <sstream>

namespace platform {

namespace {

std::string trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

bool sameNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && asciiCompareNoCase(a.c_str(), b.c_str(), a.size()) == 0;
}

std::string cut(std::string value, std::size_t bufferSize)
{
    const std::size_t room = bufferSize == 0 ? 0 : bufferSize - 1;
    if (value.size() > room)
        value.resize(room);
    return value;
}

} // namespace

std::string readProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, const std::string& path,
                              std::size_t bufferSize)
{
    if (path.find('/') == std::string::npos)
        return cut(defaultValue, bufferSize);
    std::string bytes;
    if (!readRegularFile(path, bytes))
        return cut(defaultValue, bufferSize);
    std::istringstream in(bytes);

    bool inSection = false;
    std::string line;
    while (std::getline(in, line)) {
        const std::string text = trim(line);
        if (text.empty() || text[0] == ';')
            continue;
        if (text[0] == '[') {
            const auto close = text.find(']');
            inSection = close != std::string::npos && sameNoCase(trim(text.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection)
            continue;
        const auto eq = text.find('=');
        if (eq == std::string::npos || !sameNoCase(trim(text.substr(0, eq)), key))
            continue;
        std::string value = trim(text.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return cut(value, bufferSize);
    }
    return cut(defaultValue, bufferSize);
}

} // namespace platform
