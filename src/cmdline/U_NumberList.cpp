#include "cmdline/U_NumberList.h"

#include <iostream>
#include <limits>

namespace {

constexpr std::int64_t kLongestRange = 20000;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string::size_type firstNonDigit(const std::string& s, std::string::size_type from)
{
    while (from < s.size() && isDigit(s[from]))
        ++from;
    return from;
}

// The digits s[from, to) as a 32-bit number; 0 when there are none or they
// do not fit.
std::int64_t digitsValue(const std::string& s, std::string::size_type from, std::string::size_type to)
{
    std::int64_t value = 0;
    for (; from < to; ++from) {
        value = value * 10 + (s[from] - '0');
        if (value > std::numeric_limits<std::int32_t>::max())
            return 0;
    }
    return value;
}

} // namespace

std::vector<std::int32_t> U_String::numberListValues(const std::string& text)
{
    std::vector<std::int32_t> out;
    std::string::size_type pos = 0;  // the copy's start within text
    while (pos < text.size()) {
        const std::string::size_type p = firstNonDigit(text, pos);
        std::int64_t a = digitsValue(text, pos, p);
        if (p < text.size() && text[p] == '-') {
            const std::string::size_type q = firstNonDigit(text, p + 1);
            std::int64_t b = digitsValue(text, p + 1, q);
            if (a > b)
                std::swap(a, b);
            if (b - a > kLongestRange) {
                std::cerr << "\n\nWARNING: configured number range " << a << "-" << b << " "
                          << "is too large.\n"
                          << "WARNING: Will truncate range to " << a << "-" << a + kLongestRange - 1 << ".\n\n"
                          << std::endl;
                b = a + kLongestRange - 1;
            }
            // Counted in 64 bits so that a range ending at the largest
            // 32-bit number ends.
            for (std::int64_t n = a; n <= b; ++n)
                out.push_back(static_cast<std::int32_t>(n));
            pos = q;
        } else {
            out.push_back(static_cast<std::int32_t>(a));
            pos = p;
        }
        if (pos >= text.size())
            break;
        ++pos;  // the separator
    }
    return out;
}
