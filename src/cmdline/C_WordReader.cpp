#include "cmdline/C_WordReader.h"

#include "cmdline/C_Cfg.h"

namespace {

bool isWhite(int ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

} // namespace

int C_WordReader::getc(std::FILE* file, bool substitute)
{
    while (position_ >= line_.size()) {
        if (ended_)
            return -1;
        if (!C_Cfg::getLine(line_, file)) {
            ended_ = true;
            line_.clear();
            position_ = 0;
            return -1;
        }
        position_ = 0;
        if (line_[0] == '*') {
            line_.clear();
            continue;
        }
        // The whole line, its line feed kept; no backslash escapes in option files.
        C_Cfg::substitute(line_, false, substitute, false);
    }
    return static_cast<unsigned char>(line_[position_++]);
}

int C_WordReader::skipWhite(std::FILE* file, bool substitute)
{
    int ch = getc(file, substitute);
    while (isWhite(ch))
        ch = getc(file, substitute);
    return ch;
}

void C_WordReader::readQuoted(std::FILE* file, bool substitute, int quote, std::string& word)
{
    for (int ch = getc(file, substitute); ch != -1 && ch != quote && ch != '\n'; ch = getc(file, substitute))
        word += static_cast<char>(ch);
}

std::string C_WordReader::nextWord(std::FILE* file, bool substitute)
{
    std::string word;
    for (int ch = skipWhite(file, substitute); ch != -1 && !isWhite(ch); ch = getc(file, substitute)) {
        if (ch == '"' || ch == '\'')
            readQuoted(file, substitute, ch, word);
        else
            word += static_cast<char>(ch);
    }
    return word;
}
