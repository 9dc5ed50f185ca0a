#include "driver/DiffCommand.h"

#include "platform/AsciiCase.h"
#include "platform/LexicalPath.h"

#include <algorithm>

namespace {

bool startsWithFolded(const std::string& text, const std::string& prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (platform::asciiToLower(text[i]) != platform::asciiToLower(prefix[i]))
            return false;
    }
    return true;
}

std::string replaceRoot(const std::string& name, const std::string& rootPath, const std::string& replacement)
{
    if (rootPath.empty() || !startsWithFolded(name, rootPath))
        return name;
    return replacement + name.substr(rootPath.size());
}

// Sections first to last of path split at "/", negative numbers counting
// from the end, as QString::section gives them: "" when the range holds no
// section.
std::string sections(const std::string& path, int first, int last)
{
    const std::vector<std::string> parts = platform::splitBytes(path, '/');
    const int count = static_cast<int>(parts.size());
    if (first < 0)
        first += count;
    if (last < 0)
        last += count;
    if (first >= count || last < 0 || first > last)
        return std::string();
    std::string out;
    for (int i = std::max(first, 0); i <= last && i < count; ++i) {
        if (i > std::max(first, 0))
            out += '/';
        out += parts[static_cast<std::size_t>(i)];
    }
    return out;
}

struct Placeholder {
    char letter;  // the one after "%B"
    std::string DiffPlaceholderValues::*value;
};

const Placeholder kPlaceholders[] = {
    {'F', &DiffPlaceholderValues::fullName},     {'f', &DiffPlaceholderValues::fileName},
    {'D', &DiffPlaceholderValues::directory},    {'R', &DiffPlaceholderValues::rootedName},
    {'r', &DiffPlaceholderValues::rootedDirectory}, {'B', &DiffPlaceholderValues::relativeName},
    {'b', &DiffPlaceholderValues::relativeDirectory}, {'T', &DiffPlaceholderValues::ident},
};

const std::string* placeholderAt(const std::string& text, std::size_t pos, const DiffPlaceholderValues& values)
{
    if (pos + 3 > text.size() || text[pos] != '%' || text[pos + 1] != 'B')
        return nullptr;
    for (const Placeholder& p : kPlaceholders) {
        if (text[pos + 2] == p.letter)
            return &(values.*p.value);
    }
    return nullptr;
}

} // namespace

bool DiffCommand::startsWithNoCase(const std::string& text, const std::string& prefix)
{
    return startsWithFolded(text, prefix);
}

std::string DiffCommand::lookupKey(const std::string& fullName, const std::string& rootPath)
{
    std::string key = fullName;
    std::replace(key.begin(), key.end(), '\\', '/');
    return replaceRoot(key, rootPath, "$ROOTPATH");
}

DiffPlaceholderValues DiffCommand::values(const std::string& fullName, const std::string& rootPath,
                                          const std::string& ident)
{
    DiffPlaceholderValues v;
    v.fullName = fullName;
    v.fileName = sections(fullName, -1, -1);
    v.directory = sections(fullName, 0, -2);
    v.rootedName = fullName;
    v.rootedDirectory = v.directory;
    v.relativeName = fullName;
    v.relativeDirectory = v.directory;
    if (!rootPath.empty() && startsWithNoCase(fullName, rootPath)) {
        v.rootedName = replaceRoot(fullName, rootPath, "%ROOTPATH%");
        v.rootedDirectory = sections(v.rootedName, 0, -2);
        v.relativeName = sections(v.rootedName, 1, -1);
        v.relativeDirectory = sections(v.rootedName, 1, -2);
    }
    v.ident = ident;
    return v;
}

std::string DiffCommand::substitute(const std::string& text, const DiffPlaceholderValues& values, bool quoted)
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (const std::string* value = placeholderAt(text, pos, values)) {
            if (quoted)
                out += '"' + *value + '"';
            else
                out += *value;
            pos += 3;
        } else {
            out += text[pos++];
        }
    }
    return out;
}

std::vector<std::string> DiffCommand::splitCommand(const std::string& command)
{
    std::vector<std::string> words;
    std::string word;
    int quotes = 0;  // consecutive double quotes just read
    bool inQuote = false;
    for (char c : command) {
        if (c == '"') {
            if (++quotes == 3) {
                quotes = 0;
                word += c;
            }
            continue;
        }
        // One quote toggles the stretch; two are an empty stretch.
        if (quotes == 1)
            inQuote = !inQuote;
        quotes = 0;
        if (!inQuote && platform::isAsciiSpace(c)) {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

std::vector<std::string> DiffCommand::arguments(const std::string& commandTemplate,
                                                const DiffPlaceholderValues& values)
{
    std::vector<std::string> words = splitCommand(commandTemplate);
    for (std::string& word : words)
        word = substitute(word, values, false);
    return words;
}
