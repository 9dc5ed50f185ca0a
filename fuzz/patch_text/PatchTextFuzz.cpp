// The change-command reader over any text, as the diff command's output
// reaches it: it must never fail, and the mappings it builds must answer for
// any line, the extremes of the 32-bit range included.

#include "patch/Patch.h"
#include "support/FuzzInput.h"

#include <cstdint>
#include <limits>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    U_RefPtr<Patch> patch;
    Patch::read(in, patch);
    if (!patch)
        return 0;

    // Each mapping's own lines and its neighbours are where the lookup's
    // edge cases lie.
    for (const auto& named : patch->filePatches()) {
        const FilePatch& file = *named.second;
        FUZZ_CHECK(file.name() == named.first);
        for (std::int32_t line : {std::numeric_limits<std::int32_t>::min(), -1, 0, 1,
                                  std::numeric_limits<std::int32_t>::max()})
            (void)file.mapLine(line);
        for (const LineMapping& m : file.mappings()) {
            for (std::int32_t line : {m.first, m.last}) {
                (void)file.mapLine(line);
                if (line != std::numeric_limits<std::int32_t>::min())
                    (void)file.mapLine(line - 1);
                if (line != std::numeric_limits<std::int32_t>::max())
                    (void)file.mapLine(line + 1);
            }
        }
    }
    return 0;
}
