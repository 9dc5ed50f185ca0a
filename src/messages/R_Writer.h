#pragma once

#include "messages/R_WriterTables.h"
#include "util/U_CountedPtr.h"

#include <cstdint>
#include <string>

struct stat;

/// Writes the primitives of a message file (bytes, little-endian ints,
/// counted strings) for one open of one file, with the id tables of the
/// section it writes. Nothing reaches the file before close(): the bytes are
/// kept in memory, so a failure or an exception part way leaves the file as
/// it was. An append becomes visible in one step, under an exclusive lock
/// (flock) on the file: bytes that fit in the file's last page are written
/// in place with one write (the kernel lands such a write whole or not at
/// all, even under SIGKILL); larger ones go with the file's bytes as they
/// are then into a new file beside it, which is renamed over the name.
/// Other writers that append the same way wait for the lock and then take
/// the file as it is named, so every one's bytes land whole, in some order.
/// A writer that is never opened only collects its bytes (see pending()).
class R_Writer {
public:
    // path is in the product's native encoding; no file is opened yet.
    explicit R_Writer(std::string path);
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
    // Makes close() of an append add nothing unless the file, as it is under
    // the lock, begins with a header of 8 bytes whose first int (the format
    // id) accepts takes: another program may have put something else at the
    // name since it was checked.
    void requireFormat(bool (*accepts)(std::uint32_t formatId)) noexcept { acceptsFormat_ = accepts; }
    // The errno of the last failed open or close; 0 when none failed.
    int lastErrno() const noexcept { return lastErrno_; }

    // Writes the pending bytes and closes the file. After openNew(): one
    // write into the file. After an append open: the lock, then one write
    // in place when the bytes fit in the file's last page, else the new file
    // renamed over the name (a symbolic link's target is replaced, the link
    // stays), with the old file's mode and, where the process may, its
    // owner. Where the directory takes no new file, the bytes are added in
    // place with one write under the same lock, the catchable signals held
    // back over it. False when no file was open, or when a step failed: the
    // file is then as it was under the lock (an in-place write is cut back to
    // that size, so bytes others added stay). The pending bytes are dropped
    // either way.
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

    // Takes over fd after checking it is a regular file; false otherwise.
    bool adopt(int fd, Mode mode);
    // The two ways of close(); each leaves no file open.
    bool closeNew();
    bool closeAppend();
    // Adds the pending bytes under the lock held on fd_, whose state then is
    // locked: in place when they fit in the file's last page, else by
    // replacing target, or in place where the directory takes no new file.
    bool replaceOrAppend(const struct stat& locked);
    // One write of the pending bytes at the end seen under the lock, the
    // catchable signals held back when it spans pages; a failure cuts the
    // file back to that end.
    bool appendInPlace(const struct stat& locked, bool spansPages);

    // The file at fd_ was replaced by a new one at close.
    bool replaced_ = false;
    std::string path_;
    int fd_ = -1;
    Mode mode_ = Mode::Closed;
    int lastErrno_ = 0;
    bool (*acceptsFormat_)(std::uint32_t) = nullptr;
    std::string pending_;
    U_CountedPtr<R_WriterTables> tables_;
};
