#pragma once

#include <streambuf>
#include <vector>

namespace platform {

/// An output stream buffer over a file descriptor that it does not own:
/// bytes are gathered in a buffer of its own and handed to the descriptor
/// whole (writeAll) when it is full or flushed. Once a write fails, nothing
/// more is written, and every flush says so.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int fd, std::size_t size = 64 * 1024);

    // Hands every gathered byte to the descriptor; false once any write
    // failed.
    bool flushAll();
    // Whether every write so far succeeded.
    bool good() const noexcept { return !failed_; }

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    int fd_;
    std::vector<char> buffer_;
    bool failed_ = false;
};

} // namespace platform
