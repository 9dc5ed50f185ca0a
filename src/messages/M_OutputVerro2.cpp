#include "messages/M_OutputVerro2.h"

#include "cmdline/C_Options.h"
#include "encoding/U_Encoding.h"
#include "messages/M_ErrorFile.h"
#include "messages/M_ErrorFileException.h"
#include "messages/M_InputVerro.h"
#include "messages/M_MessageFilter.h"
#include "messages/M_Output.h"
#include "messages/M_QuietFilter.h"
#include "platform/PathLookup.h"
#include "messages/M_RecordCodes.h"
#include "messages/R_Exceptions.h"
#include "messages/R_Records.h"
#include "messages/R_Writer.h"

namespace {

bool isCurrentGeneration(std::uint32_t formatId)
{
    return M_ErrorFile::generation(formatId) == 3;
}

} // namespace

M_OutputVerro2::M_OutputVerro2() = default;

M_OutputVerro2::~M_OutputVerro2() = default;

void M_OutputVerro2::openWriter(const std::string& nativePath, const platform::FileAt& file,
                                const std::function<bool(R_Writer&)>& open)
{
    writer_ = std::make_unique<R_Writer>(file);
    if (!open(*writer_)) {
        failure_ = platform::openFailureText(writer_->lastErrno());
        writer_.reset();
        throw M_BadFileOpenException(nativePath);
    }
}

void M_OutputVerro2::openNew(const std::string& path)
{
    M_Output::resetCounters();
    writer_.reset();
    const std::string nativePath = U_Encoding::toNative(path);
    openWriter(nativePath, platform::FileAt{AT_FDCWD, nativePath}, [](R_Writer& writer) { return writer.openNew(); });
    writeHeader();
    writeSectionStart();
}

void M_OutputVerro2::openAppend(const std::string& path)
{
    M_Output::resetCounters();
    writer_.reset();
    const std::string nativePath = U_Encoding::toNative(path);
    // Never creates: a missing file stays missing.
    openWriter(nativePath, platform::FileAt{AT_FDCWD, nativePath},
               [](R_Writer& writer) { return writer.openAppendExisting(); });
    std::uint32_t formatId = 0;
    const bool found = writer_->headerFormatId(formatId);
    // Checked again under the lock at close: the name may have been given
    // to another file meanwhile.
    writer_->requireFormat(&isCurrentGeneration);
    startSection(nativePath, found, formatId);
}

void M_OutputVerro2::openAppend(const std::string& path, const platform::FileAt& file, R_ReadImage image)
{
    M_Output::resetCounters();
    writer_.reset();
    const std::string nativePath = U_Encoding::toNative(path);
    // The file read is the one opened, without a second lookup of its name;
    // the name is looked at again under the lock.
    const std::shared_ptr<const platform::Descriptor> read = image.file;
    openWriter(nativePath, file, [&read](R_Writer& writer) {
        return read ? writer.openAppendTo(*read) : writer.openAppendExisting();
    });
    const bool found = image.bytes.size() >= 8;
    const std::uint32_t formatId = found ? R_intOf(reinterpret_cast<const unsigned char*>(image.bytes.data())) : 0;
    writer_->requireImage(std::move(image), &M_InputVerro::holdsWholeSections);
    startSection(nativePath, found, formatId);
}

void M_OutputVerro2::startSection(const std::string& nativePath, bool found, std::uint32_t formatId)
{
    // Refused before anything is written: a file that does not begin with
    // the 8-byte header of a generation-3 file (an empty, short or
    // generation-2 one) would be left unreadable by a section.
    if (!found) {
        writer_.reset();
        throw M_ShortErrorFileException();
    }
    if (!isCurrentGeneration(formatId)) {
        writer_.reset();
        throw M_BadVersionForAppendException(formatId);
    }
    const M_Output::LockWaitNotice& notice = M_Output::lockWaitNotice();
    if (notice)
        writer_->onLongLockWait([notice, nativePath] { notice(nativePath); });
    writeSectionStart();
}

void M_OutputVerro2::openAppendInDir(const std::string& source, const std::string& directory)
{
    openAppend(M_ErrorFile::path(directory, source));
}

void M_OutputVerro2::close()
{
    if (!writer_)
        return;
    const std::unique_ptr<R_Writer> writer = std::move(writer_);
    failure_.clear();
    if (!writer->close()) {
        failure_ = writer->failure();
        throw R_WritingException();
    }
}

void M_OutputVerro2::writeHeader()
{
    if (!writer_)
        return;
    writer_->writeInt(M_ErrorFile::writeOldVersion ? 0x9200 : 0x9300);
    writer_->writeInt(0);
}

void M_OutputVerro2::writeSectionStart()
{
    if (!writer_)
        return;
    writer_->writeByte(M_byteOf(M_RecordType::SectionStart));
    writer_->writeInt(0);
}

void M_OutputVerro2::writeSuppression(const U_RefPtr<M_SuppressionRecord>& record)
{
    if (!writer_)
        return;
    // Checked before the type byte, so that a refused record leaves no stray
    // byte in the section.
    if (!record->location() || !record->location2())
        throw R_WritingException();
    writer_->writeByte(M_byteOf(M_RecordType::Suppression));
    R_writeSuppressionRecord(*writer_, record);
}

void M_OutputVerro2::sendDiagnostic(const U_RefPtr<M_Diagnostic>& diagnostic, bool suppressed)
{
    static const bool noGeneration = C_Options::current_nogen()->value();
    if (M_QuietFilter::isQuiet(diagnostic->location()))
        return;
    if (noGeneration && !M_MessageFilter::accepts(diagnostic))
        return;
    writeDiagnostic(diagnostic, suppressed);
}

void M_OutputVerro2::writeDiagnostic(const U_RefPtr<M_Diagnostic>& diagnostic, bool suppressed)
{
    if (!writer_ || M_Output::channelGeneration() != 3)
        return;
    // As for suppression records: refused before the type byte.
    if (!diagnostic->location())
        throw R_WritingException();
    writer_->writeByte(M_byteOf(M_RecordType::CheckedDiagnostic));
    R_writeCheckedDiagnostic(*writer_, diagnostic, suppressed);
}
