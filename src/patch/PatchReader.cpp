#include "patch/PatchReader.h"

#include <limits>
#include <streambuf>

namespace {

// A stream buffer that reads a text where it lies.
class TextBuffer : public std::streambuf {
public:
    explicit TextBuffer(const std::string& text)
    {
        char* begin = const_cast<char*>(text.data());
        setg(begin, begin, begin + text.size());
    }
};

const char kHeader[] = "File: ";
const std::string::size_type kHeaderLength = 6;

} // namespace

PatchReader::PatchReader(std::istream& in, const U_RefPtr<Patch>& patch) : in_(in), patch_(patch) {}

bool PatchReader::readChangeCommands(std::istream& in, const U_RefPtr<FilePatch>& section, std::string& badLine)
{
    PatchReader reader(in, U_RefPtr<Patch>());
    reader.section_ = section;
    while (in.good() && reader.readLine()) {
        const std::string line = reader.line_;
        if (!reader.parseHunkHeader()) {
            badLine = line;
            return false;
        }
    }
    return true;
}

bool PatchReader::readChangeCommands(const PatchLines& lines, const U_RefPtr<FilePatch>& section,
                                     std::string& badLine)
{
    TextBuffer buffer(lines.text());
    std::istream in(&buffer);
    return readChangeCommands(in, section, badLine);
}

void PatchReader::readAll()
{
    while (in_.good()) {
        if (!readLine())
            break;
        if (!parseFileHeader() && section_)
            parseHunkHeader();
    }
}

bool PatchReader::readLine()
{
    // A carriage return stays part of its line.
    std::string line;
    if (!std::getline(in_, line))
        return false;
    ++lineNumber_;
    line_ = std::move(line);
    return true;
}

bool PatchReader::parseFileHeader()
{
    if (line_.size() <= kHeaderLength || line_.compare(0, kHeaderLength, kHeader) != 0)
        return false;
    std::string name = line_.substr(kHeaderLength);
    const auto end = name.find_last_not_of(' ');
    name.erase(end == std::string::npos ? 0 : end + 1);
    if (!patch_)
        patch_ = new Patch;
    section_ = new FilePatch(name);
    // A refused section stays current, so its commands go nowhere.
    patch_->addFilePatch(section_);
    return true;
}

bool PatchReader::parseHunkHeader()
{
    numberTooLarge_ = false;
    const LineRange oldRange = parseRange();
    const PatchOp op = parseOp();
    const LineRange newRange = parseRange();
    if (numberTooLarge_)
        return op == PatchOp::None;
    switch (op) {
    case PatchOp::Add:
        return section_->add(oldRange.first, newRange);
    case PatchOp::Remove:
        return section_->remove(oldRange, newRange.first);
    case PatchOp::Change:
        return section_->change(oldRange, newRange);
    case PatchOp::None:
        break;
    }
    return true;
}

LineRange PatchReader::parseRange()
{
    LineRange range;
    range.first = parseNumber();
    if (!line_.empty() && line_[0] == ',') {
        line_.erase(0, line_.find_first_not_of(", "));
        range.second = parseNumber();
    } else {
        range.second = range.first;
    }
    return range;
}

std::int32_t PatchReader::parseNumber()
{
    const auto found = line_.find_first_not_of("0123456789");
    const std::string::size_type run = found == std::string::npos ? line_.size() : found;
    std::int64_t value = 0;
    for (std::string::size_type i = 0; i < run; ++i) {
        value = value * 10 + (line_[i] - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) {
            numberTooLarge_ = true;
            value = 0;
            break;
        }
    }
    if (found != std::string::npos)
        consume(run);
    return static_cast<std::int32_t>(value);
}

PatchReader::PatchOp PatchReader::parseOp()
{
    if (line_.empty())
        return PatchOp::None;
    PatchOp op = PatchOp::None;
    switch (line_[0]) {
    case 'a':
        op = PatchOp::Add;
        break;
    case 'c':
        op = PatchOp::Change;
        break;
    case 'd':
        op = PatchOp::Remove;
        break;
    default:
        break;
    }
    const auto run = line_.find_first_not_of("acd");
    if (run != std::string::npos)
        consume(run);
    return op;
}

void PatchReader::consume(std::string::size_type n)
{
    const auto rest = line_.find_first_not_of(' ', n);
    line_.erase(0, rest == std::string::npos ? line_.size() : rest);
}
