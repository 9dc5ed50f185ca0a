#pragma once

#include <string>

// The path of the running program, as /proc/self/exe names it.
namespace platform {

// The absolute path of the program's executable; "" when it cannot be read.
std::string moduleFileName();

} // namespace platform
