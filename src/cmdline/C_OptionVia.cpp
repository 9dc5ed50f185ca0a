#include "cmdline/C_OptionVia.h"

C_OptionVia::C_OptionVia(std::string keyword) : C_OptionStringList(std::move(keyword)) {}

std::string C_OptionVia::toString() const
{
    return std::string();
}

bool C_OptionVia::parse(std::istream& words, const bool& attached)
{
    return C_OptionStringList::parse(words, attached);
}
