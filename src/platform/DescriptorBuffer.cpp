#include "platform/DescriptorBuffer.h"

#include "platform/RegularFile.h"

namespace platform {

DescriptorBuffer::DescriptorBuffer(int fd, std::size_t size) : fd_(fd), buffer_(size)
{
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

bool DescriptorBuffer::flushAll()
{
    const std::size_t gathered = static_cast<std::size_t>(pptr() - pbase());
    if (!failed_ && gathered != 0 && !writeAll(fd_, pbase(), gathered))
        failed_ = true;
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return !failed_;
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c)
{
    if (!flushAll())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int DescriptorBuffer::sync()
{
    return flushAll() ? 0 : -1;
}

} // namespace platform
