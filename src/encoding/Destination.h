#pragma once

#include "encoding/U_RcString.h"

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

/// A character destination the byte translators write one byte at a time.
class Destination {
public:
    Destination() = default;
    Destination(const Destination&) = delete;
    Destination& operator=(const Destination&) = delete;
    virtual ~Destination() = default;

    // Ends writing; does nothing here.
    virtual void Close() {}
    // Writes the four bytes of value, in the byte order of the kind.
    virtual void PutInt(std::int32_t value) = 0;
    // Writes the low 8 bits of c.
    virtual void Put(std::int32_t c) = 0;
    // Writes the text.
    virtual void PutString(U_RcString text) = 0;
};

/// Collects what is written in a U_RcString.
class StringDestination final : public Destination {
public:
    StringDestination() = default;

    // Does nothing.
    void PutInt(std::int32_t value) override;
    // Appends the byte (a zero byte ends the text and is not kept).
    void Put(std::int32_t c) override;
    // Appends the text.
    void PutString(U_RcString text) override;
    // What was written.
    const U_RcString& text() const noexcept { return text_; }

private:
    U_RcString text_;
};

/// Collects what is written in a std::string, which grows geometrically, so
/// collecting a text costs time linear in its length; for results handed on
/// as a std::string, where no capacity is seen. What it keeps is what a
/// StringDestination keeps.
class StdStringDestination final : public Destination {
public:
    StdStringDestination() = default;

    // Does nothing.
    void PutInt(std::int32_t value) override;
    // Appends the byte; a zero byte is not kept.
    void Put(std::int32_t c) override
    {
        if (static_cast<char>(c) != '\0')
            text_.push_back(static_cast<char>(c));
    }
    // Appends the text.
    void PutString(U_RcString text) override;
    // What was written, handed over; the destination is empty afterwards.
    std::string take() noexcept;

private:
    std::string text_;
};

/// Writes a file, in blocks; what is still held is written by Close or by the
/// destructor.
class FileDestination final : public Destination {
public:
    FileDestination();
    ~FileDestination() override;

    // Creates or truncates path for writing ("w"); false when it cannot.
    bool open(U_RcString path);
    // Creates path for writing, exclusively: false when it exists already
    // (also as a link) or cannot be made. For converted copies of files.
    bool openExclusive(U_RcString path);
    // Writes what is held and closes the file.
    void Close() override;
    // Writes the four bytes, least significant first.
    void PutInt(std::int32_t value) override;
    void Put(std::int32_t c) override
    {
        if (used_ == buffer_.size())
            flush();
        buffer_[used_++] = static_cast<unsigned char>(c);
    }
    void PutString(U_RcString text) override;
    // True when a write or the close of the file failed since open.
    bool failed() const noexcept { return failed_; }

private:
    void flush();

    std::FILE* file_ = nullptr;
    std::vector<unsigned char> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
};

/// Writes to an output stream it does not own; does nothing without one.
class StreamDestination final : public Destination {
public:
    explicit StreamDestination(std::ostream* out) : out_(out) {}

    // Writes the four bytes, most significant first.
    void PutInt(std::int32_t value) override;
    void Put(std::int32_t c) override;
    void PutString(U_RcString text) override;

private:
    std::ostream* out_;
};
