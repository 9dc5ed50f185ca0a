#include "cmdline/C_Cfg.h"

#include "platform/AsciiCase.h"
#include "util/U_Path.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>

namespace {

// The element of the array entry being filled; process-wide, like the
// variables the tables fill.
std::int32_t arrayIndex = 0;

bool isAsciiAlnum(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// One physical line with its line feed, a CR before the line feed folded
// into it; false when the file has no byte left.
bool readPhysicalLine(std::string& line, std::FILE* file)
{
    line.clear();
    int c;
    while ((c = std::getc(file)) != EOF) {
        line.push_back(static_cast<char>(c));
        if (c == '\n')
            break;
    }
    if (line.empty())
        return false;
    const std::size_t n = line.size();
    if (n >= 2 && line[n - 1] == '\n' && line[n - 2] == '\r')
        line.erase(n - 2, 1);
    return true;
}

bool endsWithContinuation(const std::string& line)
{
    const std::size_t n = line.size();
    return n >= 2 && line[n - 1] == '\n' && line[n - 2] == '\\';
}

// The decimal number at the start of line as "%d" reads it into value; value
// is kept when there is none. A number beyond 32 bits is clamped.
void readInteger(const std::string& line, std::int32_t& value)
{
    std::size_t i = 0;
    while (i < line.size() && platform::isAsciiSpace(line[i]))
        ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) {
        negative = line[i] == '-';
        ++i;
    }
    const std::size_t digits = i;
    std::int64_t number = 0;
    const std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
        number = std::min(number * 10 + (line[i] - '0'), limit);
    if (i == digits)
        return;
    number = negative ? -number : std::min(number, limit - 1);
    value = static_cast<std::int32_t>(number);
}

std::string dataText(const std::string& line, bool substitute)
{
    std::string text = line;
    C_Cfg::substitute(text, true, substitute, true);
    return text;
}

// Counts the array entry's element up; the entry after it once it is full.
const C_CfgEntry* nextElement(const C_CfgEntry* entry)
{
    if (++arrayIndex < entry->count)
        return entry;
    arrayIndex = 0;
    return entry + 1;
}

} // namespace

U_CountedPtr<TranslatedFile> C_Cfg::read(U_EncodingKind kind, std::string tempDirectory, const char* directory,
                                         const char* lowerName, const C_CfgEntry* table, bool substitute)
{
    U_CountedPtr<TranslatedFile> file(new TranslatedFile(kind, std::move(tempDirectory)));
    const std::string name =
        U_Path::join(U_Path::toSlashes(directory ? directory : ""), U_Path::addExtension(lowerName, "cfg"));
    // Only a regular file is a configuration file (and the open itself
    // takes nothing else, should the name change meanwhile).
    std::FILE* in = U_Path::isFile(name) ? file->open(name, false) : nullptr;
    if (!in) {
        std::cerr << "\nERROR: Unable to open configuration file " << name << "\n\n" << std::flush;
        file.release();
        return file;
    }
    const C_CfgEntry* entry = nullptr;
    bool goOn = true;
    std::string line;
    while (goOn && getLine(line, in)) {
        if (line[0] == '*')
            continue;
        if (line[0] == '#')
            entry = findSection(line, table, goOn);
        else
            entry = storeData(line, entry, substitute);
    }
    return file;
}

bool C_Cfg::getLine(std::string& line, std::FILE* file)
{
    if (!readPhysicalLine(line, file))
        return false;
    std::string next;
    while (endsWithContinuation(line)) {
        if (!readPhysicalLine(next, file))
            break;
        line.erase(line.size() - 2);
        line += next;
    }
    return true;
}

void C_Cfg::substitute(std::string& line, bool stopAtNewline, bool dollars, bool escapes)
{
    std::string out;
    out.reserve(line.size());
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (stopAtNewline && c == '\n')
            break;
        if (c == '$' && dollars) {
            if (i + 1 < line.size() && line[i + 1] == '$') {
                out += '$';
                i += 2;
                continue;
            }
            const std::optional<std::string> name = variableName(line, i);
            if (name && !name->empty()) {
                const char* value = std::getenv(name->c_str());
                if (value)
                    out += value;
            }
            continue;
        }
        if (c == '\\' && escapes) {
            if (i + 1 < line.size()) {
                const char next = line[i + 1];
                out += next == 'n' ? '\n' : next == 't' ? '\t' : next;
            }
            i += 2;
            continue;
        }
        out += c;
        ++i;
    }
    line.swap(out);
}

std::optional<std::string> C_Cfg::variableName(const std::string& line, std::size_t& index)
{
    std::size_t start = index + 1;
    if (start < line.size() && line[start] == '{') {
        ++start;
        std::size_t endOfLine = line.find('\n', start);
        if (endOfLine == std::string::npos)
            endOfLine = line.size();
        const std::size_t close = line.find('}', start);
        if (close == std::string::npos || close > endOfLine) {
            std::cout << "\nERROR: Badly formed variable substitution:\n\t" << line << "\n";
            index = endOfLine;
            return std::nullopt;
        }
        index = close + 1;
        return line.substr(start, close - start);
    }
    std::size_t end = start;
    while (end < line.size() && (isAsciiAlnum(line[end]) || line[end] == '_'))
        ++end;
    index = end;
    return line.substr(start, end - start);
}

const C_CfgEntry* C_Cfg::storeData(const std::string& line, const C_CfgEntry* entry, bool substitute)
{
    if (!entry)
        return nullptr;
    switch (entry->type) {
    case C_CfgEntry::kString:
        *entry->strings = dataText(line, substitute);
        return entry + 1;
    case C_CfgEntry::kInteger:
        readInteger(line, *entry->integers);
        return entry + 1;
    case C_CfgEntry::kStringArray:
        if (arrayIndex < 0 || arrayIndex >= entry->count)
            arrayIndex = 0;
        entry->strings[arrayIndex] = dataText(line, substitute);
        return nextElement(entry);
    case C_CfgEntry::kIntegerArray:
        if (arrayIndex < 0 || arrayIndex >= entry->count)
            arrayIndex = 0;
        readInteger(line, entry->integers[arrayIndex]);
        return nextElement(entry);
    default:
        std::cout << "\nERROR: Unexpected configuration data: " << line << "\n";
        return entry;
    }
}

const C_CfgEntry* C_Cfg::findSection(const std::string& line, const C_CfgEntry* table, bool& goOn)
{
    goOn = true;
    std::size_t end = 1;
    while (end < line.size() && isAsciiAlnum(line[end]))
        ++end;
    const std::string name = line.substr(1, end - 1);
    for (const C_CfgEntry* row = table; row && row->type != C_CfgEntry::kEnd; ++row) {
        if (row->type != C_CfgEntry::kSection && row->type != C_CfgEntry::kOptions)
            continue;
        const std::size_t length = std::strlen(row->section);
        if (name.size() >= length && platform::asciiCompareNoCase(name.c_str(), row->section, length) == 0) {
            goOn = row->type != C_CfgEntry::kOptions;
            arrayIndex = 0;
            return row + 1;
        }
    }
    std::cout << "\nERROR: Unknown section #" << name << "\n";
    return nullptr;
}
