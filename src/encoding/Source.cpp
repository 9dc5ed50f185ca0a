#include "encoding/Source.h"

#include "platform/RegularFile.h"

#include <cerrno>

namespace {

constexpr std::size_t kReserve = 64;
constexpr std::size_t kBlock = 64 * 1024;

} // namespace

void StringSource::setText(U_RcString text)
{
    text_ = text;
    position_ = 0;
}

void StringSource::Close()
{
    text_ = U_RcString();
    position_ = 0;
}

std::int32_t StringSource::Get()
{
    const auto c = static_cast<unsigned char>(text_.c_str()[position_]);
    if (c == 0)
        return -1;
    ++position_;
    return c;
}

void StringSource::Unget(std::int32_t)
{
    if (position_ > 0)
        --position_;
}

FileSource::FileSource() : buffer_(kReserve + kBlock) {}

FileSource::~FileSource()
{
    if (file_)
        std::fclose(file_);
}

bool FileSource::open(U_RcString path)
{
    Close();
    errno = 0;
    // A handle is an open file, whatever errno was left at by the library.
    return open(platform::openRegularStream(path.c_str()));
}

bool FileSource::open(std::FILE* file)
{
    Close();
    file_ = file;
    atEnd_ = file_ == nullptr;
    return file_ != nullptr;
}

void FileSource::Close()
{
    atEnd_ = true;
    next_ = end_ = 0;
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

std::int32_t FileSource::refill()
{
    errno = 0;
    if (atEnd_)
        return -1;
    if (!file_) {
        std::fputs("FileSource::Get called when pfile is null!\n", stderr);
        return -1;
    }
    const std::size_t count = std::fread(buffer_.data() + kReserve, 1, kBlock, file_);
    if (count == 0) {
        // The stream's own error flag, not errno: a successful read may leave
        // errno set by whatever the library tried on the way.
        if (std::ferror(file_)) {
            const int error = errno;
            const int c = EOF;
            std::fprintf(stderr, "FileSource::Get got error %d, char %c (%d).\n", error, c, c);
        }
        atEnd_ = true;
        next_ = end_ = 0;
        return -1;
    }
    next_ = kReserve;
    end_ = kReserve + count;
    return buffer_[next_++];
}

void FileSource::Unget(std::int32_t c)
{
    if (next_ == end_) {
        next_ = end_ = kReserve;
    } else if (next_ == 0) {
        // More bytes given back than the reserve holds: make room in front.
        buffer_.insert(buffer_.begin(), kReserve, 0);
        next_ += kReserve;
        end_ += kReserve;
    }
    buffer_[--next_] = static_cast<unsigned char>(c);
    atEnd_ = false;
}

std::int32_t StreamSource::Get()
{
    return in_->get();
}

void StreamSource::Unget(std::int32_t c)
{
    // After the end was met the stream refuses a put-back until its end and
    // failure flags are cleared.
    if (!in_->bad())
        in_->clear();
    in_->putback(static_cast<char>(c));
}
