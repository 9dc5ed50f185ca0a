#include "cmdline/C_OptionFileLine.h"

#include <cstdlib>
#include <iostream>

namespace {

// One physical line with its "\n" (CR LF read as "\n"); false at the end.
bool readPhysical(std::FILE* file, std::string& line)
{
    line.clear();
    int ch;
    while ((ch = std::fgetc(file)) != EOF) {
        line += static_cast<char>(ch);
        if (ch == '\n')
            break;
    }
    if (line.empty())
        return false;
    if (line.size() >= 2 && line[line.size() - 1] == '\n' && line[line.size() - 2] == '\r')
        line.erase(line.size() - 2, 1);
    return true;
}

bool isNameByte(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

} // namespace

bool C_OptionFileLine::read(std::FILE* file, std::string& line)
{
    if (!readPhysical(file, line))
        return false;
    std::string next;
    while (line.size() >= 2 && line.compare(line.size() - 2, 2, "\\\n") == 0 && readPhysical(file, next)) {
        line.erase(line.size() - 2);
        line += next;
    }
    return true;
}

void C_OptionFileLine::substitute(std::string& line, bool dollars)
{
    if (!dollars || line.find('$') == std::string::npos)
        return;
    std::string out;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] != '$') {
            out += line[i++];
            continue;
        }
        if (i + 1 < line.size() && line[i + 1] == '$') {
            out += '$';
            i += 2;
            continue;
        }
        std::string name;
        if (i + 1 < line.size() && line[i + 1] == '{') {
            const std::size_t close = line.find_first_of("}\n", i + 2);
            if (close == std::string::npos || line[close] != '}') {
                std::cout << "\nERROR: Badly formed variable substitution:\n\t" << line << "\n" << std::flush;
                break;
            }
            name = line.substr(i + 2, close - i - 2);
            i = close + 1;
        } else {
            std::size_t end = i + 1;
            while (end < line.size() && isNameByte(line[end]))
                ++end;
            name = line.substr(i + 1, end - i - 1);
            i = end;
        }
        if (!name.empty())
            if (const char* value = std::getenv(name.c_str()))
                out += value;
    }
    line.swap(out);
}
