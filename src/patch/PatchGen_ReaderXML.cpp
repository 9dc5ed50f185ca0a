#include "patch/PatchGen_ReaderXML.h"

#include "patch/PatchHandler.h"
#include "patch/PatchRecordStreamReader.h"
#include "platform/RegularFile.h"

#include <QByteArray>

#include <cerrno>
#include <vector>

#include <unistd.h>

namespace {

// Reads the rest of fd into bytes; false on a read error or beyond limit.
bool readAll(int fd, QByteArray& bytes, long long limit)
{
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        ssize_t n;
        do {
            n = ::read(fd, chunk.data(), chunk.size());
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (bytes.size() + n > limit)
            return false;
        bytes.append(chunk.data(), static_cast<int>(n));
    }
}

} // namespace

PatchGen_ReaderXML::~PatchGen_ReaderXML()
{
    closeFile();
}

bool PatchGen_ReaderXML::open(const char* path)
{
    if (!path)
        return true;
    closeFile();
    fileName_ = path;
    if (fileName_.empty())
        return true;
    // A FIFO would block the open and a device would be read.
    fd_ = platform::openRegularFile(fileName_);
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
            QByteArray bytes;
            if (readAll(fd_, bytes, kMaxFileSize)) {
                PatchRecordStreamReader reader(this, &PatchGen_ReaderXML::onRecord);
                usable = reader.parse(bytes) != PatchRecordStreamReader::Result::Refused;
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
