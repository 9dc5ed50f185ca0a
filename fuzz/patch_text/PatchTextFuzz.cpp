// The change-command reader over any text, as the diff command's output
// reaches it: it must never fail, and the mappings it builds must answer for
// any line, the extremes of the 32-bit range included, without a number
// ever wrapping round.

#include "patch/Patch.h"
#include "patch/PatchReader.h"
#include "support/FuzzInput.h"

#include <cstdint>
#include <limits>
#include <sstream>
#include <string>

namespace {

// Every number of a change command is a digit run, so a mapping's lines are
// never negative and a line that survives lands on line 1 or later. A wrap
// past the 32-bit range breaks both.
void checkMappings(const FilePatch& file)
{
    for (std::int32_t line : {std::numeric_limits<std::int32_t>::min(), -1, 0, 1,
                              std::numeric_limits<std::int32_t>::max()})
        (void)file.mapLine(line);
    for (const LineMapping& m : file.mappings()) {
        FUZZ_CHECK(m.first >= 0 && m.last >= 0);
        FUZZ_CHECK(m.target == -1 || m.target >= 1);
        for (std::int32_t line : {m.first, m.last}) {
            const std::int64_t at = line;
            for (std::int64_t near = at - 1; near <= at + 1; ++near) {
                if (near < 1 || near > std::numeric_limits<std::int32_t>::max())
                    continue;
                const std::int32_t mapped = file.mapLine(static_cast<std::int32_t>(near));
                FUZZ_CHECK(mapped == -1 || mapped >= 0);
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    U_RefPtr<Patch> patch;
    Patch::read(in, patch);
    if (patch) {
        for (const auto& named : patch->filePatches()) {
            FUZZ_CHECK(named.second->name() == named.first);
            checkMappings(*named.second);
        }
    }

    // The same text as the change commands of one file, headers and all.
    std::istringstream commands(text);
    U_RefPtr<FilePatch> file(new FilePatch("f"));
    std::string badLine;
    if (!PatchReader::readChangeCommands(commands, file, badLine))
        FUZZ_CHECK(("\n" + text + "\n").find("\n" + badLine + "\n") != std::string::npos);
    checkMappings(*file);
    return 0;
}
