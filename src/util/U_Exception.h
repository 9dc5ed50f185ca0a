#pragma once

#include <exception>
#include <ostream>
#include <string>

/// Root of the program's exceptions; the application frame turns them into a
/// message and an exit code.
class U_Exception : public std::exception {
public:
    U_Exception() = default;
    U_Exception(const U_Exception&) = default;
    const char* what() const noexcept override;
};

/// A failure with a message meant for the user. All user exceptions share one
/// process-wide text: constructing a newer one replaces the text that every
/// older one reports; copying (as a throw does) leaves it alone.
class U_UserException : public U_Exception {
public:
    // The shared text becomes "UserException: don't know cause".
    U_UserException();
    // The shared text becomes a copy of message.
    explicit U_UserException(const std::string& message);
    U_UserException(const U_UserException&) noexcept;
    U_UserException& operator=(const U_UserException&) = default;

    // The process-wide text.
    const char* what() const noexcept override;
    // Writes what() to out.
    virtual void print(std::ostream& out) const;
};

/// A configuration or usage error. The frame exits with code() when
/// hasCode() is true, else with its default for configuration errors, 10.
class C_ConfigurationException : public U_UserException {
public:
    explicit C_ConfigurationException(std::string message);
    C_ConfigurationException(int code, std::string message);
    C_ConfigurationException(const C_ConfigurationException&) = default;

    virtual int code() const noexcept { return code_; }
    virtual bool hasCode() const noexcept { return hasCode_; }

private:
    int code_ = 10;
    bool hasCode_ = false;
};

/// An internal consistency failure; the frame catches it by type.
class U_AssertException : public U_Exception {
public:
    U_AssertException() = default;
};
