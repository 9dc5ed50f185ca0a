#include "patch/PatchGen_WriterXML.h"

#include "patch/PatchHandler.h"
#include "platform/ReplacementFile.h"

#include <cerrno>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

/// The new file: a buffered stream over its descriptor that remembers any
/// failed write, and the step that renames it over the target.
class PatchGen_WriterXML::Output : public std::streambuf {
public:
    explicit Output(std::unique_ptr<platform::ReplacementFile> file)
        : stream(this), file_(std::move(file)), buffer_(64 * 1024)
    {
        setp(buffer_.data(), buffer_.data() + buffer_.size());
    }

    // Writes what is buffered, syncs and puts the file in the target's
    // place; on any failure the new file is removed and false returned.
    bool commit()
    {
        if (!drain()) {
            file_->discard();
            return false;
        }
        return file_->commit(true);
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
            const ssize_t n = ::write(file_->fd(), p, left);
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

    std::unique_ptr<platform::ReplacementFile> file_;
    std::vector<char> buffer_;
    bool failed_ = false;
};

PatchGen_WriterXML::PatchGen_WriterXML() = default;

PatchGen_WriterXML::~PatchGen_WriterXML() = default;

bool PatchGen_WriterXML::open(const char* path)
{
    output_.reset();
    if (!path || !*path)
        return false;
    auto file = std::make_unique<platform::ReplacementFile>();
    if (!file->open(path))
        return false;
    // Only the entry itself is replaced, and only a regular file: nothing
    // is saved through a symbolic link, whatever it leads to, and a FIFO, a
    // device or a directory at the name is no cache of ours.
    struct stat st;
    const bool exists = file->entry(st);
    if (exists && !S_ISREG(st.st_mode))
        return false;
    if (!exists && errno != ENOENT)
        return false;
    // Saved once a run: the leftovers of killed runs are looked for each time.
    file->removeStaleTemporaries(false);
    if (!file->create(0666))
        return false;
    if (exists)
        file->takeMode(st);
    output_ = std::make_unique<Output>(std::move(file));
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
