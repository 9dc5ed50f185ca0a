#pragma once

#include <cstddef>

// Letter case folding for names, keywords and paths, and ASCII white space.
// Only A to Z fold: the C library's tolower and strncasecmp follow the
// locale, which QCoreApplication changes, and bytes above 127 must compare
// as they are.
namespace platform {

// The lower-case form of c when it is A to Z, else c itself.
inline char asciiToLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The upper-case form of c when it is a to z, else c itself.
inline char asciiToUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// True for blank, tab, LF, VT, FF and CR, never for a byte above 127.
inline bool isAsciiSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Three-way comparison of at most n bytes of two NUL-terminated texts, A to Z
// folded, other bytes compared as unsigned; stops at the first NUL.
int asciiCompareNoCase(const char* a, const char* b, std::size_t n);

} // namespace platform
