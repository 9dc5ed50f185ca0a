#pragma once

#include <string>

namespace platform {

// Sets name to value in the process environment; false when it failed.
bool setEnvironment(const std::string& name, const std::string& value);

} // namespace platform
