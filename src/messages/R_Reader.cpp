#include "messages/R_Reader.h"

#include "messages/R_Exceptions.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

R_Reader::R_Reader(std::string path) : R_Reader(platform::FileAt{AT_FDCWD, std::move(path)}) {}

R_Reader::R_Reader(platform::FileAt file) : file_(std::move(file)), caches_(new R_ReaderCaches) {}

R_Reader::R_Reader(R_ReadImage image) : open_(true), image_(std::move(image)), caches_(new R_ReaderCaches) {}

R_Reader::~R_Reader()
{
    caches_.release();
}

bool R_Reader::open()
{
    if (open_)
        return false;
    // Never blocks: a FIFO is refused instead of waiting for a writer.
    struct stat before {};
    const int fd = platform::openRegularFile(file_, O_RDONLY, &before);
    if (fd < 0) {
        openErrno_ = errno;
        return false;
    }
    open_ = true;
    image_ = R_ReadImage();
    errno = 0;
    if (!platform::readToEnd(fd, image_.bytes, image_.bytes.max_size()))
        readErrno_ = errno;
    // The state before the read stands for the bytes read whole at its size:
    // a file changed while it was read has other times by then (or another
    // size), which no later state of it matches.
    image_.stable = readErrno_ == 0 && static_cast<std::uint64_t>(before.st_size) == image_.bytes.size();
    image_.state = before;
    image_.file = std::make_shared<const platform::Descriptor>(fd);
    return true;
}

bool R_Reader::atEnd()
{
    if (!open_)
        throw R_ReadingEOFException(EBADF);
    if (position_ < image_.bytes.size())
        return false;
    if (readErrno_ != 0)
        throw R_ReadingEOFException(readErrno_);
    return true;
}

void R_Reader::readRaw(void* buffer, std::uint64_t size)
{
    if (size == 0)
        return;
    if (!open_)
        throw R_ReadingReadException(EBADF);
    const std::size_t left = image_.bytes.size() - position_;
    const std::size_t got = size < left ? static_cast<std::size_t>(size) : left;
    std::memcpy(buffer, image_.bytes.data() + position_, got);
    position_ += got;
    if (got != size)
        throw R_ReadingReadException(readErrno_);
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
    return R_intOf(bytes);
}

void R_Reader::requireBytes(std::int64_t length)
{
    if (length < 0)
        throw R_ReadingReadException(EINVAL);
    if (static_cast<std::uint64_t>(length) > image_.bytes.size() - position_)
        throw R_ReadingReadException(readErrno_ != 0 ? readErrno_ : EINVAL);
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
