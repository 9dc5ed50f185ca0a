#pragma once

#include <QString>
#include <QStringList>

/// The values that stand in for the "%B" placeholders of the diff command for
/// one file. Names keep their "/" separators: the command is a program of
/// this system and opens them as they are.
struct DiffPlaceholderValues {
    QString fullName;           // %BF
    QString fileName;           // %Bf: the last component
    QString directory;          // %BD: every component but the last
    QString rootedName;         // %BR: the root path replaced by "%ROOTPATH%"
    QString rootedDirectory;    // %Br
    QString relativeName;       // %BB: %BR without its first component
    QString relativeDirectory;  // %Bb: %Br without its first component
    QString ident;              // %BT: the file's ident in the baseline, or empty
};

/// Building the diff command of one file from the command template: the
/// placeholder values, the argument list the process is started with, and
/// the text form the log shows.
namespace DiffCommand {

// True when the first prefix.size() characters of text equal prefix with
// only A-Z folded; false when text is shorter.
bool startsWithNoCase(const QString& text, const QString& prefix);

// name with its first rootPath.size() characters replaced by replacement
// when rootPath is not empty and begins name (startsWithNoCase); else name.
// No separator is needed after the prefix.
QString replaceRoot(const QString& name, const QString& rootPath, const QString& replacement);

// The database lookup key of a file: its full name with backslashes turned
// into "/" and a leading root path replaced by "$ROOTPATH".
QString lookupKey(const QString& fullName, const QString& rootPath);

// The eight values for the file fullName ("/" separators only: "|" and "\"
// are name characters here), under rootPath (may be empty), with ident.
DiffPlaceholderValues values(const QString& fullName, const QString& rootPath, const QString& ident);

// text with every placeholder replaced by its value, in one left-to-right
// pass: an inserted value is never scanned again. With quoted, each value is
// put between double quotes (the text form the log shows).
QString substitute(const QString& text, const DiffPlaceholderValues& values, bool quoted);

// The program and its arguments: the template split once into words as a
// shell-like command line, then each word substituted unquoted. A value
// with blanks, quotes or "%B" stays inside its one argument, and an empty
// value gives an empty argument. Empty when the template has no word.
QStringList arguments(const QString& commandTemplate, const DiffPlaceholderValues& values);

} // namespace DiffCommand
