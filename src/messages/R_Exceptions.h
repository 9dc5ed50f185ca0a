#pragma once

#include "util/U_Exception.h"

/// A write of the record layer did not reach its destination.
class R_WritingException : public U_UserException {
public:
    R_WritingException();
    // "Problems writing binary file."
    const char* what() const noexcept override;
};

/// Base of the record layer's reading failures, and the type callers catch.
class R_ReadingException : public U_UserException {
public:
    R_ReadingException();
    // "Problems reading binary file."
    const char* what() const noexcept override;
};

/// A read could not deliver the bytes asked for (the file ended, the read
/// failed, or the file holds a value the reader refuses). All exceptions of
/// this class share one text: a newer one replaces an older one's.
class R_ReadingReadException : public R_ReadingException {
public:
    // error is the errno captured at the failing call (EINVAL for a refused
    // value).
    explicit R_ReadingReadException(int error);
    // "Problems reading binary file. errno (" error "): " + its text.
    const char* what() const noexcept override;
};

/// The one-byte read of the end test failed without reaching the end of the
/// file. All exceptions of this class share one text.
class R_ReadingEOFException : public R_ReadingException {
public:
    explicit R_ReadingEOFException(int error);
    // "Problems reading binary file at eof. errno (" error "): " + its text.
    const char* what() const noexcept override;
};
