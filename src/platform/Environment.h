#pragma once

#include <string>

namespace platform {

// Sets name to value in the process environment; false when it failed.
bool setEnvironment(const std::string& name, const std::string& value);

// The process id, as a decimal text source for temporary-name prefixes.
unsigned long processId();

} // namespace platform
