#pragma once

#include "messages/R_ReaderCaches.h"
#include "platform/Descriptor.h"
#include "platform/RegularFile.h"
#include "util/U_CountedPtr.h"

#include <cstdint>
#include <memory>
#include <string>

#include <sys/stat.h>

/// A file as one reader read it: its bytes, and its state then (identity,
/// size, times), by which a writer can tell, without reading it again, that
/// the file is still that one with those bytes.
struct R_ReadImage {
    std::string bytes;
    // The file read, still open for reading: a writer of the section opens
    // it again without looking its name up. Null where there is none.
    std::shared_ptr<const platform::Descriptor> file;
    struct stat state {};
    // False when the file changed while it was read: its state then says
    // nothing of the bytes.
    bool stable = false;
};

/// Reads the primitives of a message file (bytes, little-endian ints,
/// counted strings) from one file, with the id caches of the section being
/// read. The file is read whole when it is opened and kept as it was read
/// (image()). It trusts no length from the file: a length beyond the bytes
/// the file holds is refused before anything is allocated.
class R_Reader {
public:
    // path is in the product's native encoding; no file is opened yet.
    explicit R_Reader(std::string path);
    // The file file.name in the directory file.dir.
    explicit R_Reader(platform::FileAt file);
    // Bytes in memory, open already: the reader reads image's bytes.
    explicit R_Reader(R_ReadImage image);
    ~R_Reader();
    R_Reader(const R_Reader&) = delete;
    R_Reader& operator=(const R_Reader&) = delete;

    // Opens the file and reads it whole; false when it cannot be opened or
    // is not a regular file (a directory or a FIFO), with the errno of the
    // failing call in openErrno() (EINVAL for a file that is not regular).
    // Never blocks on a FIFO. A read that fails part way keeps the bytes
    // before it; the failure is thrown where reading goes past them.
    bool open();
    // The errno of the failed open; 0 before any.
    int openErrno() const noexcept { return openErrno_; }

    // The bytes taken from the file so far: its size once atEnd() said so.
    std::uint64_t bytesRead() const noexcept { return position_; }
    // The file as open() read it.
    const R_ReadImage& image() const noexcept { return image_; }
    // Hands the image over; the reader is left without bytes.
    R_ReadImage takeImage() noexcept { return std::move(image_); }

    // True when no byte is left; throws R_ReadingEOFException when the read
    // of the file failed at this point.
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
    // the file holds at least length bytes more.
    void requireBytes(std::int64_t length);

    // Forgets the ids of the section read so far.
    void clearCaches() { caches_->clear(); }
    // What the ids of the section read so far stand for.
    R_ReaderCaches& caches() noexcept { return *caches_; }

private:
    platform::FileAt file_;
    bool open_ = false;
    R_ReadImage image_;
    std::size_t position_ = 0;
    // The errno of a read that failed after the bytes of the image; 0 when
    // the file was read to its end.
    int readErrno_ = 0;
    U_CountedPtr<R_ReaderCaches> caches_;
    int openErrno_ = 0;
};

// The int of four bytes, least significant first, as message files hold it.
inline std::uint32_t R_intOf(const unsigned char bytes[4]) noexcept
{
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

// One counted string; a negative length, or one beyond the bytes left, is a
// reading error (R_ReadingReadException) found before anything is read.
std::string R_readString(R_Reader& reader);
