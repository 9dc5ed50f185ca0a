#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// The number lists of "nomsg", "only", "suppresslvl" and
// "expandmultihomedmessages". Kept in cmdline beside the option that reads
// them; the name extends util's U_String helpers.
namespace U_String {

// The numbers of text in order: items of digits, or ranges "a-b" either way
// round, each followed by one separator character of any kind. An empty or
// oversized item reads as 0. A range of more than 20001 numbers is cut to
// 20000 with a warning on standard error.
std::vector<std::int32_t> numberListValues(const std::string& text);

// Appends numberListValues(text) to out.
template <class OutputIt>
void parseNumberList(OutputIt out, const std::string& text)
{
    const std::vector<std::int32_t> values = numberListValues(text);
    std::copy(values.begin(), values.end(), out);
}

} // namespace U_String
