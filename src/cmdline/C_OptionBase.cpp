#include "cmdline/C_OptionBase.h"

#include "cmdline/C_OptionExceptions.h"

C_OptionBase::C_OptionBase(std::string keyword) : keyword_(std::move(keyword)) {}

C_OptionBase::~C_OptionBase() = default;

void C_OptionBase::reset() {}

bool C_OptionBase::set(std::istream& words, const bool& attached)
{
    set_ = true;
    return parse(words, attached);
}

void C_OptionBase::unset()
{
    reset();
    set_ = false;
}

std::string C_OptionBase::readValue(const std::string& keyword, std::istream& words)
{
    std::string line;
    if (!std::getline(words, line))
        throw C_ValueExpectedException(keyword);
    if (!line.empty() && line[0] == '=')
        line.erase(0, 1);
    return line;
}
