#include "encoding/Destination.h"

#include "platform/TempFile.h"

#include <cstring>

namespace {

constexpr std::size_t kBlock = 64 * 1024;

unsigned char byteOf(std::int32_t value, int index)
{
    return static_cast<unsigned char>(static_cast<std::uint32_t>(value) >> (8 * index));
}

} // namespace

void StringDestination::PutInt(std::int32_t) {}

void StringDestination::Put(std::int32_t c)
{
    text_ += static_cast<char>(c);
}

void StringDestination::PutString(U_RcString text)
{
    text_ += text;
}

void StdStringDestination::PutInt(std::int32_t) {}

void StdStringDestination::PutString(U_RcString text)
{
    text_.append(text.c_str(), static_cast<std::size_t>(text.length()));
}

std::string StdStringDestination::take() noexcept
{
    std::string taken;
    taken.swap(text_);
    return taken;
}

FileDestination::FileDestination() : buffer_(kBlock) {}

FileDestination::~FileDestination()
{
    Close();
}

bool FileDestination::open(U_RcString path)
{
    Close();
    failed_ = false;
    file_ = std::fopen(path.c_str(), "w");
    return file_ != nullptr;
}

bool FileDestination::openExclusive(U_RcString path)
{
    Close();
    failed_ = false;
    file_ = platform::createExclusive(path.c_str(), false);
    return file_ != nullptr;
}

void FileDestination::Close()
{
    flush();
    if (file_) {
        if (std::fclose(file_) != 0)
            failed_ = true;
        file_ = nullptr;
    }
}

void FileDestination::flush()
{
    // Without a file what is written goes nowhere.
    if (file_ && used_ != 0 && std::fwrite(buffer_.data(), 1, used_, file_) != used_)
        failed_ = true;
    used_ = 0;
}

void FileDestination::PutInt(std::int32_t value)
{
    for (int i = 0; i < 4; ++i)
        Put(byteOf(value, i));
}

void FileDestination::PutString(U_RcString text)
{
    const char* bytes = text.c_str();
    const std::size_t count = text.length();
    if (buffer_.size() - used_ < count)
        flush();
    if (count > buffer_.size()) {
        if (file_ && std::fwrite(bytes, 1, count, file_) != count)
            failed_ = true;
        return;
    }
    std::memcpy(buffer_.data() + used_, bytes, count);
    used_ += count;
}

void StreamDestination::PutInt(std::int32_t value)
{
    if (!out_)
        return;
    for (int i = 3; i >= 0; --i)
        out_->put(static_cast<char>(byteOf(value, i)));
}

void StreamDestination::Put(std::int32_t c)
{
    if (out_)
        out_->put(static_cast<char>(c));
}

void StreamDestination::PutString(U_RcString text)
{
    if (out_)
        *out_ << text;
}
