#include "messages/R_Writer.h"

#include "messages/R_Exceptions.h"
#include "platform/BackgroundClose.h"
#include "platform/BlockedSignals.h"
#include "platform/FileProbes.h"
#include "platform/PathLookup.h"
#include "platform/ReplacementFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// A run holds a message file's lock for the moment of one append; a holder
// that keeps it this long is no such run.
constexpr milliseconds kDefaultLockWait{60 * 1000};
// How long a wait lasts before it is told of.
constexpr milliseconds kLongWait{1000};

// The longest wait the clock can measure: a longer one would wrap.
constexpr milliseconds kLongestWait = std::chrono::duration_cast<milliseconds>(Clock::duration::max());

milliseconds clampedWait(milliseconds bound)
{
    return std::clamp(bound, milliseconds(0), kLongestWait);
}

// A wait's bound in words: "60 s", "1300 ms".
std::string boundText(milliseconds bound)
{
    const long long ms = bound.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

// Cuts fd back to size, so nothing half-written stays; errno is kept.
void cutBack(int fd, off_t size)
{
    const int error = errno;
    // A cut-back that fails too (an append-only file) has nothing better to
    // report than the failure that called for it.
    (void)::ftruncate(fd, size);
    errno = error;
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens the existing file for adding bytes at its end.
int openForAppending(const platform::FileAt& file)
{
    // O_APPEND: a file that only takes appends (chattr +a) takes no other
    // writer.
    return platform::openRegularFile(file, O_RDWR | O_APPEND);
}

// The format id of the 8 header bytes fd begins with; false without them.
bool headerFormatIdOf(int fd, std::uint32_t& formatId)
{
    unsigned char header[8];
    if (::pread(fd, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header))
        return false;
    formatId = R_intOf(header);
    return true;
}

} // namespace

R_Writer::R_Writer(std::string path) : R_Writer(platform::FileAt{AT_FDCWD, std::move(path)}) {}

R_Writer::R_Writer(platform::FileAt file)
    : file_(std::move(file)), lockWait_(lockWaitFrom(std::getenv("VANTREL_LOCK_WAIT_MS"))), tables_(new R_WriterTables)
{
}

R_Writer::~R_Writer()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool R_Writer::adopt(int fd, Mode mode)
{
    if (fd < 0) {
        lastErrno_ = errno;
        return false;
    }
    fd_ = fd;
    mode_ = mode;
    pending_.clear();
    return true;
}

bool R_Writer::openNew()
{
    if (fd_ >= 0)
        return false;
    return adopt(platform::openRegularFile(file_, O_WRONLY | O_CREAT | O_TRUNC), Mode::New);
}

bool R_Writer::openAppend()
{
    if (fd_ >= 0)
        return false;
    return adopt(platform::openRegularFile(file_, O_RDWR | O_CREAT | O_APPEND), Mode::Append);
}

bool R_Writer::openAppendExisting()
{
    if (fd_ >= 0)
        return false;
    return adopt(openForAppending(file_), Mode::Append);
}

bool R_Writer::openAppendTo(const platform::Descriptor& read)
{
    if (fd_ >= 0)
        return false;
    return adopt(platform::reopenRegularFile(read.get(), O_RDWR | O_APPEND), Mode::Append);
}

void R_Writer::requireImage(R_ReadImage image, bool (*follows)(const char*, std::size_t))
{
    image_ = std::move(image);
    follows_ = follows;
}

bool R_Writer::headerFormatId(std::uint32_t& formatId) const
{
    return fd_ >= 0 && headerFormatIdOf(fd_, formatId);
}

bool R_Writer::fail(const std::string& why, int error)
{
    failure_ = why;
    errno = error;
    return false;
}

bool R_Writer::failWithError(const std::string& why, int error)
{
    return fail(why + ": " + platform::openFailureText(error), error);
}

bool R_Writer::close()
{
    if (fd_ < 0)
        return false;
    failure_.clear();
    bool written = mode_ == Mode::New ? closeNew() : closeAppend();
    if (fd_ >= 0 && replaced_) {
        // Its name is gone: the close frees it, which may wait for its
        // pages still being written back. Others waiting for the lock need
        // not wait for that.
        ::flock(fd_, LOCK_UN);
        platform::closeInBackground(fd_);
    } else if (fd_ >= 0 && ::close(fd_) != 0 && written) {
        // A file system that writes back at close (NFS) reports there
        // what the writes could not do.
        written = failWithError("the file could not be closed", errno);
    }
    if (!written)
        lastErrno_ = errno;
    fd_ = -1;
    replaced_ = false;
    mode_ = Mode::Closed;
    pending_.clear();
    image_.reset();
    return written;
}

bool R_Writer::closeNew()
{
    if (platform::writeAll(fd_, pending_.data(), pending_.size()))
        return true;
    const int error = errno;
    cutBack(fd_, 0);
    return failWithError("the bytes could not be written", error);
}

milliseconds R_Writer::lockWaitFrom(const char* value)
{
    if (!value || *value < '0' || *value > '9')
        return kDefaultLockWait;
    char* end = nullptr;
    errno = 0;
    const long long ms = std::strtoll(value, &end, 10);
    if (*end != '\0')
        return kDefaultLockWait;
    // A number beyond what the clock measures, or than strtoll reads, waits
    // as long as the clock can.
    return errno == ERANGE ? kLongestWait : clampedWait(milliseconds(ms));
}

void R_Writer::setLockWait(milliseconds bound) noexcept
{
    lockWait_ = clampedWait(bound);
}

bool R_Writer::pastDeadline(Attempt& attempt)
{
    const Clock::duration waited = Clock::now() - attempt.start;
    // Told whenever a wait has lasted, also when it ends here: a process
    // that was stopped meanwhile passes both at one look.
    if (!attempt.told && waited >= kLongWait) {
        attempt.told = true;
        if (onLongWait_)
            onLongWait_();
    }
    return waited >= lockWait_;
}

bool R_Writer::lockNamedFile(struct stat& locked, Attempt& attempt)
{
    milliseconds pause{1};
    for (;;) {
        // Waited for a bounded time: anyone who may read the file can hold
        // a lock on it for ever.
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR)
                return failWithError("the file could not be locked", errno);
            if (pastDeadline(attempt))
                return fail("another process held its lock for more than " + boundText(lockWait_), ETIMEDOUT);
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, milliseconds(50));
        }
        // The name may lead to another file by now: another writer renamed
        // its new one over it. That one is locked instead, as long as the
        // bound of the whole attempt lasts.
        struct stat named;
        if (::fstat(fd_, &locked) != 0 || ::fstatat(file_.dir, file_.name.c_str(), &named, 0) != 0)
            return failWithError("the file could not be examined", errno);
        if (sameFile(locked, named))
            return true;
        if (!nextFile(attempt))
            return false;
    }
}

