#include "cmdline/C_Options.h"

#include "cmdline/C_CmdArgs.h"

#include <cstring>

C_Options::C_Options(C_CmdArgs* owner)
{
    forgetall_.setOwner(owner);
}

C_Options::~C_Options() = default;

#define VANTREL_OPTION_CURRENT(member, keyword, Kind, defaultValue, products, listed) \
    C_Option##Kind* C_Options::current_##member()                                     \
    {                                                                                 \
        return C_CmdArgs::current()->options()->member();                             \
    }
VANTREL_OPTIONS(VANTREL_OPTION_CURRENT)
#undef VANTREL_OPTION_CURRENT

bool C_Options::hasDebugFlag(const C_Options& options, const char* name)
{
    const std::size_t length = std::strlen(name);
    for (const std::string& value : *options.debug()) {
        if (value.size() == length && value.compare(0, length, name) == 0)
            return true;
    }
    return false;
}
