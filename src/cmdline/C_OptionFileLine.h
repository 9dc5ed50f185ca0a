#pragma once

#include <cstdio>
#include <string>

/// The lines of an option file as the word reader takes them: logical lines
/// (a backslash before the line end joins the next line) and the variable
/// substitution of option files (no backslash escapes).
namespace C_OptionFileLine {

// Reads the next logical line of file into line, its "\n" kept (a CR
// before it is part of the line end and dropped); a line of any length is
// kept whole. False at the end of the file.
bool read(std::FILE* file, std::string& line);

// Rewrites line in place: "$$" gives "$"; $NAME and ${NAME} give the
// variable's value (nothing when it is unset). A "${" without "}" on its
// line prints the badly-formed message on standard output and drops the
// rest of the line from the "$". Nothing changes when dollars is false.
void substitute(std::string& line, bool dollars);

} // namespace C_OptionFileLine
