#include "platform/Environment.h"

#include <cstdlib>
#include <unistd.h>

namespace platform {

bool setEnvironment(const std::string& name, const std::string& value)
{
    return ::setenv(name.c_str(), value.c_str(), 1) == 0;
}

unsigned long processId()
{
    return static_cast<unsigned long>(::getpid());
}

} // namespace platform
