#include "patch/PatchGen_WriterXML.h"

#include "patch/PatchHandler.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

/// The new file: a buffered stream over its descriptor that remembers any
/// failed write, and the step that renames it over the target.
class PatchGen_WriterXML::Output : public std::streambuf {
public:
    Output(std::string target, std::string temp, int fd)
        : stream(this), target_(std::move(target)), temp_(std::move(temp)), fd_(fd), buffer_(64 * 1024)
    {
        setp(buffer_.data(), buffer_.data() + buffer_.size());
    }

    ~Output() override { discard(); }

    // Writes what is buffered, syncs, closes and renames; on any failure the
    // new file is removed and false returned.
    bool commit()
    {
        if (!drain() || failed_) {
            discard();
            return false;
        }
        // A file system that cannot sync (EINVAL) has nothing to lose here.
        if (::fsync(fd_) != 0 && errno != EINVAL) {
            discard();
            return false;
        }
        const int closed = ::close(fd_);
        fd_ = -1;
        if (closed != 0 || std::rename(temp_.c_str(), target_.c_str()) != 0) {
            discard();
            return false;
        }
        temp_.clear();
        return true;
    }

    std::ostream stream;

protected:
    int_type overflow(int_type c) override
    {
        if (!drain())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override { return drain() ? 0 : -1; }

private:
    // Hands the buffered bytes to the kernel; false (for good) once a write
    // failed.
    bool drain()
    {
        const char* p = pbase();
        std::size_t left = static_cast<std::size_t>(pptr() - pbase());
        while (left != 0 && !failed_) {
            const ssize_t n = ::write(fd_, p, left);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                failed_ = true;
                break;
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        setp(buffer_.data(), buffer_.data() + buffer_.size());
        return !failed_;
    }

    void discard()
    {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
        if (!temp_.empty()) {
            ::unlink(temp_.c_str());
            temp_.clear();
        }
    }

    std::string target_;
    std::string temp_;
    int fd_;
    std::vector<char> buffer_;
    bool failed_ = false;
};

namespace {

// The file a save must replace: a symbolic link's target, so that a linked
// "patch.xml" stays a link.
std::string resolveTarget(const char* path)
{
    struct stat st;
    if (::lstat(path, &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path, nullptr)) {
            std::string target(real);
            std::free(real);
            return target;
        }
    }
    return path;
}

} // namespace

PatchGen_WriterXML::PatchGen_WriterXML() = default;

PatchGen_WriterXML::~PatchGen_WriterXML() = default;

bool PatchGen_WriterXML::open(const char* path)
{
    output_.reset();
    if (!path || !*path)
        return false;
    const std::string target = resolveTarget(path);
    // A name of our own beside the target, created exclusively: never a file
    // someone else made, and a rename within one folder is atomic.
    const std::string stem = target + "." + std::to_string(::getpid()) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = stem + std::to_string(attempt) + ".tmp";
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        struct stat st;
        if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            ::fchmod(fd, st.st_mode & 07777);
        output_ = std::make_unique<Output>(target, std::move(temp), fd);
        return true;
    }
    return false;
}

bool PatchGen_WriterXML::write(PatchHandler* handler)
{
    if (!output_ || !handler || !output_->stream.good())
        return false;
    handler->writeXML(output_->stream);
    output_->stream.flush();
    return output_->stream.good();
}

bool PatchGen_WriterXML::close()
{
    if (!output_)
        return false;
    const bool saved = output_->stream.good() && output_->commit();
    output_.reset();
    return saved;
}
