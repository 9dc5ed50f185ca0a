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

// path with repeated "/" and "." segments dropped and each ".." folded away
// with the segment before it, over bytes; an absolute path keeps its "/".
// A ".." with nothing before it to take away stays where keepParentsAbove
// (a relative "../a", and "/..", as QDir::cleanPath keeps them), else goes
// (the root is its own parent). "" when nothing is left of a relative path.
std::string foldPath(const std::string& path, bool keepParentsAbove);

// The directory part of path: the bytes before its last "/", "/" when that
// is its first byte, "." when it has none.
std::string directoryPart(const std::string& path);
// The entry path names in its directory part: the bytes after its last "/";
// "" when that is no entry ("", ".", "..", or path ends in "/").
std::string entryPart(const std::string& path);

// text cut at every separator byte, empty pieces kept ("" gives one).
std::vector<std::string> splitBytes(const std::string& text, char separator);

// The two above from the process's current directory.
std::string absolutePath(const std::string& path);
std::string absoluteDirectory(const std::string& path);

} // namespace platform
