#include "messages/R_Writer.h"

#include "messages/R_Exceptions.h"
#include "platform/BackgroundClose.h"
#include "platform/BlockedSignals.h"
#include "platform/RegularFile.h"
#include "platform/ReplacementFile.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Hands all of bytes to fd, in as many writes as the kernel needs; false
// (errno set) at the first that fails.
bool writeAll(int fd, const char* bytes, std::size_t size)
{
    while (size != 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies from's bytes, from its start to its end, to the position of to:
// inside the kernel where it can, else through a buffer.
bool copyAll(int from, int to)
{
    loff_t offset = 0;
    for (;;) {
        const ssize_t n = ::copy_file_range(from, &offset, to, nullptr, std::size_t(1) << 30, 0);
        if (n == 0)
            return true;
        if (n > 0 || errno == EINTR)
            continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP && errno != EBADF)
            return false;
        break;
    }
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const ssize_t n = ::pread(from, buffer.data(), buffer.size(), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!writeAll(to, buffer.data(), static_cast<std::size_t>(n)))
            return false;
        offset += n;
    }
}

// After a failed write: cuts fd back to size, so nothing half-written stays,
// and gives false with errno the write's failure.
bool cutBackAfter(int failure, int fd, off_t size)
{
    // A cut-back that fails too has nothing better to report.
    (void)::ftruncate(fd, size);
    errno = failure;
    return false;
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens the existing file path names for adding bytes at its end.
int openForAppending(const std::string& path)
{
    // O_APPEND: a file that only takes appends (chattr +a) takes no other
    // writer.
    return platform::openRegularFile(path, O_RDWR | O_APPEND);
}

// Locks the file that path names now, exclusively. fd is a descriptor of
// the file that path named at open; when another writer has replaced that
// file since (renamed its new file over the name), the one now named is
// opened and locked instead, as often as that happens. On success fd holds
// the lock and locked is its state under the lock.
bool lockNamedFile(const std::string& path, int& fd, struct stat& locked)
{
    for (;;) {
        while (::flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR)
                return false;
        }
        struct stat named;
        if (::fstat(fd, &locked) != 0 || ::stat(path.c_str(), &named) != 0)
            return false;
        if (sameFile(locked, named))
            return true;
        const int next = openForAppending(path);
        if (next < 0)
            return false;
        ::close(fd);
        fd = next;
    }
}

// The format id of the 8 header bytes fd begins with; false without them.
bool headerFormatIdOf(int fd, std::uint32_t& formatId)
{
    unsigned char header[8];
    if (::pread(fd, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header))
        return false;
    formatId = header[0] | (header[1] << 8) | (header[2] << 16) | (static_cast<std::uint32_t>(header[3]) << 24);
    return true;
}

} // namespace

R_Writer::R_Writer(std::string path) : path_(std::move(path)), tables_(new R_WriterTables) {}

R_Writer::~R_Writer()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool R_Writer::adopt(int fd, Mode mode)
{
    if (fd < 0) {
        lastErrno_ = errno;
        return false;
    }
    fd_ = fd;
    mode_ = mode;
    pending_.clear();
    return true;
}

bool R_Writer::openNew()
{
    if (fd_ >= 0)
        return false;
    return adopt(platform::openRegularFile(path_, O_WRONLY | O_CREAT | O_TRUNC), Mode::New);
}

bool R_Writer::openAppend()
{
    if (fd_ >= 0)
        return false;
    return adopt(platform::openRegularFile(path_, O_RDWR | O_CREAT | O_APPEND), Mode::Append);
}

bool R_Writer::openAppendExisting()
{
    if (fd_ >= 0)
        return false;
    return adopt(openForAppending(path_), Mode::Append);
}

bool R_Writer::headerFormatId(std::uint32_t& formatId) const
{
    return fd_ >= 0 && headerFormatIdOf(fd_, formatId);
}

bool R_Writer::close()
{
    if (fd_ < 0)
        return false;
    const bool written = mode_ == Mode::New ? closeNew() : closeAppend();
    if (!written)
        lastErrno_ = errno;
    if (fd_ >= 0 && replaced_) {
        // Its name is gone: the close frees it, which may wait for its
        // pages still being written back. Others waiting for the lock need
        // not wait for that.
        ::flock(fd_, LOCK_UN);
        platform::closeInBackground(fd_);
    } else if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = -1;
    replaced_ = false;
    mode_ = Mode::Closed;
    pending_.clear();
    return written;
}

