#pragma once

#include "util/U_RefPtr.h"

#include <cstdint>
#include <set>

class M_Diagnostic;

/// Keeps or drops diagnostics by message number, after the options "nomsg"
/// (numbers to drop) and "only" (numbers to keep) of the current command
/// line, read once per process.
namespace M_MessageFilter {

using NumberSet = std::set<std::int32_t>;

// Whether the diagnostic's number passes: not in "nomsg", and in "only"
// unless "only" is empty. The first call takes both options from the current
// command line, which must exist, and keeps them for good.
bool accepts(U_RefPtr<M_Diagnostic> diagnostic);
// The same rule over a second pair of sets of its own, built likewise on its
// own first call.
bool accepts(std::int32_t number);

// The rule itself: number passes nomsg and only.
bool passes(std::int32_t number, const NumberSet& only, const NumberSet& nomsg);

// The ordered set of the numbers in [first, last), each once.
NumberSet makeSet(const std::int32_t* first, const std::int32_t* last);

// Tests only: the next call of either accepts builds its sets again.
void reset();

} // namespace M_MessageFilter
