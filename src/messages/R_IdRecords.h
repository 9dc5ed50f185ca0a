#pragma once

#include "messages/R_Reader.h"
#include "messages/R_Writer.h"
#include "messages/U_Identifier.h"
#include "util/U_Filename.h"

// The identifier and file-name records: an id, then the body only the first
// time the value is written in a section.

// Writes name's id, with its text after a new id.
void R_writeIdentifier(R_Writer& writer, U_Identifier name);
// Writes the id of file's full name, with the stored full name and name as
// given after a new id; names that intern to one full name share one id.
void R_writeFilename(R_Writer& writer, const U_Filename& file);

// The cached identifier of the id read, else the body that follows, interned
// up to its first NUL; throws R_ReadingReadException on a cut or a negative
// or oversized length.
U_Identifier R_readIdentifier(R_Reader& reader);
// The cached file name of the id read, else the body that follows; throws
// as R_readString.
U_Filename R_readFilename(R_Reader& reader);