bool R_Writer::nextFile(Attempt& attempt)
{
    if (pastDeadline(attempt))
        return fail("its name led to another file at each try for more than " + boundText(lockWait_), ETIMEDOUT);
    const int next = openForAppending(file_);
    if (next < 0)
        return failWithError("the file could not be opened again", errno);
    ::close(fd_);
    fd_ = next;
    return true;
}

bool R_Writer::checkWhatTheyFollow(const struct stat& locked, std::string& current, const std::string*& base)
{
    base = nullptr;
    if (!image_) {
        std::uint32_t formatId = 0;
        if (acceptsFormat_ && !(headerFormatIdOf(fd_, formatId) && acceptsFormat_(formatId)))
            return fail("it is no longer a message file of the current format", EINVAL);
        return true;
    }
    const std::string& read = image_->bytes;
    if (image_->stable && platform::sameFileState(image_->state, locked)) {
        base = &read;
        return true;
    }
    // Another file behind the name, bytes added or changed: the bytes read
    // must still lead, and only whole sections of other runs follow them.
    if (static_cast<std::uint64_t>(locked.st_size) < read.size())
        return fail("it is shorter than when it was read", EINVAL);
    if (!platform::readAt(fd_, 0, static_cast<std::size_t>(locked.st_size), current))
        return failWithError("it could not be read again", errno);
    if (current.compare(0, read.size(), read) != 0)
        return fail("its bytes are no longer those it was read with", EINVAL);
    if (current.size() > read.size() && !(follows_ && follows_(current.data() + read.size(), current.size() - read.size())))
        return fail("bytes that are no whole sections follow those it was read with", EINVAL);
    base = &current;
    return true;
}

bool R_Writer::closeAppend()
{
    // One bound for every try: renames that keep coming never keep the run
    // going longer than a lock held as long.
    Attempt attempt;
    for (;;) {
        struct stat locked;
        if (!lockNamedFile(locked, attempt))
            return false;
        std::string current;
        const std::string* base = nullptr;
        if (!checkWhatTheyFollow(locked, current, base))
            return false;
        if (pending_.empty())
            return true;
        // A write that stays inside one page of the file lands whole or not
        // at all, even under SIGKILL: the kernel only stops between pages.
        // Such a section goes in place, which costs a tenth of making,
        // filling and renaming a new file and freeing the old one (most
        // sections are a few hundred bytes, and a run appends to thousands
        // of files).
        static const long page = ::sysconf(_SC_PAGESIZE);
        if (page > 0 &&
            static_cast<std::size_t>(locked.st_size % page) + pending_.size() <= static_cast<std::size_t>(page))
            return appendInPlace(locked, false);
        switch (replace(locked, base, current)) {
        case Replacement::Done:
            return true;
        case Replacement::InPlace:
            return appendInPlace(locked, true);
        case Replacement::Failed:
            return false;
        case Replacement::NameChanged:
            // The lock is taken again on the file named now.
            if (!nextFile(attempt))
                return false;
            break;
        }
    }
}

