#pragma once

#include "encoding/U_EncodingKind.h"

#include <cstdio>
#include <memory>
#include <string>

/// An input file opened so that its text arrives in the working encoding:
/// files of kinds eceNone and eceEUC are opened as they are, others are
/// converted into a temporary copy that is opened instead and removed on
/// close. Shared through U_CountedPtr.
class TranslatedFile {
public:
    // Whose file open reads: anyone's, or only one that the running user or
    // root owns (a file found in a directory that another user may write).
    // The owner is that of the descriptor read, so a file put in the name's
    // place after any look at it by name is refused too.
    enum class Owner { Anyone, UserOrRoot };

    // kind: the encoding of the file on disk; tempDirectory: where converted
    // copies go (internal text).
    TranslatedFile(U_EncodingKind kind, std::string tempDirectory, Owner owner = Owner::Anyone);
    ~TranslatedFile();
    TranslatedFile(const TranslatedFile&) = delete;
    TranslatedFile& operator=(const TranslatedFile&) = delete;

    // Opens path (native encoding) for reading; binary and text reads give
    // the same bytes. Null when it cannot be opened, is no regular file or
    // has an owner that the Owner rule refuses (nothing is converted then).
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
    struct CloseFile {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    using OpenFile = std::unique_ptr<std::FILE, CloseFile>;

    // path opened as a regular file whose owner the rule takes; null else.
    OpenFile openOriginal(const std::string& path) const;
    std::FILE* openConverted(OpenFile original);
    std::FILE* openUtf8(OpenFile original);

    U_EncodingKind kind_;
    Owner owner_;
    std::FILE* file_ = nullptr;
    std::string path_;
    bool temporary_ = false;
    std::string tempDirectory_;
};
