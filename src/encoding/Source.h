#pragma once

#include "encoding/U_RcString.h"

#include <cstdint>
#include <cstdio>
#include <istream>
#include <vector>

/// A character source the byte translators read one byte at a time, so that
/// one translator serves strings, files and standard streams alike.
class Source {
public:
    Source() = default;
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    virtual ~Source() = default;

    // Ends reading; does nothing here.
    virtual void Close() {}
    // The next byte as 0 to 255, or -1 at the end of the input.
    virtual std::int32_t Get() = 0;
    // Gives one byte back: the next Get returns it.
    virtual void Unget(std::int32_t c) = 0;
};

/// Reads the bytes of a U_RcString up to its zero byte.
class StringSource final : public Source {
public:
    StringSource() = default;

    // Reads text from its start.
    void setText(U_RcString text);
    // Replaces the text with the empty text.
    void Close() override;
    // The byte at the position, or -1 without moving at the terminating zero.
    std::int32_t Get() override;
    // Steps back one byte unless at the start; c itself is ignored.
    void Unget(std::int32_t c) override;

private:
    U_RcString text_;
    std::uint32_t position_ = 0;
};

/// Reads a file, in blocks. At its end until opened, again after the end of the
/// file or Close, and revived by Unget. A read error is reported on standard
/// error and then read as the end.
class FileSource final : public Source {
public:
    FileSource();
    ~FileSource() override;

    // Opens path for reading; false when it cannot be opened or is no
    // regular file.
    bool open(U_RcString path);
    // Reads file, open for reading and now this source's to close, from
    // where it stands; false for a null file.
    bool open(std::FILE* file);
    // Closes the file; from now on at the end.
    void Close() override;
    // The next byte, or -1 at the end, on a read error or without a file.
    std::int32_t Get() override
    {
        if (next_ < end_)
            return buffer_[next_++];
        return refill();
    }
    // Pushes c back (as an unsigned byte) and leaves the end state.
    void Unget(std::int32_t c) override;

private:
    std::int32_t refill();

    std::FILE* file_ = nullptr;
    bool atEnd_ = true;
    // Bytes read ahead are buffer_[next_, end_). Blocks are read in after a
    // reserve, so that bytes given back fit in front of next_.
    std::vector<unsigned char> buffer_;
    std::size_t next_ = 0;
    std::size_t end_ = 0;
};

/// Reads an input stream it does not own.
class StreamSource final : public Source {
public:
    explicit StreamSource(std::istream& in) : in_(&in) {}

    // The stream's next character, or -1 at its end.
    std::int32_t Get() override;
    // Puts c back into the stream, also after its end was met.
    void Unget(std::int32_t c) override;

private:
    std::istream* in_;
};
