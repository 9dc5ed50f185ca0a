#include "messages/M_ErrorFile.h"

#include "encoding/U_Encoding.h"
#include "encoding/U_FilePath.h"

namespace M_ErrorFile {

bool writeOldVersion = false;

std::string path(const std::string& directory, const std::string& source)
{
    return U_FilePath::addExtension(U_FilePath::join(directory, U_FilePath::fileName(source)),
                                    U_Encoding::fromNative("err"));
}

int generation(std::uint32_t formatId)
{
    switch (formatId) {
    case 0x7700:
    case 0x7800:
    case 0x7900:
        return 2;
    case 0x8100:
    case 0x8200:
    case 0x9100:
    case 0x9200:
    case 0x9300:
        return 3;
    default:
        return 0;
    }
}

std::string hex(std::uint32_t formatId)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), digits[formatId & 0xF]);
        formatId >>= 4;
    } while (formatId != 0);
    return text;
}

} // namespace M_ErrorFile
