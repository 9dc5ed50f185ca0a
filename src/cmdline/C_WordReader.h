#pragma once

#include <cstdio>
#include <string>

/// Splits the text of an option file (rc, via and list files, the options
/// part of the configuration file) into words: white space separates words,
/// single or double quotes keep white space inside a word, a line beginning
/// with "*" is a comment, and variable references are substituted line by
/// line before the line is split.
class C_WordReader {
public:
    C_WordReader() = default;

    // The next word of file; "" at the end of the file, and also for a word
    // that is empty once its quotes are removed (a "" standing alone), which
    // therefore ends the file for its reader. substitute: replace $NAME,
    // ${NAME} and $$ in each line first.
    std::string nextWord(std::FILE* file, bool substitute);

private:
    // The next byte (0-255) of the text, reading and rewriting further lines
    // as needed; -1 at the end of the file and on every call after it.
    int getc(std::FILE* file, bool substitute);
    // The first byte that is not white space, or -1.
    int skipWhite(std::FILE* file, bool substitute);
    // Appends the bytes up to the closing quote, the end of the line or of
    // the file to word; the quote or line end is consumed, not stored.
    void readQuoted(std::FILE* file, bool substitute, int quote, std::string& word);

    std::string line_;
    std::size_t position_ = 0;
    bool ended_ = false;
};
