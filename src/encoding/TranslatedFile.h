#pragma once

#include "encoding/U_EncodingKind.h"

#include <cstdio>
#include <string>

/// An input file opened so that its text arrives in the working encoding:
/// files of kinds eceNone and eceEUC are opened as they are, others are
/// converted into a temporary copy that is opened instead and removed on
/// close. Shared through U_CountedPtr.
class TranslatedFile {
public:
    // kind: the encoding of the file on disk; tempDirectory: where converted
    // copies go (internal text).
    TranslatedFile(U_EncodingKind kind, std::string tempDirectory);
    ~TranslatedFile();
    TranslatedFile(const TranslatedFile&) = delete;
    TranslatedFile& operator=(const TranslatedFile&) = delete;

    // Opens path (native encoding) for reading; binary and text reads give
    // the same bytes. Null when it cannot be opened or is no regular file.
    // Throws QL_InvalidEncodingException for eceInvalid or a kind without a
    // converter, and QL_TranslateFileOpenException when the converted copy
    // cannot be created.
    std::FILE* open(const std::string& path, bool binary);
    // Closes the file; a converted copy is removed.
    void close();

    // The open file; null before open, after close or a failed open.
    std::FILE* file() const noexcept { return file_; }
    U_EncodingKind kind() const noexcept { return kind_; }
    // The file actually opened: the file itself or its converted copy.
    const std::string& path() const noexcept { return path_; }
    bool isTemporary() const noexcept { return temporary_; }

private:
    std::FILE* openConverted(const std::string& path);
    std::FILE* openUtf8(const std::string& path);

    U_EncodingKind kind_;
    std::FILE* file_ = nullptr;
    std::string path_;
    bool temporary_ = false;
    std::string tempDirectory_;
};
