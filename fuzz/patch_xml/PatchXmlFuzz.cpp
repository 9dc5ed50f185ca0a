// The "patch.xml" reader over any file. Besides never failing, what it loads
// must survive being saved: saving the loaded cache and loading the saved
// text again gives back exactly the entries that were saved, so a damaged
// cache file can never grow into a wrong one.

#include "patch/PatchGen_ReaderXML.h"
#include "patch/PatchHandler.h"
#include "patch/PatchXmlText.h"
#include "support/FuzzInput.h"

#include <cstdint>
#include <sstream>
#include <string>

namespace {

PatchHandler load(const std::string& path)
{
    PatchHandler handler;
    PatchGen_ReaderXML reader;
    reader.open(path.c_str());
    reader.read(&handler);
    reader.close();
    FUZZ_CHECK(!handler.isModified());
    return handler;
}

// Whether the writer can store every value of entry so that it reads back
// as the same bytes; an entry that it cannot is left out of the file.
bool writableExactly(const std::string& name, const PatchFileEntry& entry)
{
    std::string scratch;
    bool exact = appendPatchXmlValue(scratch, name, PatchXmlPlace::Attribute);
    exact &= appendPatchXmlValue(scratch, entry.date, PatchXmlPlace::Text);
    for (const std::string& line : entry.lines)
        exact &= appendPatchXmlValue(scratch, line, PatchXmlPlace::Text);
    return exact;
}

std::string save(const PatchHandler& handler)
{
    std::ostringstream out;
    handler.writeXML(out);
    return out.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::writeScratchFile("patch.xml", data, size);
    const PatchHandler loaded = load(path);

    const std::string saved = save(loaded);
    const std::string savedPath = fuzz::writeScratchFile(
        "patch.xml", reinterpret_cast<const std::uint8_t*>(saved.data()), saved.size());
    const PatchHandler reloaded = load(savedPath);

    // Every entry read back is one that was loaded, unchanged.
    for (const auto& file : reloaded.files()) {
        const auto original = loaded.files().find(file.first);
        FUZZ_CHECK(original != loaded.files().end());
        FUZZ_CHECK(original->second.date == file.second.date);
        FUZZ_CHECK(original->second.lines == file.second.lines);
    }
    // Nothing that could be stored exactly was lost on the way.
    for (const auto& file : loaded.files()) {
        if (writableExactly(file.first, file.second))
            FUZZ_CHECK(reloaded.hasFile(file.first));
    }
    // And saving again writes the same bytes.
    FUZZ_CHECK(save(reloaded) == saved);
    return 0;
}
