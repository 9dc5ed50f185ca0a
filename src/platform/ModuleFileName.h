#pragma once

#include <string>

// The path of the running program, in place of GetModuleFileNameA.
namespace platform {

// The absolute path of the program's executable; "" when it cannot be read.
std::string moduleFileName();

} // namespace platform
