#include "messages/R_Writer.h"

#include "messages/R_Exceptions.h"

#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

R_Writer::R_Writer(std::string path) : path_(std::move(path)), tables_(new R_WriterTables) {}

R_Writer::~R_Writer()
{
    if (file_)
        std::fclose(file_);
}

bool R_Writer::adopt(int fd)
{
    if (fd < 0) {
        lastErrno_ = errno;
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        lastErrno_ = S_ISREG(info.st_mode) ? errno : EINVAL;
        ::close(fd);
        return false;
    }
    // The open did not block on a FIFO; writes to a regular file may block.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    errno = 0;
    file_ = ::fdopen(fd, "ab");
    if (!file_) {
        lastErrno_ = errno;
        ::close(fd);
        return false;
    }
    sizeAtOpen_ = info.st_size;
    pending_.clear();
    return true;
}

bool R_Writer::openNew()
{
    if (file_)
        return false;
    errno = 0;
    return adopt(::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666));
}

bool R_Writer::openAppend()
{
    if (file_)
        return false;
    errno = 0;
    return adopt(::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_CLOEXEC, 0666));
}

bool R_Writer::openAppendExisting()
{
    if (file_)
        return false;
    errno = 0;
    return adopt(::open(path_.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC));
}

bool R_Writer::close()
{
    if (!file_)
        return false;
    std::FILE* file = file_;
    file_ = nullptr;
    errno = 0;
    bool written = pending_.empty() || std::fwrite(pending_.data(), pending_.size(), 1, file) == 1;
    if (written)
        written = std::fflush(file) == 0;
    if (!written) {
        lastErrno_ = errno;
        // Nothing half-written stays behind the records that were there.
        if (::ftruncate(::fileno(file), static_cast<off_t>(sizeAtOpen_)) != 0) {
        }
    }
    pending_.clear();
    errno = 0;
    if (std::fclose(file) != 0 && written) {
        lastErrno_ = errno;
        written = false;
        // The bytes may have reached the file before the close failed; the
        // descriptor is gone, so cut back by name.
        if (::truncate(path_.c_str(), static_cast<off_t>(sizeAtOpen_)) != 0) {
        }
    }
    return written;
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
