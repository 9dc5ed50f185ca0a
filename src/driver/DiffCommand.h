#pragma once

#include <string>
#include <vector>

/// The values that stand in for the "%B" placeholders of the diff command for
/// one file, as bytes in the native encoding. Names keep their "/"
/// separators: the command is a program of this system and opens them as
/// they are.
struct DiffPlaceholderValues {
    std::string fullName;           // %BF
    std::string fileName;           // %Bf: the last component
    std::string directory;          // %BD: every component but the last
    std::string rootedName;         // %BR: the root path replaced by "%ROOTPATH%"
    std::string rootedDirectory;    // %Br
    std::string relativeName;       // %BB: %BR without its first component
    std::string relativeDirectory;  // %Bb: %Br without its first component
    std::string ident;              // %BT: the file's ident in the baseline, or empty
};

/// Building the diff command of one file from the command template, all of
/// it over bytes: a file name reaches the command exactly as it is, whatever
/// the locale makes of it. The placeholder values, the argument list the
/// process is started with, the text form the log shows, and the database
/// lookup key.
namespace DiffCommand {

// True when the first prefix.size() bytes of text equal prefix with only
// A-Z folded; false when text is shorter.
bool startsWithNoCase(const std::string& text, const std::string& prefix);

// The database lookup key of a file: its full name with backslashes turned
// into "/" and a leading root path (startsWithNoCase; no separator needed
// after it) replaced by "$ROOTPATH". Over the UTF-8 bytes of the text form,
// or over the name's own bytes where the text form would not keep them:
// only A-Z fold, so both give the key the text would.
std::string lookupKey(const std::string& fullName, const std::string& rootPath);

// The eight values for the file fullName ("/" separators only: "|" and "\"
// are name bytes here), under rootPath (may be empty), with ident.
DiffPlaceholderValues values(const std::string& fullName, const std::string& rootPath, const std::string& ident);

// text with every placeholder replaced by its value, in one left-to-right
// pass: an inserted value is never scanned again. With quoted, each value is
// put between double quotes (the text form the log shows).
std::string substitute(const std::string& text, const DiffPlaceholderValues& values, bool quoted);

// The words of a command line under QProcess::splitCommand's rules, over
// bytes: ASCII white space (blank, tab, LF, VT, FF, CR) outside double
// quotes separates words, a double quote opens or closes a quoted stretch,
// three consecutive double quotes stand for one literal quote, and empty
// words are dropped (so "" gives no word). Every other byte is a word byte.
std::vector<std::string> splitCommand(const std::string& command);

// The program and its arguments: the template split once into words
// (splitCommand), then each word substituted unquoted. A value with blanks,
// quotes or "%B" stays inside its one argument, and an empty value gives an
// empty argument. Empty when the template has no word.
std::vector<std::string> arguments(const std::string& commandTemplate, const DiffPlaceholderValues& values);

} // namespace DiffCommand
