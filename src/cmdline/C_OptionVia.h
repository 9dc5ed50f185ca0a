#pragma once

#include "cmdline/C_OptionKinds.h"

/// An option whose values name option files ("via" and "list"): each file
/// named is read as further option words where it is named, before the word
/// that follows its name. The list holds the names in the order given; the
/// settings listing shows nothing for it.
class C_OptionVia : public C_OptionStringList {
public:
    explicit C_OptionVia(std::string keyword);
    // Always the empty text.
    std::string toString() const override;
    // Reads the file name from words (the parser's word stream) and opens it
    // with openFile; true on success.
    bool parse(std::istream& words, const bool& attached) override;

    // Records text (native encoding, as given) in option's list and pushes
    // the file on the source stack behind words, whose buffer must be the
    // parser's C_CmdArgStreamBuffer. Throws C_InvalidViaException with the
    // path when it is not a readable regular file, or when it is already
    // being read (a file that names itself) or too deeply nested; throws
    // C_ViaLimitException with the path when the parse has read as many
    // option files as it takes.
    static bool openFile(C_OptionVia& option, const char* text, std::istream& words);
};
