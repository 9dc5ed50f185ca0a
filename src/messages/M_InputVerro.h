#pragma once

#include "messages/R_Reader.h"
#include "platform/RegularFile.h"
#include "util/U_Filename.h"
#include "util/U_Ref.h"
#include "util/U_RefPtr.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class M_Diagnostic;
class M_SuppressionRecord;

/// Reads one message file, of either generation, whole when it is opened and
/// keeps its diagnostics and suppression records in file order. Failures are
/// exceptions; what was read before one stays in the object.
class M_InputVerro : public U_Ref {
public:
    using Diagnostics = std::vector<U_RefPtr<M_Diagnostic>>;
    using Suppressions = std::vector<U_RefPtr<M_SuppressionRecord>>;

    // Nothing read: generation 5, format id 0.
    M_InputVerro();
    ~M_InputVerro() override;

    // Names the source file whose message file is read: the current and the
    // primary file of generation-2 records.
    void setFileName(const std::string& source);

    // Reads the message file at path (internal text). An empty file, or one
    // shorter than 4 bytes, reads as nothing (generation stays 5). Throws
    // M_BadFileOpenException (native path) when the file is missing, not a
    // regular file or its id unreadable; M_BadErrorFileVersion for an unknown
    // format id (reported on standard error); R_ReadingException for a cut or
    // damaged file (reported on standard error when inside the records);
    // M_BadInfoTypeException for an unknown record type;
    // M_HasListParameterException for generation-2 list parameters. A second
    // call first closes the file of the first.
    void open(const std::string& path);
    // The same for the file file (its entry in an open directory), which
    // path names in the exceptions' texts.
    void open(const std::string& path, const platform::FileAt& file);
    // The errno of the open that threw M_BadFileOpenException because the
    // file could not be opened (see R_Reader::openErrno()); 0 otherwise.
    int openErrno() const noexcept;

    Diagnostics::const_iterator diagnosticsBegin() const { return diagnostics_.begin(); }
    Diagnostics::const_iterator diagnosticsEnd() const { return diagnostics_.end(); }
    Suppressions::const_iterator suppressionsBegin() const { return suppressions_.begin(); }
    Suppressions::const_iterator suppressionsEnd() const { return suppressions_.end(); }

    // 2 or 3 once a header was accepted; 5 before, and for an empty file.
    std::int32_t generation() const noexcept { return generation_; }
    // The header's first int; 0 before.
    std::uint32_t formatId() const noexcept { return formatId_; }
    // The bytes of the file read by open(): its whole size when open()
    // returned; 0 before.
    std::uint64_t sizeRead() const noexcept;
    // The file as open() read it, handed over (nothing after the first
    // call, and before open()).
    R_ReadImage takeImage() noexcept;

    // Whether bytes are nothing, or whole generation-3 sections: a section
    // start first, then records that each read whole up to the last byte.
    static bool holdsWholeSections(const char* bytes, std::size_t size);

private:
    // Reads one record of the file's generation (a generation-2 record with
    // the file changes before it); throws as open().
    void getNextMessage();
    // The generation-3 records: a section start forgets the ids read so far
    // and skips its payload; the others append what they read.
    void readSectionStart();
    void readDiagnosticRecord();
    void readCheckedDiagnosticRecord();
    void readSuppressionRecord();
    // The generation-2 records; a file change sets the current file.
    void readPlainDiagnosticV2();
    void readFileChangeV2();
    void readFlaggedDiagnosticV2();
    void readListDiagnosticV2();
    // Types 0 and 2, which differ only in the flags of type 2.
    void readTextDiagnosticV2(bool flagged);
    // n texts as string parameters, then a list count that must be 0
    // (M_HasListParameterException otherwise).
    void readStringParamsV2(M_Diagnostic& diagnostic);
    // Drops one NUL that ends text.
    static void stripTrailingNul(std::string& text);
    // The diagnostic of a generation-2 record, at line in the current file
    // (column + 1, wrapping at INT_MAX), included from includerLine of the
    // primary file when there is one.
    U_RefPtr<M_Diagnostic> makeDiagnosticV2(std::int32_t number, std::int32_t line, std::int32_t column,
                                            const std::optional<std::int32_t>& includerLine) const;

    std::unique_ptr<R_Reader> reader_;
    U_Filename currentFile_;
    U_Filename primaryFile_;
    std::uint32_t secondHeaderWord_ = 0;
    std::int32_t generation_ = 5;
    Diagnostics diagnostics_;
    Suppressions suppressions_;
    std::uint32_t formatId_ = 0;
};
