#include "messages/M_QuietFilter.h"

#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_NamedFileRegistry.h"
#include "cmdline/C_Options.h"
#include "encoding/U_FilePath.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

using Cache = std::array<M_QuietFilter::CacheEntry, M_QuietFilter::kCacheSize>;

Cache& cache()
{
    static Cache entries;
    return entries;
}

} // namespace

namespace M_QuietFilter {

std::size_t cacheSlot(const U_Filename& file)
{
    const auto address = reinterpret_cast<std::uintptr_t>(file.fullNameHandle().c_str());
    return static_cast<std::size_t>((address >> 2) % kCacheSize);
}

bool isQuiet(const C_CmdArgs& commandLine, const U_Filename& file)
{
    const bool always = C_Options::hasDebugFlag(*commandLine.options(), "always-first");
    CacheEntry& entry = cache()[cacheSlot(file)];
    // Only the full name is compared: the name as given does not matter.
    if (!always && entry.key.fullNameHandle() == file.fullNameHandle() && entry.key.isValid())
        return entry.quiet;
    const bool quiet = !C_NamedFileRegistry::contains(commandLine, file) && matchesQuietList(commandLine, file);
    entry.key = always ? U_Filename() : file;
    entry.quiet = quiet;
    return quiet;
}

bool isQuiet(const U_Location& location)
{
    if (!location)
        return false;
    return isQuiet(*C_CmdArgs::current(), location.fileName());
}

std::vector<U_Filename>::const_iterator findMatch(std::vector<U_Filename>::const_iterator first,
                                                  std::vector<U_Filename>::const_iterator last,
                                                  const std::string& path)
{
    return std::find_if(first, last,
                        [&path](const U_Filename& entry) { return U_FilePath::isPrefixOf(entry.fullName(), path); });
}

bool matchesQuietList(const C_CmdArgs& commandLine, const U_Filename& file)
{
    const std::vector<U_Filename>& quiet = commandLine.options()->quiet()->values();
    return findMatch(quiet.begin(), quiet.end(), file.fullName()) != quiet.end();
}

void resetCache()
{
    cache().fill(CacheEntry());
}

} // namespace M_QuietFilter
