#include "messages/R_Reader.h"

#include "messages/R_Exceptions.h"
#include "platform/RegularFile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

R_Reader::R_Reader(std::string path) : path_(std::move(path)), caches_(new R_ReaderCaches) {}

R_Reader::~R_Reader()
{
    caches_.release();
    if (file_)
        std::fclose(file_);
}

bool R_Reader::open()
{
    if (file_)
        return false;
    // Never blocks: a FIFO is refused instead of waiting for a writer.
    struct stat info {};
    const int fd = platform::openRegularFile(path_, O_RDONLY, &info);
    if (fd < 0) {
        openErrno_ = errno;
        return false;
    }
    file_ = ::fdopen(fd, "rb");
    if (!file_) {
        openErrno_ = errno;
        ::close(fd);
        return false;
    }
    size_ = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool R_Reader::atEnd()
{
    if (!file_)
        throw R_ReadingEOFException(EBADF);
    if (std::feof(file_))
        return true;
    if (hasLookAhead_)
        return false;
    errno = 0;
    const int c = std::fgetc(file_);
    const int error = errno;
    if (c == EOF) {
        if (std::feof(file_))
            return true;
        throw R_ReadingEOFException(error);
    }
    lookAhead_ = static_cast<std::uint8_t>(c);
    hasLookAhead_ = true;
    ++consumed_;
    return false;
}

void R_Reader::readRaw(void* buffer, std::uint64_t size)
{
    if (size == 0)
        return;
    auto* bytes = static_cast<unsigned char*>(buffer);
    if (hasLookAhead_) {
        hasLookAhead_ = false;
        *bytes++ = lookAhead_;
        --size;
        if (size == 0)
            return;
    }
    if (!file_)
        throw R_ReadingReadException(EBADF);
    errno = 0;
    const std::size_t got = std::fread(bytes, 1, static_cast<std::size_t>(size), file_);
    const int error = errno;
    consumed_ += got;
    if (got != size)
        throw R_ReadingReadException(error);
}

std::uint8_t R_Reader::readByte()
{
    std::uint8_t value = 0;
    readRaw(&value, 1);
    return value;
}

std::uint32_t R_Reader::readInt()
{
    unsigned char bytes[4];
    readRaw(bytes, 4);
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

void R_Reader::requireBytes(std::int64_t length)
{
    if (length < 0)
        throw R_ReadingReadException(EINVAL);
    const auto left = [this] {
        const std::uint64_t held = hasLookAhead_ ? 1 : 0;
        return size_ >= consumed_ ? size_ - consumed_ + held : held;
    };
    if (static_cast<std::uint64_t>(length) <= left())
        return;
    // The file may have grown since it was opened.
    struct stat info {};
    if (file_ && ::fstat(::fileno(file_), &info) == 0)
        size_ = static_cast<std::uint64_t>(info.st_size);
    if (static_cast<std::uint64_t>(length) > left())
        throw R_ReadingReadException(EINVAL);
}

std::string R_readString(R_Reader& reader)
{
    const std::int32_t length = reader.readSignedInt();
    reader.requireBytes(length);
    constexpr std::int32_t kStackSize = 64;
    if (length <= kStackSize) {
        char buffer[kStackSize];
        reader.readRaw(buffer, static_cast<std::uint64_t>(length));
        return std::string(buffer, static_cast<std::size_t>(length));
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    reader.readRaw(&text[0], static_cast<std::uint64_t>(length));
    return text;
}
