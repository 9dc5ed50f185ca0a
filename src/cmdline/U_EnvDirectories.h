#pragma once

// The product's places that depend on its options: the output directory,
// the temporary directory and the user's rc file. They live with the command
// line because the output directory reads an option; util's U_Env.h keeps
// the BIN directory.

#include <string>
#include <vector>

class C_CmdArgs;
class U_Product;

namespace U_Env {

// The "outputpath" option of commandLine when it is not empty (as given);
// else the product's OUTPATH variable (internal text, "/" separators; ""
// when it is set to ""); else ".".
std::string outputDirectory(const C_CmdArgs& commandLine);
// outputDirectory of C_CmdArgs::current(); "." while there is none.
std::string outputDirectory();

// The first usable directory (exists, is a directory, a temporary name can
// be made in it) of: the product's TEMPFILES variable (its only candidate
// when set), the TMP variable, "/". Throws U_UserException "Error finding
// temporary directory:" with one "Tried" line per candidate when none is.
std::string tempDirectory(const U_Product& product);

// The product's rc file ("." + its rc name + "rc"), the first readable
// regular file of: the ";"-separated directories of <product>RCPATH, the
// current directory, HOME, that the running user or root owns. "" when
// there is none. Each such file passed over for its owner is added to
// skipped, in the order met: the lookup goes on as if it were not there.
std::string rcFile(const U_Product& product, std::vector<std::string>& skipped);

} // namespace U_Env
