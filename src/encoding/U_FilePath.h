#pragma once

#include <string>

/// Path operations on internal text with "/" separators. Only the tests
/// that touch the file system convert the path to the native encoding.
namespace U_FilePath {

// a before b in plain byte order (letter case matters): the order of maps
// keyed by file names.
bool less(const std::string& a, const std::string& b);

std::string directory(const std::string& path);
std::string fileName(const std::string& path);
std::string addExtension(const std::string& name, const std::string& extension);
std::string join(const std::string& directory, const std::string& name);
// prefix starts path, letters A-Z compared without regard to case.
bool isPrefixOf(const std::string& prefix, const std::string& path);
std::string toSlashes(const std::string& path);

bool exists(const std::string& path);
bool isDirectory(const std::string& path);
bool isFile(const std::string& path);
// Readable and not a directory.
bool isReadableFile(const std::string& path);

// The current directory with "/" separators; "" when it cannot be read.
std::string currentDirectory();

// A fresh name "ktw<process id>-<n>.tmp" in directory for a temporary file;
// "" when none can be made there. No file is created; the copies that killed
// runs left there are removed first.
std::string temporaryName(const std::string& directory);

// directory exists, is a directory and temporary names can be made in it.
bool isUsableTempDir(const std::string& directory);

// The absolute form of path: a bare name is put in the current directory;
// otherwise the existing directory part is made absolute and the file part
// joined to it. The path unchanged when its directory does not exist.
std::string fullPath(const std::string& path);

} // namespace U_FilePath
