#pragma once

#include <string>

// Absolute path names of files, made as text: no symbolic link is resolved
// and the file need not exist.
namespace platform {

// path made absolute against base (an absolute directory) unless it begins
// with "/", with ".", ".." and repeated "/" folded; ".." at the root stays at
// the root. A trailing "/" is kept. "" when path is empty or base is needed
// and not absolute.
std::string fullPathFrom(const std::string& base, const std::string& path);

// fullPathFrom(currentDirectory(), path); "" on failure.
std::string fullPath(const std::string& path);

// The long form of path: path itself; names have one form only.
std::string longPathName(const std::string& path);

} // namespace platform
