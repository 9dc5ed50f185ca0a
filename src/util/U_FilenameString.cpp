#include "util/U_FilenameString.h"

#include "platform/AsciiCase.h"

int FilenameStringCompare::compare(const char* a, std::size_t lengthA, const char* b, std::size_t lengthB) noexcept
{
    if (lengthA != lengthB)
        return lengthA < lengthB ? -1 : 1;
    for (std::size_t i = 0; i < lengthA; ++i) {
        const auto ca = static_cast<unsigned char>(platform::asciiToLower(a[i]));
        const auto cb = static_cast<unsigned char>(platform::asciiToLower(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return 0;
}

U_FilenameString::U_FilenameString()
{
    U_FilenameStore::instance();
}

U_FilenameString::U_FilenameString(const std::string& text) : text_(U_FilenameStore::instance().intern(text)) {}

U_FilenameString::U_FilenameString(const char* text) : text_(U_FilenameStore::instance().intern(text)) {}

const std::string& U_FilenameString::text() const noexcept
{
    static const std::string none;
    return text_ ? *text_ : none;
}

std::ostream& operator<<(std::ostream& out, const U_FilenameString& name)
{
    return out << name.text();
}
