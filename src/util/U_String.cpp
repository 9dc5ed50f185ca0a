#include "util/U_String.h"

#include "platform/AsciiCase.h"

#include <limits>

int U_String::compareNoCase(std::string a, std::string b, std::size_t n)
{
    return platform::asciiCompareNoCase(a.c_str(), b.c_str(), n);
}

std::int32_t U_StringToInt(const std::string& text)
{
    std::string::size_type i = 0;
    // The white space of the "C" locale, which a stream uses for an int.
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::int64_t bound = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                        : std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    const std::string::size_type digits = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > bound)
            return 0;
    }
    if (i == digits)
        return 0;
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::string U_IntToString(std::int32_t value)
{
    return std::to_string(value);
}
