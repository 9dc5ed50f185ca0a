#pragma once

#include "util/U_Exception.h"

#include <cstdint>
#include <string>

/// Root of the failures of reading or appending to a message file. Its own
/// text is the process-wide user-exception text.
class M_ErrorFileException : public U_UserException {
public:
    M_ErrorFileException() = default;
    // Writes what() to out.
    void print(std::ostream& out) const override;
};

/// A message file that cannot be opened, for reading or for appending.
class M_BadFileOpenException : public M_ErrorFileException {
public:
    explicit M_BadFileOpenException(std::string fileName);
    // "Cannot write error file '<name>'.", in a text of this class that the
    // next call replaces.
    const char* what() const noexcept override;

private:
    std::string fileName_;
};

/// A message file whose header carries a format id the reader does not know.
class M_BadErrorFileVersion : public M_ErrorFileException {
public:
    explicit M_BadErrorFileVersion(std::uint32_t formatId);
    // "Error file has incorrect version: <hex id>. Expected: 9300" and a line
    // end, in a text of this class that the next call replaces.
    const char* what() const noexcept override;

private:
    std::uint32_t formatId_;
};

/// A message file that the channel refuses to append to: not a file of the
/// generation it writes.
class M_BadVersionForAppendException : public M_ErrorFileException {
public:
    explicit M_BadVersionForAppendException(std::uint32_t formatId);
    // "Cannot append to error file with incorrect version.  Error file has
    // version: <hex id>. Expected: 9300" and a line end, in a text of this
    // class that the next call replaces.
    const char* what() const noexcept override;

private:
    std::uint32_t formatId_;
};

/// A message file that the channel refuses to append to because it is
/// shorter than a message file's 8-byte header.
class M_ShortErrorFileException : public M_ErrorFileException {
public:
    M_ShortErrorFileException() = default;
    // "Cannot append to error file shorter than its header."
    const char* what() const noexcept override;
};

/// A record type byte (or generation-2 type int) the reader does not know.
class M_BadInfoTypeException : public M_ErrorFileException {
public:
    M_BadInfoTypeException() = default;
    // "unknown error record type in error file".
    const char* what() const noexcept override;
};

/// A generation-2 list diagnostic that carries list parameters.
class M_HasListParameterException : public M_ErrorFileException {
public:
    M_HasListParameterException() = default;
    // "error file has string list parameter".
    const char* what() const noexcept override;
};
