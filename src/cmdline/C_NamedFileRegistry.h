#pragma once

#include "util/U_Filename.h"

class C_CmdArgs;

/// The process-wide set of files that the arguments name: the input files
/// from every source and the "crossmoduleanalysisfile" value. The message
/// filters ask it so that a named file is never taken for a quiet one.
namespace C_NamedFileRegistry {

// Empties the set (each command line starts loading its sources with it).
void clear();
// Adds name unless a file of the same full name is there (the first one
// stays).
void insert(const U_Filename& name);
// True when a file of name's full name was named, false always for the
// product's implicit header (BIN/implicit.h, worked out on the first call
// and kept). Throws the BIN variable's C_ConfigurationException when the
// implicit header is worked out without it.
bool contains(const C_CmdArgs& commandLine, const U_Filename& name);

} // namespace C_NamedFileRegistry
