#include "messages/M_InputVerro.h"

#include "encoding/U_Encoding.h"
#include "encoding/U_FilePath.h"
#include "messages/M_Diagnostic.h"
#include "messages/M_ErrorFile.h"
#include "messages/M_ErrorFileException.h"
#include "messages/M_RecordCodes.h"
#include "messages/M_SuppressionRecord.h"
#include "messages/R_Exceptions.h"
#include "messages/R_Reader.h"
#include "messages/R_Records.h"

#include <iostream>

namespace {

enum GenerationTwoType : std::int32_t { kPlain = 0, kFileChange = 1, kFlagged = 2, kList = 3 };

} // namespace

M_InputVerro::M_InputVerro() = default;

M_InputVerro::~M_InputVerro() = default;

void M_InputVerro::setFileName(const std::string& source)
{
    currentFile_ = U_Filename::fromPath(U_FilePath::toSlashes(source));
    primaryFile_ = currentFile_;
}

void M_InputVerro::open(const std::string& path)
{
    open(path, platform::FileAt{AT_FDCWD, U_Encoding::toNative(path)});
}

void M_InputVerro::open(const std::string& path, const platform::FileAt& file)
{
    const std::string nativePath = U_Encoding::toNative(path);
    reader_.reset();
    reader_ = std::make_unique<R_Reader>(file);
    if (!reader_->open())
        throw M_BadFileOpenException(nativePath);

    std::uint32_t formatId = 0;
    try {
        formatId = reader_->readInt();
    } catch (const R_ReadingException&) {
        if (reader_->atEnd())
            return;
        throw M_BadFileOpenException(nativePath);
    }
    formatId_ = formatId;
    const int generation = M_ErrorFile::generation(formatId);
    if (generation == 0) {
        std::cerr << "Unknown error file format: id=" << M_ErrorFile::hex(formatId) << std::endl;
        throw M_BadErrorFileVersion(formatId);
    }
    generation_ = generation;
    secondHeaderWord_ = reader_->readInt();

    try {
        while (!reader_->atEnd())
            getNextMessage();
    } catch (const R_ReadingException& e) {
        std::cerr << "caught a R_ReadingException in getNextMessage()." << std::endl
                  << "  reason: " << e.what() << std::endl;
        throw;
    }
}

int M_InputVerro::openErrno() const noexcept
{
    return reader_ ? reader_->openErrno() : 0;
}

std::uint64_t M_InputVerro::sizeRead() const noexcept
{
    return reader_ ? reader_->bytesRead() : 0;
}

R_ReadImage M_InputVerro::takeImage() noexcept
{
    return reader_ ? reader_->takeImage() : R_ReadImage();
}

bool M_InputVerro::holdsWholeSections(const char* bytes, std::size_t size)
{
    if (size == 0)
        return true;
    if (static_cast<std::uint8_t>(bytes[0]) != M_byteOf(M_RecordType::SectionStart))
        return false;
    M_InputVerro sections;
    R_ReadImage image;
    image.bytes.assign(bytes, size);
    sections.reader_ = std::make_unique<R_Reader>(std::move(image));
    sections.generation_ = 3;
    try {
        while (!sections.reader_->atEnd())
            sections.getNextMessage();
    } catch (const U_Exception&) {
        // Every reading failure of a record; anything else (no memory) is
        // no answer and goes on.
        return false;
    }
    return true;
}

void M_InputVerro::getNextMessage()
{
    if (generation_ == 3) {
        switch (static_cast<M_RecordType>(reader_->readByte())) {
        case M_RecordType::SectionStart: readSectionStart(); return;
        case M_RecordType::Diagnostic: readDiagnosticRecord(); return;
        case M_RecordType::Suppression: readSuppressionRecord(); return;
        case M_RecordType::CheckedDiagnostic: readCheckedDiagnosticRecord(); return;
        }
        throw M_BadInfoTypeException();
    }
    // A file change is never a record of its own: the record it announces
    // follows at once. Read in a loop, so a long run of them cannot exhaust
    // the stack.
    std::int32_t type = reader_->readSignedInt();
    while (type == kFileChange) {
        readFileChangeV2();
        type = reader_->readSignedInt();
    }
    switch (type) {
    case kPlain: readPlainDiagnosticV2(); return;
    case kFlagged: readFlaggedDiagnosticV2(); return;
    case kList: readListDiagnosticV2(); return;
    default: throw M_BadInfoTypeException();
    }
}

void M_InputVerro::readSectionStart()
{
    reader_->clearCaches();
    const std::int32_t payload = reader_->readSignedInt();
    if (payload > 0) {
        // Checked against the bytes left first, so a payload beyond the end
        // fails at once instead of one byte at a time.
        reader_->requireBytes(payload);
        for (std::int32_t i = 0; i < payload; ++i)
            reader_->readByte();
    }
}

