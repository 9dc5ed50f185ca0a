#pragma once

#include "messages/U_Location.h"
#include "util/U_Filename.h"

#include <cstddef>
#include <vector>

class C_CmdArgs;

/// Drops the diagnostics of quiet files: files whose full name begins with an
/// entry of the option "quiet", unless the arguments named them as input
/// files. Answers are cached per file in a small direct-mapped table that
/// lives until exit.
namespace M_QuietFilter {

/// One slot of the answer cache: the file it answers for (both names null at
/// first, which no real file has) and the answer.
struct CacheEntry {
    U_Filename key;
    bool quiet = false;
};

// The number of cache slots.
constexpr std::size_t kCacheSize = 511;

// Whether file is quiet under commandLine. A file in the cache slot answers
// from there; under the debug flag "always-first" every answer is worked out
// afresh and never kept for a later call.
bool isQuiet(const C_CmdArgs& commandLine, const U_Filename& file);
// isQuiet for the location's file with the current command line; false for
// the null location.
bool isQuiet(const U_Location& location);

// Some entry of commandLine's "quiet" is a prefix of file's full name
// (letters A-Z without regard to case).
bool matchesQuietList(const C_CmdArgs& commandLine, const U_Filename& file);
// The first entry in [first, last) whose full name is a prefix of path; last
// when there is none.
std::vector<U_Filename>::const_iterator findMatch(std::vector<U_Filename>::const_iterator first,
                                                  std::vector<U_Filename>::const_iterator last,
                                                  const std::string& path);

// The cache slot of file: the address of its interned full name without its
// two low bits, modulo kCacheSize.
std::size_t cacheSlot(const U_Filename& file);

// Tests only: every slot back to a null key.
void resetCache();

} // namespace M_QuietFilter
