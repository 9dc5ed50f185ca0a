#include "patch/PatchGen_WriterXML.h"

#include "patch/PatchHandler.h"
#include "platform/DescriptorBuffer.h"
#include "platform/ReplacementFile.h"

#include <cerrno>
#include <optional>
#include <ostream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

/// The new file: a buffered stream over its descriptor that remembers any
/// failed write, and the step that renames it over the target.
class PatchGen_WriterXML::Output {
public:
    // old: a descriptor of the file replaced (or -1), which the object
    // closes; oldState: its state when there is one.
    Output(std::unique_ptr<platform::ReplacementFile> file, int old, std::optional<struct stat> oldState)
        : buffer(file->fd()), stream(&buffer), file_(std::move(file)), old_(old), oldState_(oldState)
    {
    }

    ~Output()
    {
        if (old_ >= 0)
            ::close(old_);
    }

    // Writes what is buffered, gives the file the old one's rights (once
    // its bytes are written: a write takes set-id bits away), syncs and
    // puts it in the target's place; on any failure the new file is
    // removed and false returned.
    bool commit()
    {
        if (!buffer.flushAll()) {
            file_->discard();
            return false;
        }
        if (oldState_)
            file_->takeRightsFrom(old_, *oldState_);
        return file_->commit(true);
    }

    platform::DescriptorBuffer buffer;
    std::ostream stream;

private:
    std::unique_ptr<platform::ReplacementFile> file_;
    int old_;
    std::optional<struct stat> oldState_;
};

PatchGen_WriterXML::PatchGen_WriterXML() = default;

PatchGen_WriterXML::~PatchGen_WriterXML() = default;

bool PatchGen_WriterXML::open(const char* path)
{
    output_.reset();
    if (!path || !*path)
        return false;
    return open(platform::FileAt{AT_FDCWD, path});
}

bool PatchGen_WriterXML::open(const platform::FileAt& file)
{
    output_.reset();
    auto replacement = std::make_unique<platform::ReplacementFile>();
    if (!replacement->open(file))
        return false;
    // Only the entry itself is replaced, and only a regular file: nothing
    // is saved through a symbolic link, whatever it leads to, and a FIFO, a
    // device or a directory at the name is no cache of ours.
    struct stat st {};
    const bool exists = replacement->entry(st);
    if (exists && !S_ISREG(st.st_mode))
        return false;
    if (!exists && errno != ENOENT)
        return false;
    // Saved once a run: the leftovers of killed runs are looked for each time.
    replacement->removeStaleTemporaries(false);
    if (!replacement->create(0666))
        return false;
    // Its attributes are read through a descriptor of its own; one that
    // cannot be read gives none.
    const int old = exists ? replacement->openEntry() : -1;
    output_ = std::make_unique<Output>(std::move(replacement), old,
                                       exists ? std::optional<struct stat>(st) : std::nullopt);
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
