// The "patch.xml" reader over any file. Besides never failing, what it loads
// must survive being saved: saving the loaded cache and loading the saved
// text again gives back exactly the entries that were saved, so a damaged
// cache file can never grow into a wrong one. A file that declares an entity
// or a notation loads nothing at all, and loading never costs memory beyond a
// small multiple of the file's size.

#include "patch/PatchGen_ReaderXML.h"
#include "patch/PatchHandler.h"
#include "patch/PatchXmlText.h"
#include "support/FuzzInput.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <sstream>
#include <string>

#include <sys/resource.h>

namespace {

PatchHandler load(const std::string& path, bool* usable = nullptr)
{
    PatchHandler handler;
    PatchGen_ReaderXML reader;
    const bool opened = reader.open(path.c_str());
    const bool read = reader.read(&handler);
    reader.close();
    FUZZ_CHECK(!handler.isModified());
    if (usable)
        *usable = opened && read;
    return handler;
}

// Whether the text the reader parses declares an entity or a notation: the
// declaration stands in a document type, before the "]" that ends its
// internal subset (or the text); a document type that ends with ">" before
// any "[" has no subset.
bool declaresEntityOrNotation(const QString& text)
{
    for (int at = text.indexOf(QLatin1String("<!DOCTYPE")); at >= 0;
         at = text.indexOf(QLatin1String("<!DOCTYPE"), at + 1)) {
        const int subset = text.indexOf(QLatin1Char('['), at);
        const int close = text.indexOf(QLatin1Char('>'), at);
        int end = close >= 0 && (subset < 0 || close < subset) ? close : text.indexOf(QLatin1Char(']'), at);
        if (end < 0)
            end = text.size();
        for (const char* declaration : {"<!ENTITY", "<!NOTATION"}) {
            const int found = text.indexOf(QLatin1String(declaration), at);
            if (found >= 0 && found < end)
                return true;
        }
    }
    return false;
}

// The process's peak memory so far, in KiB.
long peakMemory()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
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
    const long peakBefore = peakMemory();
    bool usable = false;
    const PatchHandler loaded = load(path, &usable);
    FUZZ_CHECK(peakMemory() - peakBefore <= 64 * 1024 + 64 * static_cast<long>(size / 1024 + 1));

    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    if (declaresEntityOrNotation(patchXmlDocument(bytes))) {
        FUZZ_CHECK(!usable);
        FUZZ_CHECK(loaded.files().empty() && loaded.sname().empty() && loaded.sdate().empty());
    }

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
