#pragma once

#include <string>

// Finding a program on PATH by the bytes of its name, as Qt's
// QStandardPaths::findExecutable does by decoded text.
namespace platform {

// The clean absolute path of the first executable regular file named name
// (no "/" in it) in a directory of PATH (confstr's default path when PATH is
// unset; empty entries passed over, relative ones taken from the current
// directory); "" when there is none.
std::string findExecutable(const std::string& name);

} // namespace platform