bool R_Writer::closeNew()
{
    if (writeAll(fd_, pending_.data(), pending_.size()))
        return true;
    return cutBackAfter(errno, fd_, 0);
}

bool R_Writer::closeAppend()
{
    for (;;) {
        struct stat locked;
        if (!lockNamedFile(path_, fd_, locked))
            return false;
        std::uint32_t formatId = 0;
        if (acceptsFormat_ && !(headerFormatIdOf(fd_, formatId) && acceptsFormat_(formatId))) {
            errno = EINVAL;
            return false;
        }
        if (static_cast<std::uint64_t>(locked.st_size) < minimumSize_) {
            errno = EINVAL;
            return false;
        }
        if (pending_.empty())
            return true;
        // A write that stays inside one page of the file lands whole or not
        // at all, even under SIGKILL: the kernel only stops between pages.
        // Such a section goes in place, which costs a tenth of making,
        // filling and renaming a new file and freeing the old one (most
        // sections are a few hundred bytes, and a run appends to thousands
        // of files).
        static const long page = ::sysconf(_SC_PAGESIZE);
        if (page > 0 &&
            static_cast<std::size_t>(locked.st_size % page) + pending_.size() <= static_cast<std::size_t>(page))
            return appendInPlace(locked);
        switch (replace(locked)) {
        case Replacement::Done:
            return true;
        case Replacement::InPlace:
            return appendInPlace(locked);
        case Replacement::NameChanged:
            break;  // the lock is taken again on the file named now
        }
    }
}

R_Writer::Replacement R_Writer::replace(const struct stat& locked)
{
    // Another name of the file would keep the old bytes.
    if (locked.st_nlink != 1)
        return Replacement::InPlace;
    platform::ReplacementFile replacement;
    struct stat entry;
    if (!replacement.open(path_))
        return Replacement::InPlace;
    if (!replacement.entry(entry))
        return errno == ENOENT ? Replacement::NameChanged : Replacement::InPlace;
    // A symbolic link stays a link and its target the file it is: the
    // section goes in place.
    if (S_ISLNK(entry.st_mode))
        return Replacement::InPlace;
    if (!sameFile(entry, locked))
        return Replacement::NameChanged;
    replacement.removeStaleTemporaries(true);
    if (replacement.create(0600) && replacement.takeEverythingFrom(fd_, locked) &&
        copyAll(fd_, replacement.fd()) && writeAll(replacement.fd(), pending_.data(), pending_.size()) &&
        replacement.commit(false)) {
        replaced_ = true;
        return Replacement::Done;
    }
    // Whatever stopped the new file (no room, no right, a rename refused),
    // the section can still go in place.
    return Replacement::InPlace;
}

bool R_Writer::appendInPlace(const struct stat& locked)
{
    // Nothing but SIGKILL ends the program between the first byte and the
    // last or the cut-back: a signal that arrives meanwhile, handled or with
    // an action that ends the program, waits until the file is whole again.
    // Bytes within one page land whole even under SIGKILL.
    const platform::BlockedSignals held;
    std::size_t written = 0;
    while (written < pending_.size()) {
        const ssize_t n = ::pwrite(fd_, pending_.data() + written, pending_.size() - written,
                                   locked.st_size + static_cast<off_t>(written));
        if (n <= 0)
            return cutBackAfter(n < 0 ? errno : EIO, fd_, locked.st_size);
        written += static_cast<std::size_t>(n);
    }
    return true;
}

void R_Writer::writeRaw(const void* bytes, std::int32_t size)
{
    if (size < 0)
        throw R_WritingException();
    pending_.append(static_cast<const char*>(bytes), static_cast<std::size_t>(size));
}

void R_Writer::writeByte(std::uint8_t value)
{
    pending_.push_back(static_cast<char>(value));
}

void R_Writer::writeInt(std::uint32_t value)
{
    const char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                           static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF)};
    pending_.append(bytes, 4);
}

void R_Writer::writeCString(const char* text)
{
    const std::size_t length = std::strlen(text);
    if (length > INT32_MAX)
        throw R_WritingException();
    writeInt(static_cast<std::uint32_t>(length));
    writeRaw(text, static_cast<std::int32_t>(length));
}

void R_Writer::writeString(const std::string& text)
{
    // A longer text cannot be counted in the record's length.
    if (text.size() > INT32_MAX)
        throw R_WritingException();
    writeInt(static_cast<std::uint32_t>(text.size()));
    writeRaw(text.data(), static_cast<std::int32_t>(text.size()));
}
