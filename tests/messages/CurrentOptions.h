#pragma once

// Makes a ZXC command line the current one, with the given values of
// "debug" and with "showalias" and "expandfilenames" as asked.

#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_Options.h"

#include <sstream>
#include <string>
#include <vector>

namespace recordtest {

inline void makeCurrentOptions(const std::vector<std::string>& debugFlags, bool showAlias = true,
                               bool expandFilenames = true)
{
    C_CmdArgs cmdArgs("ZXC", 0, nullptr);
    C_Options& options = *cmdArgs.options();
    for (const std::string& flag : debugFlags) {
        std::istringstream words(flag);
        options.debug()->parse(words, false);
    }
    std::istringstream alias(showAlias ? "+" : "-");
    options.showalias()->parse(alias, true);
    std::istringstream expand(expandFilenames ? "+" : "-");
    options.expandfilenames()->parse(expand, true);
    cmdArgs.makeCurrent();
}

} // namespace recordtest
