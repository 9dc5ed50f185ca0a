#include "cmdline/C_NamedFileRegistry.h"

#include "cmdline/C_CmdArgs.h"
#include "util/U_Env.h"
#include "util/U_Path.h"

#include <set>

namespace {

std::set<U_Filename>& named()
{
    static std::set<U_Filename> files;
    return files;
}

} // namespace

void C_NamedFileRegistry::clear()
{
    named().clear();
}

void C_NamedFileRegistry::insert(const U_Filename& name)
{
    named().insert(name);
}

bool C_NamedFileRegistry::contains(const C_CmdArgs& commandLine, const U_Filename& name)
{
    static const U_Filename implicitHeader =
        U_Filename::fromLongPath(U_Path::join(U_Env::binDirectory(commandLine.product()), "implicit.h"));
    if (name == implicitHeader)
        return false;
    return named().count(name) != 0;
}
