#include "patch/PatchHandler.h"

#include "patch/PatchGen_ReaderXML.h"
#include "patch/PatchXmlText.h"

#include <cstring>

#include <ostream>

PatchHandler::~PatchHandler() = default;

void PatchHandler::addFile(const std::string& name, const std::string& date, const PatchLines& lines)
{
    PatchFileEntry& entry = files_[name];
    entry.date = date;
    entry.lines.append(lines);
}

void PatchHandler::clear()
{
    files_.clear();
}

bool PatchHandler::hasFile(const std::string& name) const
{
    return files_.find(name) != files_.end();
}

void PatchHandler::removeFile(const std::string& name)
{
    files_.erase(name);
    modified_ = true;
}

std::string PatchHandler::date(const std::string& name)
{
    return files_[name].date;
}

void PatchHandler::ensureFile(const std::string& name)
{
    if (files_.emplace(name, PatchFileEntry()).second)
        modified_ = true;
}

void PatchHandler::setDate(const std::string& name, const std::string& date)
{
    files_[name].date = date;
    modified_ = true;
}

void PatchHandler::addPatch(const std::string& name, const std::string& line)
{
    files_[name].lines.push_back(line);
    modified_ = true;
}

void PatchHandler::addPatches(const std::string& name, const PatchLines& lines)
{
    files_[name].lines.append(lines);
    modified_ = true;
}

void PatchHandler::resetFile(const std::string& name)
{
    PatchFileEntry& entry = files_[name];
    entry.lines.clear();
    entry.date.clear();
    modified_ = true;
}

PatchHandler::Lines::const_iterator PatchHandler::patchesBegin(const std::string& name)
{
    return files_[name].lines.begin();
}

PatchHandler::Lines::const_iterator PatchHandler::patchesEnd(const std::string& name)
{
    return files_[name].lines.end();
}

const PatchLines& PatchHandler::patches(const std::string& name)
{
    return files_[name].lines;
}

namespace {

// Goes through the text of the FILE element of one entry: fixed(text) for
// the layout's own text, value(bytes, size, place) for each value, in order.
template <typename Fixed, typename Value>
void walkFileElement(const std::string& name, const PatchFileEntry& entry, Fixed fixed, Value value)
{
    fixed("   <FILE name=\"");
    value(name.data(), name.size(), PatchXmlPlace::Attribute);
    fixed("\">\n");
    if (!entry.date.empty()) {
        fixed("      <DATE>");
        value(entry.date.data(), entry.date.size(), PatchXmlPlace::Text);
        fixed("</DATE>\n");
    }
    const std::string& lines = entry.lines.text();
    for (std::size_t start = 0; start < lines.size();) {
        const std::size_t end = lines.find('\n', start);
        fixed("      <PATCH>");
        value(lines.data() + start, end - start, PatchXmlPlace::Text);
        fixed("</PATCH>\n");
        start = end + 1;
    }
    fixed("   </FILE>\n");
}

// The size of the FILE element of an entry; false when some value would not
// read back as the same bytes.
bool measureFileElement(const std::string& name, const PatchFileEntry& entry, std::string& scratch,
                        std::uint64_t& size)
{
    bool exact = true;
    size = 0;
    walkFileElement(
        name, entry, [&size](const char* text) { size += std::strlen(text); },
        [&](const char* p, std::size_t n, PatchXmlPlace place) {
            scratch.clear();
            exact &= appendPatchXmlValue(scratch, p, n, place);
            size += scratch.size();
        });
    return exact;
}

} // namespace

void PatchHandler::writeXML(std::ostream& out) const
{
    writeXML(out, static_cast<std::uint64_t>(PatchGen_ReaderXML::kMaxFileSize));
}

void PatchHandler::writeXML(std::ostream& out, std::uint64_t maxBytes) const
{
    // The stamp is written even when it does not read back exactly: only its
    // digest, plain hexadecimal, ever decides anything.
    std::string text(kPatchXmlHead);
    text += "<PATCHFILE sname=\"";
    appendPatchXmlValue(text, sname_, PatchXmlPlace::Attribute);
    text += "\" sdate=\"";
    appendPatchXmlValue(text, sdate_, PatchXmlPlace::Attribute);
    text += "\">\n";
    static const char kTail[] = "</PATCHFILE>\n\n";
    std::uint64_t written = text.size() + std::strlen(kTail);

    // Entries go out in slices, so the text in memory stays small whatever
    // the size of an entry or of the cache.
    constexpr std::size_t kSlice = 64 * 1024;
    const auto flush = [&out, &text] {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        text.clear();
    };
    std::string scratch;
    for (const auto& file : files_) {
        // An entry is measured before any of it is written: one that would
        // not read back exactly, or that would make the file larger than
        // the reader takes, is left out, and that file is diffed again.
        std::uint64_t size = 0;
        if (!measureFileElement(file.first, file.second, scratch, size) || written + size > maxBytes)
            continue;
        written += size;
        walkFileElement(
            file.first, file.second,
            [&](const char* part) {
                text += part;
                if (text.size() >= kSlice)
                    flush();
            },
            [&text](const char* p, std::size_t n, PatchXmlPlace place) { appendPatchXmlValue(text, p, n, place); });
    }
    text += kTail;
    flush();
}
