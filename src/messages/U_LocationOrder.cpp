#include "messages/U_Location.h"

#include <string>

namespace {

int threeWay(std::int32_t a, std::int32_t b) noexcept
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

// -1, 0 or 1 for null locations; 2 when both hold data.
int compareNulls(const U_Location& a, const U_Location& b) noexcept
{
    if (a.isValid() && b.isValid())
        return 2;
    return a.isValid() ? 1 : (b.isValid() ? -1 : 0);
}

// Lines, then columns, of two places in one file.
int compareInFile(const U_Location& a, const U_Location& b) noexcept
{
    const int byLine = threeWay(a.line(), b.line());
    return byLine != 0 ? byLine : threeWay(a.column(), b.column());
}

// Nulls first; in one file by line and column; different files by the
// order differentFiles gives their interned names (-1 or 1).
template <class Order>
int compareLocations(const U_Location& a, const U_Location& b, Order differentFiles) noexcept
{
    const int nulls = compareNulls(a, b);
    if (nulls != 2)
        return nulls;
    const U_FilenameString nameA = a.fileName().fullNameHandle();
    const U_FilenameString nameB = b.fileName().fullNameHandle();
    if (nameA == nameB)
        return compareInFile(a, b);
    return differentFiles(nameA, nameB);
}

} // namespace

int U_Location::compareByName(const U_Location& a, const U_Location& b) noexcept
{
    // Every byte counts, as unsigned, a NUL too: a name that holds one is
    // compared past it, and a name that begins another comes before it.
    return compareLocations(a, b, [](const U_FilenameString& x, const U_FilenameString& y) {
        return x.text() < y.text() ? -1 : 1;
    });
}

int U_Location::compare(const U_Location& a, const U_Location& b) noexcept
{
    return compareLocations(a, b, [](const U_FilenameString& x, const U_FilenameString& y) { return x < y ? -1 : 1; });
}

bool U_Location::equals(const U_Location& a, const U_Location& b) noexcept
{
    return a == b || (a.isValid() && b.isValid() && compare(a, b) == 0);
}
