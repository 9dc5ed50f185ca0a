#include "patch/PatchGen_ReaderXML.h"

#include "patch/PatchHandler.h"
#include "patch/PatchRecordStreamReader.h"
#include "platform/RegularFile.h"

#include <QByteArray>

#include <string>

#include <unistd.h>

PatchGen_ReaderXML::~PatchGen_ReaderXML()
{
    closeFile();
}

bool PatchGen_ReaderXML::open(const char* path)
{
    if (!path)
        return true;
    return open(platform::FileAt{AT_FDCWD, path});
}

bool PatchGen_ReaderXML::open(const platform::FileAt& file)
{
    closeFile();
    fileName_ = file.name;
    if (fileName_.empty())
        return true;
    // A FIFO would block the open and a device would be read.
    fd_ = platform::openRegularFile(file, O_RDONLY);
    return fd_ >= 0;
}

bool PatchGen_ReaderXML::close()
{
    closeFile();
    return true;
}

void PatchGen_ReaderXML::closeFile() noexcept
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool PatchGen_ReaderXML::read(PatchHandler* handler)
{
    target_ = handler;
    if (fileName_.empty() || !handler)
        return true;
    bool usable = false;
    if (fd_ >= 0) {
        try {
            std::string bytes;
            if (platform::readToEnd(fd_, bytes, static_cast<std::size_t>(kMaxFileSize))) {
                PatchRecordStreamReader reader(this, &PatchGen_ReaderXML::onRecord);
                // Handed over as it lies, without a copy of its own.
                const QByteArray text = QByteArray::fromRawData(bytes.data(), static_cast<int>(bytes.size()));
                usable = reader.parse(text) != PatchRecordStreamReader::Result::Refused;
            }
        } catch (...) {
            usable = false;
        }
    }
    if (!usable) {
        handler->clear();
        handler->setSName(std::string());
        handler->setSDate(std::string());
    }
    return usable;
}

void PatchGen_ReaderXML::onRecord(PatchGen_ReaderXML* owner, const PatchRecord& record)
{
    PatchHandler* target = owner->target_;
    if (!record.name.empty())
        target->addFile(record.name, record.date, record.patches);
    target->setSName(record.sname);
    target->setSDate(record.sdate);
}
