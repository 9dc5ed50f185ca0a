#include "patch/PatchGen_ReaderXML.h"

#include "patch/PatchHandler.h"
#include "patch/PatchRecordStreamReader.h"

#include <QByteArray>

#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
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
    // A FIFO would block the open and a device would be read; stat spares
    // them the open, and fstat makes sure of what was opened.
    struct stat st;
    if (::stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    fd_ = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        closeFile();
        return false;
    }
    return true;
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
