#include "cmdline/C_OptionExceptions.h"

#include <new>

namespace {

// One text per class, made on first use and kept until exit.
template <class Tag>
std::string& classText()
{
    static std::string* text = new std::string;
    return *text;
}

template <class Tag>
void setClassText(const std::string& message) noexcept
{
    try {
        classText<Tag>() = message;
    } catch (const std::bad_alloc&) {
    }
}

} // namespace

C_ValueExpectedException::C_ValueExpectedException(const std::string& keyword) : C_ConfigurationException("")
{
    setClassText<C_ValueExpectedException>("\nERROR: Argument expected after " + keyword + "\n\n");
}

const char* C_ValueExpectedException::what() const noexcept
{
    return classText<C_ValueExpectedException>().c_str();
}

C_InvalidArgException::C_InvalidArgException(const std::string& argument) : C_ConfigurationException("")
{
    setClassText<C_InvalidArgException>("\nERROR: Unknown argument: " + argument + "\n\n");
}

const char* C_InvalidArgException::what() const noexcept
{
    return classText<C_InvalidArgException>().c_str();
}

C_InvalidArgValueException::C_InvalidArgValueException(const std::string& keyword, const std::string& value)
    : C_ConfigurationException("")
{
    setClassText<C_InvalidArgValueException>("\nERROR: " + value + " is not a valid argument for option: " +
                                             keyword + "\n\n");
}

const char* C_InvalidArgValueException::what() const noexcept
{
    return classText<C_InvalidArgValueException>().c_str();
}

C_InvalidViaException::C_InvalidViaException(const std::string& path) : C_InvalidArgValueException("", "")
{
    setClassText<C_InvalidViaException>("\nERROR: Unable to open " + path + "\n\n");
}

const char* C_InvalidViaException::what() const noexcept
{
    return classText<C_InvalidViaException>().c_str();
}

C_ViaLimitException::C_ViaLimitException(const std::string& path) : C_InvalidViaException(path) {}
