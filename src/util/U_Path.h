#pragma once

#include <functional>
#include <string>

/// Path helpers on 8-bit texts with "/" as the separator. They never convert
/// encodings and never throw: a failed system call gives false, "" or the
/// path unchanged, as each function says.
namespace U_Path {

// True when path exists.
bool exists(const std::string& path);
// True when path can be read.
bool isReadable(const std::string& path);
// True when path is a regular file.
bool isFile(const std::string& path);
// True when path is a directory.
bool isDirectory(const std::string& path);
// The current directory with "/" separators; "" when it cannot be had.
std::string currentDirectory();
// The running program's path with "/" separators; "" when it cannot be had.
std::string moduleFileName();
// directory(moduleFileName()); "" when that is empty.
std::string moduleDirectory();

// A copy of path with every backslash turned into "/".
std::string toSlashes(const std::string& path);
// True when path contains "/".
bool hasDirectory(const std::string& path);
// dir + "/" + name, without doubling a "/" at the end of dir; name alone
// when dir is "", "." or "./"; dir alone when name is "".
std::string join(const std::string& dir, const std::string& name);
// name + "." + ext; without the "." when ext begins with one or name ends
// with one; name unchanged when ext is "".
std::string addExtension(const std::string& name, const std::string& ext);
// The last component of path; a single trailing "/" is passed over first
// (a/b/ gives b; "/" gives "").
std::string fileName(const std::string& path);
// path without the text from the last "." of its last component on.
std::string stripExtension(const std::string& path);
// stripExtension(fileName(path)).
std::string baseName(const std::string& path);
// True for "/" and for a drive with its "/" (any three characters with ":"
// second).
bool isRoot(const std::string& path);
// The directory part of path: "." when there is none, "/" for names in the
// root, a drive's "/" kept (C:/c.txt and C: give C:/); a trailing "/" of
// path is passed over first.
std::string directory(const std::string& path);
// True when prefix is not longer than path and begins it, letters compared
// without regard to case.
bool startsWithIgnoreCase(const std::string& prefix, const std::string& path);
// The absolute form of path, "/" separators. A file need not exist as long
// as its directory does; otherwise path comes back unchanged.
std::string fullLongPath(const std::string& path);
// The first join(dir, name) that is a readable regular file, for the dirs
// of the ";"-separated list in order (an empty dir stands for the current
// directory; a final ";" adds none); "" when none is.
std::string searchPath(const std::string& list, const std::string& name);
// The same for the first that accept takes too; accept sees each readable
// regular file in turn until it takes one.
std::string searchPath(const std::string& list, const std::string& name,
                       const std::function<bool(const std::string& path)>& accept);
// The file name of the Qt library base: base + "4.dll".
std::string libraryFileName(const std::string& base);

} // namespace U_Path
