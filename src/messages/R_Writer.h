#pragma once

#include "messages/R_Reader.h"
#include "messages/R_WriterTables.h"
#include "platform/RegularFile.h"
#include "util/U_CountedPtr.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct stat;

/// Writes the primitives of a message file (bytes, little-endian ints,
/// counted strings) for one open of one file, with the id tables of the
/// section it writes. Nothing reaches the file before close(): the bytes are
/// kept in memory, so a failure or an exception part way leaves the file as
/// it was. An append becomes visible in one step, under an exclusive lock
/// (flock) on the file, in one of two ways with the same outcome: the file's
/// bytes, then the section. Where the new file can be the old one in every
/// respect but the section (its name is the file itself, not a link, and its
/// only name; owner, group, mode, extended attributes and inode flags can
/// all be given to a new file) and the section does not fit in the file's
/// last page, a new file with the old bytes and the section is renamed over
/// the name; in every other case the section is written in place, with
/// every signal held back until it is written or cut back, and only once
/// nothing but SIGKILL can stop it part way (room reserved, the file-size
/// limit checked). Other writers that append the same way wait for the lock
/// and then take the file as it is named, so every one's bytes land whole,
/// in some order. A writer that is never opened only collects its bytes
/// (see pending()).
class R_Writer {
public:
    // path is in the product's native encoding; no file is opened yet.
    explicit R_Writer(std::string path);
    // The file file.name of the open directory file.dir, which the writer
    // looks it up in and nowhere else.
    explicit R_Writer(platform::FileAt file);
    // Drops the bytes not yet written and lets go of the file without
    // writing them.
    ~R_Writer();
    R_Writer(const R_Writer&) = delete;
    R_Writer& operator=(const R_Writer&) = delete;

    // Creates or truncates the file; false (errno in lastErrno()) when it
    // cannot be opened or is not a regular file.
    bool openNew();
    // Opens the file to add bytes at its end, creating it when missing;
    // false as openNew(), also when it cannot be opened for reading too.
    bool openAppend();
    // Opens an existing file to add bytes at its end; a missing file is not
    // created (false as openAppend()).
    bool openAppendExisting();
    // Opens the file read, open at read (R_ReadImage::file), to add bytes at
    // its end: the file read whatever its name leads to now (close() then
    // takes the one named). False as openAppendExisting().
    bool openAppendTo(const platform::Descriptor& read);
    // Makes close() of an append add nothing unless the file, as it is under
    // the lock, begins with a header of 8 bytes whose first int (the format
    // id) accepts takes: another program may have put something else at the
    // name since it was checked.
    void requireFormat(bool (*accepts)(std::uint32_t formatId)) noexcept { acceptsFormat_ = accepts; }
    // Makes close() of an append add its bytes only after those they were
    // made for: the file, as it is under the lock, must begin with exactly
    // image's bytes, and what follows them (another writer's) must be what
    // follows takes. A file that is still the one image was read from, of
    // the same size and times, is not read again.
    void requireImage(R_ReadImage image, bool (*follows)(const char* bytes, std::size_t size));
    // The longest close() waits for the lock, and tries again on the files
    // its name leads to, in all: by default one minute, or
    // VANTREL_LOCK_WAIT_MS milliseconds from the environment (a number: any
    // bound the clock can measure, a larger one clamped to the largest).
    void setLockWait(std::chrono::milliseconds bound) noexcept;
    // The bound a value of VANTREL_LOCK_WAIT_MS gives: its digits as
    // milliseconds, the largest the clock can measure for a larger number,
    // one minute for anything else (none, empty, a sign, other characters).
    static std::chrono::milliseconds lockWaitFrom(const char* value);
    // What close() calls, once, when its wait for the lock has lasted a
    // second, also when it ends then.
    void onLongLockWait(std::function<void()> notice) { onLongWait_ = std::move(notice); }
    // The format id (the first int) of the 8-byte header the open file
    // begins with; false when it holds fewer bytes or cannot be read.
    bool headerFormatId(std::uint32_t& formatId) const;
    // The errno of the last failed open or close; 0 when none failed.
    int lastErrno() const noexcept { return lastErrno_; }
    // Why the last close() failed, in a few words for a log; "" when it did
    // not.
    const std::string& failure() const noexcept { return failure_; }

