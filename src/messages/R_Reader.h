#pragma once

#include "messages/R_ReaderCaches.h"
#include "util/U_CountedPtr.h"

#include <cstdint>
#include <cstdio>
#include <string>

/// Reads the primitives of a message file (bytes, little-endian ints, counted
/// strings) from one file, with the id caches of the section being read. It
/// trusts no length from the file: a length beyond the bytes the file still
/// holds is refused before anything is allocated.
class R_Reader {
public:
    // path is in the product's native encoding; no file is opened yet.
    explicit R_Reader(std::string path);
    // Closes the file when it is open.
    ~R_Reader();
    R_Reader(const R_Reader&) = delete;
    R_Reader& operator=(const R_Reader&) = delete;

    // Opens the file for reading; false when it cannot be opened or is not
    // a regular file (a directory or a FIFO), with the errno of the failing
    // call in openErrno() (EINVAL for a file that is not regular). Never
    // blocks on a FIFO.
    bool open();
    // The errno of the failed open; 0 before any.
    int openErrno() const noexcept { return openErrno_; }

    // The bytes taken from the file so far: its size once atEnd() said so.
    std::uint64_t bytesRead() const noexcept { return consumed_; }

    // True when no byte is left. Reads one byte ahead when it must; throws
    // R_ReadingEOFException when that read fails other than at the end.
    bool atEnd();

    // Fills buffer with size bytes; throws R_ReadingReadException when the
    // file ends first or the read fails.
    void readRaw(void* buffer, std::uint64_t size);
    std::uint8_t readByte();
    // Four bytes, least significant first.
    std::uint32_t readInt();
    // readInt() taken as two's complement.
    std::int32_t readSignedInt() { return static_cast<std::int32_t>(readInt()); }

    // Throws R_ReadingReadException (EINVAL) unless length is 0 or more and
    // the file still holds at least length bytes.
    void requireBytes(std::int64_t length);

    // Forgets the ids of the section read so far.
    void clearCaches() { caches_->clear(); }
    // What the ids of the section read so far stand for.
    R_ReaderCaches& caches() noexcept { return *caches_; }

private:
    std::string path_;
    std::FILE* file_ = nullptr;
    bool hasLookAhead_ = false;
    std::uint8_t lookAhead_ = 0;
    U_CountedPtr<R_ReaderCaches> caches_;
    int openErrno_ = 0;
    // Bytes taken from the stream (a held look-ahead byte included), and the
    // file's size when last asked.
    std::uint64_t consumed_ = 0;
    std::uint64_t size_ = 0;
};

// One counted string; a negative length, or one beyond the bytes left, is a
// reading error (R_ReadingReadException) found before anything is read.
std::string R_readString(R_Reader& reader);
