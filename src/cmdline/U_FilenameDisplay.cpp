// U_Filename's display names live here, beside the option that chooses them.

#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_Options.h"
#include "util/U_Filename.h"

std::string U_Filename::displayName(bool expand, const U_Filename& file)
{
    return expand ? file.fullName() : file.name();
}

std::string U_Filename::displayName(const U_Filename& file)
{
    const C_CmdArgs* current = C_CmdArgs::current();
    if (!current || !current->options())
        return displayName(true, file);
    return current->options()->displayName(file);
}

std::string C_Options::displayName(const U_Filename& file) const
{
    return U_Filename::displayName(expandfilenames()->value(), file);
}