void M_InputVerro::readDiagnosticRecord()
{
    diagnostics_.push_back(R_readDiagnostic(*reader_));
}

void M_InputVerro::readCheckedDiagnosticRecord()
{
    diagnostics_.push_back(R_readCheckedDiagnostic(*reader_));
}

void M_InputVerro::readSuppressionRecord()
{
    suppressions_.push_back(R_readSuppressionRecord(*reader_));
}

void M_InputVerro::stripTrailingNul(std::string& text)
{
    if (!text.empty() && text.back() == '\0')
        text.pop_back();
}

void M_InputVerro::readFileChangeV2()
{
    std::string name = R_readString(*reader_);
    stripTrailingNul(name);
    currentFile_ = U_Filename::fromPath(U_FilePath::toSlashes(U_Encoding::fromNative(name)));
}

U_RefPtr<M_Diagnostic> M_InputVerro::makeDiagnosticV2(std::int32_t number, std::int32_t line, std::int32_t column,
                                                      const std::optional<std::int32_t>& includerLine) const
{
    U_RefPtr<M_Diagnostic> diagnostic = new M_Diagnostic(number);
    const auto nextColumn = static_cast<std::int32_t>(static_cast<std::uint32_t>(column) + 1u);
    if (!includerLine)
        diagnostic->setLocation(U_Location::create(currentFile_, line, nextColumn));
    else
        diagnostic->setLocation(U_Location::create(U_Location::create(primaryFile_, *includerLine, 0), currentFile_,
                                                   line, nextColumn));
    return diagnostic;
}

namespace {

// Flags of generation 2: bit 0 hidden by a pragma, bit 1 by the user, either
// one hidden.
// A second line of -1 means the place was not reached through an include.
std::optional<std::int32_t> includerOf(std::int32_t line2)
{
    return line2 == -1 ? std::nullopt : std::optional<std::int32_t>(line2);
}

void setFlagsV2(M_Diagnostic& diagnostic, std::int32_t flags)
{
    diagnostic.setHiddenByPragma((flags & 1) != 0);
    diagnostic.setHiddenByUser((flags & 2) != 0);
    diagnostic.setHidden((flags & 3) != 0);
}

} // namespace

void M_InputVerro::readPlainDiagnosticV2()
{
    readTextDiagnosticV2(false);
}

void M_InputVerro::readFlaggedDiagnosticV2()
{
    readTextDiagnosticV2(true);
}

void M_InputVerro::readTextDiagnosticV2(bool flagged)
{
    const std::int32_t line1 = reader_->readSignedInt();
    const std::int32_t line2 = reader_->readSignedInt();
    const std::int32_t column = reader_->readSignedInt();
    const std::int32_t number = reader_->readSignedInt();
    const std::int32_t flags = flagged ? reader_->readSignedInt() : 0;
    std::string text = R_readString(*reader_);
    stripTrailingNul(text);
    U_RefPtr<M_Diagnostic> diagnostic = makeDiagnosticV2(number, line1, column, includerOf(line2));
    if (!text.empty())
        diagnostic->addParam(text);
    if (flagged)
        setFlagsV2(*diagnostic, flags);
    diagnostics_.push_back(diagnostic);
}

void M_InputVerro::readListDiagnosticV2()
{
    const std::int32_t line1 = reader_->readSignedInt();
    const std::int32_t line2 = reader_->readSignedInt();
    const std::int32_t column = reader_->readSignedInt();
    const std::int32_t number = reader_->readSignedInt();
    const std::int32_t flags = reader_->readSignedInt();
    const std::int32_t listFlag = reader_->readSignedInt();
    // The roles of the two lines are the reverse of the other records'.
    U_RefPtr<M_Diagnostic> diagnostic = line2 == -1 ? makeDiagnosticV2(number, line1, column, std::nullopt)
                                                    : makeDiagnosticV2(number, line2, column, line1);
    readStringParamsV2(*diagnostic);
    setFlagsV2(*diagnostic, flags);
    diagnostic->setHasSubMessages((listFlag & 1) != 0);
    diagnostics_.push_back(diagnostic);
}

void M_InputVerro::readStringParamsV2(M_Diagnostic& diagnostic)
{
    const std::int32_t count = reader_->readSignedInt();
    for (std::int32_t i = 0; i < count; ++i) {
        std::string text = R_readString(*reader_);
        stripTrailingNul(text);
        diagnostic.addParam(text);
    }
    if (reader_->readSignedInt() != 0)
        throw M_HasListParameterException();
}
