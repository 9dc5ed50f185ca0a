#pragma once

#include <cstdint>
#include <ostream>

/// A shared byte text ending in a zero byte, with a running hash kept as it
/// grows. Handles share one representation; a handle about to change a shared
/// text first takes a private copy. The text never holds a zero byte before its
/// end. Reference counts are plain integers: one thread only.
class U_RcString {
public:
    // The empty text (capacity 16).
    U_RcString();
    // A copy of text up to its zero byte; null gives the empty text.
    explicit U_RcString(const char* text);
    U_RcString(const U_RcString& other) noexcept;
    ~U_RcString();

    // Shares other's representation.
    U_RcString& operator=(const U_RcString& other) noexcept;
    // Replaces the text; overwritten in place when this handle is the only holder.
    U_RcString& operator=(const char* text);

    // Appends one byte; a zero byte is not appended (it would end the text).
    U_RcString& operator+=(char c);
    // Appends other's text (this handle's own text included).
    U_RcString& operator+=(const U_RcString& other);

    // The zero-terminated text, valid until this handle changes it.
    const char* c_str() const noexcept { return rep_->text; }
    // Bytes before the terminating zero.
    std::uint64_t length() const noexcept { return rep_->length; }
    // Size of the byte array (capacity rules: see U_RcString.cpp).
    std::uint64_t capacity() const noexcept { return rep_->capacity; }
    // hash = hash * 16 XOR each byte sign-extended, over the whole text.
    std::uint64_t hash() const noexcept { return rep_->hash; }

    // Same text: hash and length first, then the bytes.
    friend bool operator==(const U_RcString& a, const U_RcString& b) noexcept;
    friend bool operator!=(const U_RcString& a, const U_RcString& b) noexcept { return !(a == b); }

private:
    struct Rep {
        char* text;
        std::uint32_t refs;
        std::uint64_t length;
        std::uint64_t capacity;
        std::uint64_t hash;
    };

    static Rep* makeRep(const char* text, std::uint64_t length);
    void release() noexcept;
    void makePrivate();
    void grow(std::uint64_t extra);
    void appendBytes(const char* bytes, std::uint64_t count);

    Rep* rep_;
};

// Writes the text to out.
std::ostream& operator<<(std::ostream& out, const U_RcString& text);
