#include "encoding/QL_TranslateException.h"

#include <new>

namespace {

// Process-wide on purpose: the class keeps one path and one composed text.
std::string& openFailurePath()
{
    static std::string* text = new std::string;
    return *text;
}

std::string& openFailureMessage()
{
    static std::string* text = new std::string;
    return *text;
}

} // namespace

QL_TranslateException::QL_TranslateException(std::string message)
    : C_ConfigurationException(std::move(message))
{
}

QL_TranslateFileOpenException::QL_TranslateFileOpenException(const std::string& path)
    : QL_TranslateException(std::string())
{
    try {
        openFailurePath() = path;
    } catch (const std::bad_alloc&) {
    }
}

const char* QL_TranslateFileOpenException::what() const noexcept
{
    try {
        openFailureMessage() = "Cannot open file: '" + openFailurePath() + "'.";
    } catch (const std::bad_alloc&) {
    }
    return openFailureMessage().c_str();
}

QL_InvalidEncodingException::QL_InvalidEncodingException()
    : QL_TranslateException("InvalidEncoding")
{
}
