#pragma once

// Byte texts for the encoding tests, written as hex: "1B 24 42" is ESC $ B.

#include <cstdio>
#include <string>

namespace testbytes {

// The bytes of a text of two-digit hex numbers separated by blanks.
inline std::string hex(const std::string& text)
{
    std::string bytes;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        bytes += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
        i += 2;
    }
    return bytes;
}

// The bytes as upper-case hex separated by blanks, for readable failures.
inline std::string toHex(const std::string& bytes)
{
    std::string text;
    char digits[4];
    for (unsigned char c : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", c);
        if (!text.empty())
            text += ' ';
        text += digits;
    }
    return text;
}

} // namespace testbytes
