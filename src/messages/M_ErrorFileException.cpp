#include "messages/M_ErrorFileException.h"

#include "messages/M_ErrorFile.h"

#include <new>
#include <ostream>
#include <utility>

namespace {

// Rebuilds one class's process-wide text and returns it; out of memory keeps
// the text it held.
template <class Tag, class Build>
const char* classText(Build build) noexcept
{
    static std::string* text = new std::string;  // lives until exit, on purpose
    try {
        *text = build();
    } catch (const std::bad_alloc&) {
    }
    return text->c_str();
}

std::string versionText(const char* prefix, std::uint32_t formatId)
{
    return prefix + M_ErrorFile::hex(formatId) + ". Expected: 9300\n";
}

} // namespace

void M_ErrorFileException::print(std::ostream& out) const
{
    out << what();
}

M_BadFileOpenException::M_BadFileOpenException(std::string fileName) : fileName_(std::move(fileName)) {}

const char* M_BadFileOpenException::what() const noexcept
{
    return classText<M_BadFileOpenException>([this] { return "Cannot write error file '" + fileName_ + "'."; });
}

M_BadErrorFileVersion::M_BadErrorFileVersion(std::uint32_t formatId) : formatId_(formatId) {}

const char* M_BadErrorFileVersion::what() const noexcept
{
    return classText<M_BadErrorFileVersion>(
        [this] { return versionText("Error file has incorrect version: ", formatId_); });
}

M_BadVersionForAppendException::M_BadVersionForAppendException(std::uint32_t formatId) : formatId_(formatId) {}

const char* M_BadVersionForAppendException::what() const noexcept
{
    return classText<M_BadVersionForAppendException>([this] {
        return versionText("Cannot append to error file with incorrect version.  Error file has version: ",
                           formatId_);
    });
}

const char* M_ShortErrorFileException::what() const noexcept
{
    return "Cannot append to error file shorter than its header.";
}

const char* M_BadInfoTypeException::what() const noexcept
{
    return "unknown error record type in error file";
}

const char* M_HasListParameterException::what() const noexcept
{
    return "error file has string list parameter";
}
