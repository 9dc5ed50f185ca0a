// Stands in for the configuration reader in this test program until that
// reader is merged; it knows only the "#options" line.
#include "cmdline/C_Cfg.h"
#include "util/U_Path.h"
#include <cstring>
#include <iostream>
const C_CfgEntry* C_Cfg::sectionTable(int) { return nullptr; }
U_CountedPtr<TranslatedFile> C_Cfg::read(U_EncodingKind kind, std::string tempDirectory, const char* directory,
                                         const char* lowerName, const C_CfgEntry*, bool)
{
    U_CountedPtr<TranslatedFile> file(new TranslatedFile(kind, tempDirectory));
    const std::string name = U_Path::join(U_Path::toSlashes(directory), U_Path::addExtension(lowerName, "cfg"));
    if (!U_Path::isFile(name) || !file->open(name, false)) {
        std::cerr << "\nERROR: Unable to open configuration file " << name << "\n\n";
        return U_CountedPtr<TranslatedFile>();
    }
    char buf[1024];
    while (std::fgets(buf, sizeof buf, file->file()))
        if (std::strncmp(buf, "#options", 8) == 0)
            break;
    return file;
}
