#include "messages/R_Exceptions.h"

#include <cstring>
#include <new>
#include <string>

namespace {

// Process-wide on purpose: each class keeps one text, the newest one's.
std::string& readText()
{
    static std::string* text = new std::string;
    return *text;
}

std::string& eofText()
{
    static std::string* text = new std::string;
    return *text;
}

void compose(std::string& text, const char* prefix, int error) noexcept
{
    try {
        text = std::string(prefix) + std::to_string(error) + "): " + std::strerror(error);
    } catch (const std::bad_alloc&) {
    }
}

} // namespace

R_WritingException::R_WritingException() = default;

const char* R_WritingException::what() const noexcept
{
    return "Problems writing binary file.";
}

R_ReadingException::R_ReadingException() = default;

const char* R_ReadingException::what() const noexcept
{
    return "Problems reading binary file.";
}

R_ReadingReadException::R_ReadingReadException(int error)
{
    compose(readText(), "Problems reading binary file. errno (", error);
}

const char* R_ReadingReadException::what() const noexcept
{
    return readText().c_str();
}

R_ReadingEOFException::R_ReadingEOFException(int error)
{
    compose(eofText(), "Problems reading binary file at eof. errno (", error);
}

const char* R_ReadingEOFException::what() const noexcept
{
    return eofText().c_str();
}
