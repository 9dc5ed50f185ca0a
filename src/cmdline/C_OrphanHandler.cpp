#include "cmdline/C_OrphanHandler.h"

#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_NamedFileRegistry.h"
#include "cmdline/U_EnvDirectories.h"
#include "encoding/U_Encoding.h"
#include "encoding/U_FilePath.h"

void C_OrphanFileHandler::handle(C_CmdArgs& commandLine, const std::string& word)
{
    const U_Filename file = U_Filename::fromPath(U_Encoding::fromNative(commandLine.product(), word));
    C_NamedFileRegistry::insert(file);
    if (index_.count(file))
        return;
    std::string directory = U_Env::outputDirectory(commandLine);
    if (directory.empty())
        directory = ".";
    index_.emplace(file, files_.size());
    files_.push_back(C_InputFile{file, U_FilePath::fullPath(directory)});
}
