#pragma once

#include "util/U_Exception.h"

#include <string>

// The errors of option words and values. Each class keeps its message in one
// text of its own: constructing a newer exception of a class replaces the text
// that every older one of that class reports. The configuration base gets an
// empty message, so the exit code is the default 10.

/// An option that takes a value met the end of all words.
class C_ValueExpectedException : public C_ConfigurationException {
public:
    explicit C_ValueExpectedException(const std::string& keyword);
    // "\nERROR: Argument expected after <keyword>\n\n" of the newest one.
    const char* what() const noexcept override;
};

/// A word beginning with "-" that names no option of the product.
class C_InvalidArgException : public C_ConfigurationException {
public:
    explicit C_InvalidArgException(const std::string& argument);
    // "\nERROR: Unknown argument: <argument>\n\n" of the newest one.
    const char* what() const noexcept override;
};

/// A value that its option cannot take.
class C_InvalidArgValueException : public C_ConfigurationException {
public:
    C_InvalidArgValueException(const std::string& keyword, const std::string& value);
    // "\nERROR: <value> is not a valid argument for option: <keyword>\n\n" of
    // the newest one.
    const char* what() const noexcept override;
};

/// An option file that cannot be read.
class C_InvalidViaException : public C_InvalidArgValueException {
public:
    // Also rewrites the text of C_InvalidArgValueException (empty keyword and
    // value) before writing its own.
    explicit C_InvalidViaException(const std::string& path);
    // "\nERROR: Unable to open <path>\n\n" of the newest one.
    const char* what() const noexcept override;
};

/// An option file named once the parse has read as many option files as it
/// takes: the parse ends here, whatever "errorinvalidcfgvalue" says, since
/// the words after it would never be read. Its text is that of
/// C_InvalidViaException.
class C_ViaLimitException : public C_InvalidViaException {
public:
    explicit C_ViaLimitException(const std::string& path);
};
