#include "encoding/QL_Bom.h"

#include <map>
#include <string>

namespace QL_Bom {

namespace {

struct Mark {
    const char* bytes;
    std::size_t size;
    const char* codecName;
};

const Mark kMarks[] = {
    {"\xEF\xBB\xBF", 3, "UTF-8"},
    {"\xFE\xFF", 2, "UTF-16BE"},
    {"\xFF\xFE", 2, "UTF-16LE"},
    {"\x00\x00\xFE\xFF", 4, "UTF-32BE"},
    {"\xFF\xFE\x00\x00", 4, "UTF-32LE"},
    {"\x84\x31\x95\x33", 4, "GB-18030"},
};

const std::map<std::string, QTextCodec*>& table()
{
    static const std::map<std::string, QTextCodec*> marks = [] {
        std::map<std::string, QTextCodec*> m;
        for (const Mark& mark : kMarks) {
            if (QTextCodec* codec = QTextCodec::codecForName(mark.codecName))
                m.emplace(std::string(mark.bytes, mark.size), codec);
        }
        return m;
    }();
    return marks;
}

} // namespace

QTextCodec* codecForBOM(QTextCodec* fallback, const char* data, std::size_t size)
{
    const auto& marks = table();
    // Longest first: FF FE 00 00 is UTF-32LE, not UTF-16LE.
    for (std::size_t length = 4; length >= 2; --length) {
        if (size < length)
            continue;
        const auto it = marks.find(std::string(data, length));
        if (it != marks.end())
            return it->second;
    }
    return fallback;
}

} // namespace QL_Bom
