#pragma once

#include "encoding/TranslatedFile.h"
#include "encoding/U_EncodingKind.h"
#include "util/U_CountedPtr.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

/// One row of a product's configuration-file section table. A section row is
/// followed by the rows of its entries, in the order data lines fill them.
struct C_CfgEntry {
    enum Type : std::int32_t {
        kSection = 0,
        kString = 1,
        kInteger = 2,
        kStringArray = 3,
        kIntegerArray = 4,
        kOptions = 5,  // the section at which reading stops
        kEnd = -1,
    };

    std::int32_t type;
    const char* section;     // kSection and kOptions: the name, lower case
    std::string* strings;    // kString: the variable; kStringArray: its first element
    std::int32_t* integers;  // kInteger: the variable; kIntegerArray: its first element
    std::int32_t count;      // the arrays' element count, else 0
};

/// The product configuration file: "<lower name>.cfg" in the BIN directory,
/// sections of data lines up to the "options" section line, whose rest holds
/// option words. Problems are reported (standard output, or standard error
/// for a file that cannot be opened) and reading goes on; nothing is thrown
/// but the translation errors of the file.
class C_Cfg {
public:
    // The section table of product row productIndex; null outside the table.
    static const C_CfgEntry* sectionTable(int productIndex);

    // Reads the file up to its "options" section line and returns it open,
    // positioned after that line (or at its end). Empty when the file is not
    // a regular file that can be opened, after
    // "\nERROR: Unable to open configuration file <name>\n\n" on standard
    // error. directory is the raw BIN value (backslashes allowed).
    static U_CountedPtr<TranslatedFile> read(U_EncodingKind kind, std::string tempDirectory, const char* directory,
                                             const char* lowerName, const C_CfgEntry* table, bool substitute);

    // One logical line of file into line: its bytes up to and including the
    // line feed (a CR before it is dropped), a line ending in backslash line
    // feed joined with the next one. Lines of any length come whole. False at
    // the end of the file.
    static bool getLine(std::string& line, std::FILE* file);

    // Rewrites line: "$NAME", "${NAME}" by the environment's value when
    // dollars ("$$" gives "$"), backslash escapes ("\n", "\t", "\x" gives x)
    // when escapes. With stopAtNewline the result ends before the first line
    // feed, else the line feed stays. The result may be of any length.
    static void substitute(std::string& line, bool stopAtNewline, bool dollars, bool escapes);

    // The name of the variable reference whose "$" is at line[index];
    // index moves past the reference. A "${" with no "}" on the line prints
    // "\nERROR: Badly formed variable substitution:\n\t<line>\n" on standard
    // output, moves index to the end of the line and gives nullopt.
    static std::optional<std::string> variableName(const std::string& line, std::size_t& index);

    // Stores a data line into entry; returns the entry the next data line
    // fills. Reports unexpected data when entry is not a data entry.
    static const C_CfgEntry* storeData(const std::string& line, const C_CfgEntry* entry, bool substitute);

    // The first entry of the section that the section line names; null, after
    // "\nERROR: Unknown section #<name>\n" on standard output, when the table
    // has none. goOn becomes false for the "options" section.
    static const C_CfgEntry* findSection(const std::string& line, const C_CfgEntry* table, bool& goOn);
};
