#include "cmdline/U_EnvDirectories.h"

#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_Options.h"
#include "encoding/U_Encoding.h"
#include "util/U_Path.h"

#include <cstdlib>

std::string U_Env::outputDirectory(const C_CmdArgs& commandLine)
{
    const std::string& option = commandLine.options()->outputpath()->value();
    if (!option.empty())
        return option;
    const U_Product& product = commandLine.product();
    if (const char* value = std::getenv(U_Product::outPathVariable(product).c_str()))
        return U_Path::toSlashes(U_Encoding::fromNative(product, value));
    return ".";
}

std::string U_Env::outputDirectory()
{
    const C_CmdArgs* current = C_CmdArgs::current();
    return current ? outputDirectory(*current) : std::string(".");
}