    // Writes the pending bytes and closes the file. After openNew(): one
    // write into the file. After an append open: the lock, then the bytes
    // in place or in a new file renamed over the name (see the class), the
    // name checked and replaced through one descriptor of its directory. A
    // new file that cannot be made, filled or renamed (no room, no right, a
    // directory that takes no new file) leaves the bytes to go in place.
    // False when no file was open, or when a step failed, the close of the
    // file included: the file is then as it was under the lock (an in-place
    // write is cut back to that size, so bytes others added stay). The
    // pending bytes are dropped either way.
    bool close();

    // Each adds bytes to the pending ones; throws std::bad_alloc only, and
    // R_WritingException for a negative size.
    void writeRaw(const void* bytes, std::int32_t size);
    void writeByte(std::uint8_t value);
    // Four bytes, least significant first.
    void writeInt(std::uint32_t value);
    // The bytes before the first NUL, as a counted string.
    void writeCString(const char* text);
    // All bytes of text, NUL bytes included, as a counted string.
    void writeString(const std::string& text);

    // The bytes written since the open (or since construction) that have not
    // reached the file.
    const std::string& pending() const noexcept { return pending_; }

    // The ids this writer has given in its section.
    R_WriterTables& tables() noexcept { return *tables_; }

private:
    enum class Mode { Closed, New, Append };
    // What came of trying to replace the locked file.
    enum class Replacement { Done, InPlace, NameChanged, Failed };

    // Takes over fd, a descriptor of a regular file; false when fd is -1.
    bool adopt(int fd, Mode mode);
    // The two ways of close(); each leaves the file open.
    bool closeNew();
    bool closeAppend();
    // One close()'s tries, under one bound.
    struct Attempt {
        std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
        bool told = false;  // of a long wait
    };
    // Whether the attempt has lasted as long as the bound; tells of a long
    // wait first.
    bool pastDeadline(Attempt& attempt);
    // Takes the lock of the file the name leads to now, within the bound of
    // the attempt; locked is its state under the lock.
    bool lockNamedFile(struct stat& locked, Attempt& attempt);
    // Opens the file the name leads to now in place of the open one, unless
    // the attempt is past its bound.
    bool nextFile(Attempt& attempt);
    // Whether the pending bytes may follow the file as it is under the lock
    // (locked); base then holds what they go after where it is known
    // without another read, or the file's bytes read now into current.
    bool checkWhatTheyFollow(const struct stat& locked, std::string& current, const std::string*& base);
    // Puts a new file holding base (the locked file's bytes, read now when
    // null) and the pending ones in the place of the locked file, where it
    // can be that file in every respect. NameChanged when the name no
    // longer leads to the locked file; Failed when the file changed while
    // the new one was made.
    Replacement replace(const struct stat& locked, const std::string* base, std::string& current);
    // Writes the pending bytes at the end seen under the lock, every signal
    // held back; a failure cuts the file back to that end.
    bool appendInPlace(const struct stat& locked, bool spansPages);
    // Records why close() failed; false, with errno error. The second form
    // adds error's text to why.
    bool fail(const std::string& why, int error);
    bool failWithError(const std::string& why, int error);

    platform::FileAt file_;
    // The file at fd_ was replaced by a new one at close.
    bool replaced_ = false;
    int fd_ = -1;
    Mode mode_ = Mode::Closed;
    int lastErrno_ = 0;
    std::string failure_;
    bool (*acceptsFormat_)(std::uint32_t) = nullptr;
    std::optional<R_ReadImage> image_;
    bool (*follows_)(const char*, std::size_t) = nullptr;
    std::chrono::milliseconds lockWait_;
    std::function<void()> onLongWait_;
    std::string pending_;
    U_CountedPtr<R_WriterTables> tables_;
};