R_Writer::Replacement R_Writer::replace(const struct stat& locked, const std::string* base, std::string& current)
{
    // Another name of the file would keep the old bytes; no new file takes
    // an append-only or immutable file's place.
    if (locked.st_nlink != 1 || platform::hasInodeFlag(fd_, FS_APPEND_FL | FS_IMMUTABLE_FL))
        return Replacement::InPlace;
    platform::ReplacementFile replacement;
    struct stat entry;
    if (!replacement.open(file_))
        return Replacement::InPlace;
    if (!replacement.entry(entry))
        return errno == ENOENT ? Replacement::NameChanged : Replacement::InPlace;
    // A symbolic link stays a link and its target the file it is: the
    // section goes in place.
    if (S_ISLNK(entry.st_mode))
        return Replacement::InPlace;
    if (!sameFile(entry, locked))
        return Replacement::NameChanged;
    replacement.removeStaleTemporaries(true);
    if (!base) {
        if (!platform::readAt(fd_, 0, static_cast<std::size_t>(locked.st_size), current))
            return Replacement::InPlace;
        base = &current;
    }
    // The owner before the bytes, as the cheap test of whether the new file
    // can be the old one; the rest after them, since a write takes set-id
    // bits and file capabilities away.
    if (!replacement.create(0600) || !replacement.takeOwnerFrom(locked) ||
        !platform::writeAll(replacement.fd(), {*base, pending_}) ||
        !replacement.takeEverythingFrom(fd_, locked) || !replacement.sync())
        return Replacement::InPlace;
    // The new file holds exactly the bytes checked under the lock; the old
    // one must still be them, or a writer that takes no lock has cut or
    // changed it meanwhile.
    struct stat now;
    if (::fstat(fd_, &now) != 0 || !platform::sameFileState(now, locked)) {
        fail("it changed while its new file was written", EINVAL);
        return Replacement::Failed;
    }
    // The swap puts the new file only where the file checked still is: an
    // analyser's fresh result renamed in meanwhile keeps its name.
    switch (replacement.commitOver(locked)) {
    case platform::ReplacementFile::Swap::Done:
        replaced_ = true;
        return Replacement::Done;
    case platform::ReplacementFile::Swap::NotThatFile:
        return Replacement::NameChanged;
    case platform::ReplacementFile::Swap::Failed:
        break;
    }
    if (replacement.entry(entry) && sameFile(entry, locked))
        return Replacement::InPlace;
    failWithError("its new file could not take its place", errno);
    return Replacement::Failed;
}

bool R_Writer::appendInPlace(const struct stat& locked, bool spansPages)
{
    const std::uint64_t end = static_cast<std::uint64_t>(locked.st_size) + pending_.size();
    // What could stop the write part way is settled before its first byte:
    // an append-only file cannot be cut back.
    if (!platform::withinSizeLimit(end))
        return fail("the section would pass the file-size limit", EFBIG);
    if (spansPages &&
        ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, locked.st_size, static_cast<off_t>(pending_.size())) != 0) {
        const int error = errno;
        if (error == ENOSPC || error == EDQUOT || error == EFBIG)
            return failWithError("no room for the section", error);
        if (platform::hasInodeFlag(fd_, FS_APPEND_FL))
            return failWithError("no room can be reserved for the section of an append-only file", error);
    }
    // Nothing but SIGKILL ends the program between the first byte and the
    // last or the cut-back: a signal that arrives meanwhile, handled or with
    // an action that ends the program, waits until the file is whole again.
    // Bytes within one page land whole even under SIGKILL.
    const platform::BlockedSignals held;
    if (!platform::writeAll(fd_, pending_.data(), pending_.size(), locked.st_size)) {
        const int error = errno;
        cutBack(fd_, locked.st_size);
        return failWithError("the section could not be written", error);
    }
    // A file system that writes back at close reports its failures there:
    // a close of a second descriptor asks it while this one can still cut
    // the file back.
    const int probe = platform::closeMayReportWriteFailure(fd_, locked.st_dev) ? ::dup(fd_) : -1;
    if (probe >= 0 && ::close(probe) != 0) {
        const int error = errno;
        cutBack(fd_, locked.st_size);
        return failWithError("the section could not be written", error);
    }
    return true;
}

void R_Writer::writeRaw(const void* bytes, std::int32_t size)
{
    if (size < 0)
        throw R_WritingException();
    pending_.append(static_cast<const char*>(bytes), static_cast<std::size_t>(size));
}

void R_Writer::writeByte(std::uint8_t value)
{
    pending_.push_back(static_cast<char>(value));
}

void R_Writer::writeInt(std::uint32_t value)
{
    const char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                           static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF)};
    pending_.append(bytes, 4);
}

void R_Writer::writeCString(const char* text)
{
    const std::size_t length = std::strlen(text);
    if (length > INT32_MAX)
        throw R_WritingException();
    writeInt(static_cast<std::uint32_t>(length));
    writeRaw(text, static_cast<std::int32_t>(length));
}

void R_Writer::writeString(const std::string& text)
{
    // A longer text cannot be counted in the record's length.
    if (text.size() > INT32_MAX)
        throw R_WritingException();
    writeInt(static_cast<std::uint32_t>(text.size()));
    writeRaw(text.data(), static_cast<std::int32_t>(text.size()));
}
