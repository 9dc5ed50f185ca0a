#pragma once

#include "util/U_Exception.h"

#include <string>

/// A failure to convert an input file into the working encoding; reaches the
/// frame as a configuration error (exit code 10).
class QL_TranslateException : public C_ConfigurationException {
public:
    explicit QL_TranslateException(std::string message);
};

/// A file that a conversion had to open could not be opened. All exceptions
/// of this class share one path: a newer one replaces an older one's.
class QL_TranslateFileOpenException : public QL_TranslateException {
public:
    explicit QL_TranslateFileOpenException(const std::string& path);

    // "Cannot open file: '" + path + "'."
    const char* what() const noexcept override;
};

/// A file's encoding kind has no conversion ("InvalidEncoding").
class QL_InvalidEncodingException : public QL_TranslateException {
public:
    QL_InvalidEncodingException();
};
