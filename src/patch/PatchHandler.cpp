#include "patch/PatchHandler.h"

#include "patch/PatchXmlText.h"

#include <ostream>

PatchHandler::~PatchHandler() = default;

void PatchHandler::addFile(const std::string& name, const std::string& date, const std::vector<std::string>& lines)
{
    PatchFileEntry& entry = files_[name];
    entry.date = date;
    entry.lines.insert(entry.lines.end(), lines.begin(), lines.end());
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

void PatchHandler::resetFile(const std::string& name)
{
    PatchFileEntry& entry = files_[name];
    entry.lines.clear();
    entry.date.clear();
    modified_ = true;
}

PatchHandler::Lines::const_iterator PatchHandler::patchesBegin(const std::string& name)
{
    return files_[name].lines.cbegin();
}

PatchHandler::Lines::const_iterator PatchHandler::patchesEnd(const std::string& name)
{
    return files_[name].lines.cend();
}

namespace {

// Appends the text of one FILE element to out, or nothing when some value
// would not read back as the same bytes.
void appendFileElement(std::string& out, const std::string& name, const PatchFileEntry& entry)
{
    const std::size_t start = out.size();
    bool exact = true;
    out += "   <FILE name=\"";
    exact &= appendPatchXmlValue(out, name, PatchXmlPlace::Attribute);
    out += "\">\n";
    if (!entry.date.empty()) {
        out += "      <DATE>";
        exact &= appendPatchXmlValue(out, entry.date, PatchXmlPlace::Text);
        out += "</DATE>\n";
    }
    for (const std::string& line : entry.lines) {
        out += "      <PATCH>";
        exact &= appendPatchXmlValue(out, line, PatchXmlPlace::Text);
        out += "</PATCH>\n";
    }
    out += "   </FILE>\n";
    if (!exact)
        out.resize(start);
}

} // namespace

void PatchHandler::writeXML(std::ostream& out) const
{
    // The stamp is written even when it does not read back exactly: only its
    // digest, plain hexadecimal, ever decides anything.
    std::string text(kPatchXmlHead);
    text += "<PATCHFILE sname=\"";
    appendPatchXmlValue(text, sname_, PatchXmlPlace::Attribute);
    text += "\" sdate=\"";
    appendPatchXmlValue(text, sdate_, PatchXmlPlace::Attribute);
    text += "\">\n";

    // Entries go out in slices, so the text in memory stays small whatever
    // the size of the cache.
    constexpr std::size_t kSlice = 64 * 1024;
    for (const auto& file : files_) {
        appendFileElement(text, file.first, file.second);
        if (text.size() >= kSlice) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            text.clear();
        }
    }
    text += "</PATCHFILE>\n\n";
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}
