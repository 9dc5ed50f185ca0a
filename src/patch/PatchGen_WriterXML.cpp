#include "patch/PatchGen_WriterXML.h"

#include "patch/PatchHandler.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The temporary name of attempt beside target: "<target>.<pid>.<attempt>.tmp".
std::string temporaryName(const std::string& target, int attempt)
{
    return target + "." + std::to_string(::getpid()) + "." + std::to_string(attempt) + ".tmp";
}

} // namespace

/// The new file: a buffered stream over its descriptor that remembers any
/// failed write, and the step that renames it over the target.
class PatchGen_WriterXML::Output : public std::streambuf {
public:
    // temp is the new file's name beside target; empty while the file has
    // none yet (opened with O_TMPFILE), so that a process killed while it
    // writes leaves nothing behind.
    Output(std::string target, std::string temp, int fd)
        : stream(this), target_(std::move(target)), temp_(std::move(temp)), fd_(fd), buffer_(64 * 1024)
    {
        setp(buffer_.data(), buffer_.data() + buffer_.size());
    }

    ~Output() override { discard(); }

    // Writes what is buffered, syncs, names an unnamed file, closes and
    // renames; on any failure the new file is removed and false returned.
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
        if (temp_.empty() && !linkUnnamed()) {
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

    // Gives the unnamed file a temporary name beside the target, for the
    // rename that replaces the target; false when it cannot be named.
    bool linkUnnamed()
    {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string temp = temporaryName(target_, attempt);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
                ::linkat(fd_, "", AT_FDCWD, temp.c_str(), AT_EMPTY_PATH) == 0) {
                temp_ = std::move(temp);
                return true;
            }
            if (errno != EEXIST)
                return false;
        }
        return false;
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

// The folder of path: "." for a bare name.
std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool allDigits(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// Removes the temporary files that writers of target left when they were
// killed between naming the new file and renaming it: those whose process
// has ended. A live process's file may be a save still under way.
void removeStaleTemporaries(const std::string& target)
{
    const std::string dir = directoryOf(target);
    const std::string prefix = target.substr(target.rfind('/') + 1) + ".";
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return;
    while (const dirent* entry = ::readdir(d)) {
        const std::string name = entry->d_name;
        if (name.size() < prefix.size() + 7 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 4, 4, ".tmp") != 0)
            continue;
        // "<pid>.<attempt>" between the prefix and ".tmp".
        const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        const std::size_t dot = middle.find('.');
        if (dot == std::string::npos || dot > 9 || !allDigits(middle.substr(0, dot)) ||
            !allDigits(middle.substr(dot + 1)))
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(middle.substr(0, dot)));
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
            ::unlink((dir + "/" + name).c_str());
    }
    ::closedir(d);
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
    removeStaleTemporaries(target);

    // An unnamed file in the target's folder where the file system offers
    // one; else a name of our own beside the target, created exclusively:
    // never a file someone else made. A rename within one folder is atomic.
    std::string temp;
    int fd = ::open(directoryOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = temporaryName(target, attempt);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    struct stat st;
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        ::fchmod(fd, st.st_mode & 07777);
    output_ = std::make_unique<Output>(target, std::move(temp), fd);
    return true;
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
