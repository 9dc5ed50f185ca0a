#pragma once

#include "messages/M_OutputBase.h"
#include "messages/R_Reader.h"
#include "platform/RegularFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class R_Writer;

/// The channel that writes message files of the current format (format id
/// 0x9300): one section per open, the header too when it creates the file.
/// The section is kept in memory and reaches the file in one step at close
/// (see R_Writer::close); a channel destroyed without close, or whose open
/// failed, writes nothing.
class M_OutputVerro2 : public M_OutputBase {
public:
    M_OutputVerro2();
    // Drops whatever was sent and not yet closed; the file stays as it was.
    ~M_OutputVerro2() override;

    // Creates or truncates path (internal text) and starts it with the header
    // and a section start. Throws M_BadFileOpenException (native path) when
    // it cannot be opened or is not a regular file.
    void openNew(const std::string& path);
    // Starts a section to be added at the end of path, an existing regular
    // file that reads as a message file of generation 3. Throws
    // M_BadFileOpenException when it is missing or cannot be opened for
    // reading and writing, M_ShortErrorFileException when it is shorter than
    // its 8-byte header, and M_BadVersionForAppendException when it is of
    // another generation; nothing is written then.
    void openAppend(const std::string& path);
    // The same for file (path in the exceptions' texts), which was read as
    // image: the header checked is image's, and the section goes only after
    // image's bytes (see R_Writer::requireImage), whole sections of other
    // runs between them allowed.
    void openAppend(const std::string& path, const platform::FileAt& file, R_ReadImage image);
    // openAppend of the message file of source in directory.
    void openAppendInDir(const std::string& source, const std::string& directory);

    // Writes the section and closes the file; nothing to do when the open
    // failed. An append lands whole under the file's lock, after whatever
    // other runs appended meanwhile, and only to a file that still begins
    // with a generation-3 header and holds at least the bytes it was read
    // with. Throws R_WritingException when that failed: the file is then as
    // it was under the lock.
    void close() override;
    // Why the last close() threw, or the last open threw
    // M_BadFileOpenException.
    std::string failure() const override { return failure_; }
    // Drops the diagnostic of a quiet file, and under "nogen" (taken once per
    // process) one whose number the message filter refuses; else writes it.
    void sendDiagnostic(const U_RefPtr<M_Diagnostic>& diagnostic, bool suppressed) override;
    // Record type 8, the diagnostic's body and a check value. Does nothing
    // when the open failed. Throws R_WritingException, before any byte, for
    // a diagnostic without a location.
    void writeDiagnostic(const U_RefPtr<M_Diagnostic>& diagnostic, bool suppressed) override;
    // Record type 4 and the record's body. Does nothing when the open failed.
    // Throws R_WritingException, before any byte of the record, when its
    // first or second location is null.
    void writeSuppression(const U_RefPtr<M_SuppressionRecord>& record) override;

    // The int 0x9300 (0x9200 under M_ErrorFile::writeOldVersion), then 0;
    // nothing when the open failed.
    void writeHeader();
    // The byte 1 and the int 0: a section start without payload; nothing
    // when the open failed.
    void writeSectionStart();

private:
    // Makes the writer for file and opens it with open; throws
    // M_BadFileOpenException with nativePath, leaving no writer, when that
    // fails.
    void openWriter(const std::string& nativePath, const platform::FileAt& file,
                    const std::function<bool(R_Writer&)>& open);
    // The checks of both appends, on the format id of the file's header
    // (found: whether it has one), then the section start.
    void startSection(const std::string& nativePath, bool found, std::uint32_t formatId);

    std::unique_ptr<R_Writer> writer_;
    std::string failure_;
};
