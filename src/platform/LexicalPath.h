#pragma once

#include <string>
#include <vector>

// Absolute and clean forms of a path as Qt's QDir and QFileInfo give them,
// worked over the path's bytes: Qt decodes a name with the locale's codec
// first, which turns every byte that is not valid there into U+FFFD and so
// names another file. Purely textual: no link is resolved and nothing need
// exist; "/" is the only separator and every other byte a name byte.
namespace platform {

// QDir::cleanPath: repeated "/", "." and ".." folded ("a/.." is ".", "/.."
// stays "/.." and a leading ".." of a relative path stays), no trailing "/"
// but the root's; "" for "".
std::string cleanPath(const std::string& path);

// QDir(path).absolutePath() with cwd as the current directory: "" means
// "."; one trailing "/" is dropped; a path that is absolute and clean
// already is kept as it is, any other is cwd joined with it (a relative
// one) and cleaned.
std::string absolutePathFrom(const std::string& cwd, const std::string& path);

// QFileInfo(path).absolutePath() with cwd as the current directory: the
// directory of the path's absolute form ("/" at the root, "." when cwd
// leaves it relative); "" for "".
std::string absoluteDirectoryFrom(const std::string& cwd, const std::string& path);

// text cut at every separator byte, empty pieces kept ("" gives one).
std::vector<std::string> splitBytes(const std::string& text, char separator);

// The two above from the process's current directory.
std::string absolutePath(const std::string& path);
std::string absoluteDirectory(const std::string& path);

} // namespace platform
