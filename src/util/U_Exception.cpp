#include "util/U_Exception.h"

#include <new>

namespace {

std::string& userText()
{
    static std::string* text = new std::string;  // lives until exit, on purpose
    return *text;
}

void setUserText(const std::string& message) noexcept
{
    // Out of memory while copying: the exception is still made, the text keeps
    // what it held.
    try {
        userText() = message;
    } catch (const std::bad_alloc&) {
    }
}

} // namespace

const char* U_Exception::what() const noexcept
{
    return "don't know cause";
}

U_UserException::U_UserException()
{
    setUserText("UserException: don't know cause");
}

U_UserException::U_UserException(const std::string& message)
{
    setUserText(message);
}

U_UserException::U_UserException(const U_UserException& other) noexcept : U_Exception(other) {}

const char* U_UserException::what() const noexcept
{
    return userText().c_str();
}

void U_UserException::print(std::ostream& out) const
{
    out << what();
}

C_ConfigurationException::C_ConfigurationException(std::string message)
    : U_UserException(message)
{
}

C_ConfigurationException::C_ConfigurationException(int code, std::string message)
    : U_UserException(message), code_(code), hasCode_(true)
{
}
