#pragma once

#include "messages/R_WriterTables.h"
#include "util/U_CountedPtr.h"

#include <cstdint>
#include <cstdio>
#include <string>

/// Writes the primitives of a message file (bytes, little-endian ints,
/// counted strings) for one open of one file, with the id tables of the
/// section it writes. Nothing reaches the file before close(): the bytes are
/// kept in memory and written with one write, so a failure or an exception
/// part way leaves the file as it was. A writer that is never opened only
/// collects its bytes (see pending()).
class R_Writer {
public:
    // path is in the product's native encoding; no file is opened yet.
    explicit R_Writer(std::string path);
    // Drops the bytes not yet written and lets go of the file without
    // writing them.
    ~R_Writer();
    R_Writer(const R_Writer&) = delete;
    R_Writer& operator=(const R_Writer&) = delete;

    // Creates or truncates the file; false (errno in openErrno()) when it
    // cannot be opened or is not a regular file.
    bool openNew();
    // Opens the file to add bytes at its end, creating it when missing;
    // false as openNew().
    bool openAppend();
    // Opens an existing file to add bytes at its end; a missing file is not
    // created (false as openNew()).
    bool openAppendExisting();
    // The errno of the last failed open or close; 0 when none failed.
    int lastErrno() const noexcept { return lastErrno_; }

    // Writes the pending bytes with one write and closes the file. False
    // when no file was open, or when writing, flushing or closing failed:
    // the file is then cut back to its size at open. The pending bytes are
    // dropped either way.
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
    // Takes over fd after checking it is a regular file; false otherwise.
    bool adopt(int fd);

    std::string path_;
    std::FILE* file_ = nullptr;
    long long sizeAtOpen_ = 0;
    int lastErrno_ = 0;
    std::string pending_;
    U_CountedPtr<R_WriterTables> tables_;
};
