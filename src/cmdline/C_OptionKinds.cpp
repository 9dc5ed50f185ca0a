#include "cmdline/C_OptionKinds.h"

#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_OptionExceptions.h"
#include "cmdline/C_Options.h"
#include "cmdline/U_NumberList.h"
#include "encoding/U_Encoding.h"
#include "encoding/U_FilePath.h"
#include "platform/AsciiCase.h"
#include "util/U_String.h"

#include <iostream>
#include <iterator>

namespace {

// A file name as options store it: internal text, "/" separators.
std::string internalPath(const std::string& text)
{
    return U_FilePath::toSlashes(U_Encoding::fromNative(text));
}

} // namespace

C_OptionBool::C_OptionBool(std::string keyword, bool defaultValue)
    : C_OptionBase(std::move(keyword)), value_(defaultValue), default_(defaultValue)
{
}

std::string C_OptionBool::toString() const
{
    return value_ ? "+ (on)" : "- (off)";
}

void C_OptionBool::reset()
{
    value_ = default_;
}

bool C_OptionBool::parse(std::istream& words, const bool& attached)
{
    if (!attached) {
        value_ = true;
        return true;
    }
    int c = words.get();
    while (c != std::char_traits<char>::eof() && platform::isAsciiSpace(static_cast<char>(c)))
        c = words.get();
    if (c == '+')
        value_ = true;
    else if (c == '-')
        value_ = false;
    else if (c == std::char_traits<char>::eof())
        throw C_InvalidArgValueException(name(), std::string());
    else
        throw C_InvalidArgValueException(name(), std::string(1, static_cast<char>(c)));
    return true;
}

C_OptionInt::C_OptionInt(std::string keyword, std::int32_t defaultValue)
    : C_OptionBase(std::move(keyword)), value_(defaultValue), default_(defaultValue)
{
}

std::string C_OptionInt::toString() const
{
    return U_IntToString(value_);
}

void C_OptionInt::reset()
{
    value_ = default_;
}

bool C_OptionInt::parse(std::istream& words, const bool&)
{
    value_ = U_StringToInt(readValue(name(), words));
    return true;
}

C_OptionString::C_OptionString(std::string keyword) : C_OptionBase(std::move(keyword)) {}

C_OptionString::C_OptionString(std::string keyword, std::string defaultValue)
    : C_OptionBase(std::move(keyword)), value_(defaultValue), default_(std::move(defaultValue))
{
}

std::string C_OptionString::toString() const
{
    return value_;
}

void C_OptionString::reset()
{
    value_ = default_;
}

bool C_OptionString::parse(std::istream& words, const bool&)
{
    value_ = readValue(name(), words);
    return true;
}

C_OptionFilename::C_OptionFilename(std::string keyword) : C_OptionBase(std::move(keyword)) {}

std::string C_OptionFilename::toString() const
{
    return U_Encoding::toNative(value_);
}

void C_OptionFilename::reset()
{
    value_ = U_FilePath::toSlashes(default_);
}

bool C_OptionFilename::parse(std::istream& words, const bool&)
{
    value_ = internalPath(readValue(name(), words));
    return true;
}

C_OptionI8NString::C_OptionI8NString(std::string keyword) : C_OptionBase(std::move(keyword)) {}

std::string C_OptionI8NString::toString() const
{
    return U_Encoding::toNative(value_);
}

void C_OptionI8NString::reset()
{
    value_ = default_;
}

bool C_OptionI8NString::parse(std::istream& words, const bool&)
{
    value_ = U_Encoding::fromNative(readValue(name(), words));
    return true;
}

C_OptionStringList::C_OptionStringList(std::string keyword) : C_OptionBase(std::move(keyword)) {}

std::string C_OptionStringList::toString() const
{
    std::string text;
    for (const std::string& value : values_)
        text += value + ", ";
    return text;
}

void C_OptionStringList::reset()
{
    values_.clear();
}

bool C_OptionStringList::parse(std::istream& words, const bool&)
{
    append(readValue(name(), words));
    return true;
}

C_OptionFilenameList::C_OptionFilenameList(std::string keyword) : C_OptionBase(std::move(keyword)) {}

std::string C_OptionFilenameList::listText(bool expand) const
{
    std::string text;
    for (const U_Filename& file : values_)
        text += U_Encoding::toNative(U_Filename::displayName(expand, file)) + ", ";
    return text;
}

std::string C_OptionFilenameList::toString() const
{
    const C_CmdArgs* current = C_CmdArgs::current();
    return toString(current);
}

std::string C_OptionFilenameList::toString(const C_CmdArgs* cmdArgs) const
{
    // Without a command line the option's default, on, decides.
    const bool expand = cmdArgs && cmdArgs->options() ? cmdArgs->options()->expandfilenames()->value() : true;
    return listText(expand);
}

void C_OptionFilenameList::reset()
{
    values_.clear();
}

bool C_OptionFilenameList::parse(std::istream& words, const bool&)
{
    values_.push_back(U_Filename::fromPath(internalPath(readValue(name(), words))));
    return true;
}

C_OptionIntList::C_OptionIntList(std::string keyword) : C_OptionBase(std::move(keyword)) {}

std::string C_OptionIntList::toString() const
{
    std::string text;
    for (std::size_t i = 0; i < values_.size();) {
        std::size_t last = i;
        while (last + 1 < values_.size() && static_cast<std::int64_t>(values_[last + 1]) == values_[last] + std::int64_t{1})
            ++last;
        if (!text.empty())
            text += ' ';
        text += U_IntToString(values_[i]);
        if (last != i)
            text += "-" + U_IntToString(values_[last]);
        i = last + 1;
    }
    return text;
}

void C_OptionIntList::reset()
{
    values_.clear();
}

bool C_OptionIntList::parse(std::istream& words, const bool&)
{
    U_String::parseNumberList(std::back_inserter(values_), readValue(name(), words));
    return true;
}

C_OptionEcho::C_OptionEcho(std::string keyword) : C_OptionBase(std::move(keyword)) {}

std::string C_OptionEcho::toString() const
{
    return std::string();
}

bool C_OptionEcho::parse(std::istream& words, const bool&)
{
    // At once and flushed, so that echoes keep their place among the other
    // messages of the parse.
    std::cout << readValue(name(), words) << std::endl;
    return true;
}

C_OptionForget::C_OptionForget(std::string keyword) : C_OptionBase(std::move(keyword)) {}

C_OptionForget::C_OptionForget(const C_OptionForget& other) : C_OptionBase(other), owner_(nullptr) {}

std::string C_OptionForget::toString() const
{
    return std::string();
}

bool C_OptionForget::parse(std::istream& words, const bool&)
{
    const std::string text = readValue(name(), words);
    C_OptionBase* option = nullptr;
    if (owner_) {
        std::uint32_t count = 0;
        const C_OptionEntry* rows = C_OptionEntry::lookupTable(owner_->product().index(), count);
        int matched = 0;
        option = owner_->findOption(text.c_str(), matched, rows, static_cast<int>(count));
    }
    if (!option)
        throw C_InvalidArgValueException(name(), text);
    option->unset();
    return true;
}
