#pragma once

#include "cmdline/C_OptionKinds.h"

/// An option whose values name option files ("via" and "list"): each file
/// named is read as further option words where it is named. The list holds
/// the names in the order given; the settings listing shows nothing for it.
class C_OptionVia : public C_OptionStringList {
public:
    explicit C_OptionVia(std::string keyword);
    // Always the empty text.
    std::string toString() const override;
    // Reads the file name from words and records it.
    bool parse(std::istream& words, const bool& attached) override;
};
