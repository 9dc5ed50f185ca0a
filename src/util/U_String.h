#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

/// Text helpers. Letter case folds for A to Z only, whatever the locale.
namespace U_String {

// Three-way comparison of at most n characters of a and b, letters compared
// without regard to case; stops at a NUL. Negative, zero or positive.
int compareNoCase(std::string a, std::string b, std::size_t n);

// The unsigned value 0 to 255 of a character read from a byte stream.
inline int byteValue(char c) noexcept
{
    return static_cast<unsigned char>(c);
}

} // namespace U_String

// The decimal integer at the start of text as a stream reads an int (leading
// white space, an optional sign, digits up to the first other character); 0
// when no number can be read or it does not fit in 32 bits.
std::int32_t U_StringToInt(const std::string& text);

// The decimal form of value, "-" in front of a negative one.
std::string U_IntToString(std::int32_t value);
