#include "encoding/U_RcString.h"

#include <cstring>
#include <string>

namespace {

// The smallest multiple of 16 above length + 1.
std::uint64_t capacityFor(std::uint64_t length)
{
    return (length + 1) / 16 * 16 + 16;
}

std::uint64_t hashStep(std::uint64_t hash, char c)
{
    const auto extended = static_cast<std::int64_t>(static_cast<signed char>(c));
    return (hash << 4) ^ static_cast<std::uint64_t>(extended);
}

std::uint64_t hashOf(const char* bytes, std::uint64_t count)
{
    std::uint64_t hash = 0;
    for (std::uint64_t i = 0; i < count; ++i)
        hash = hashStep(hash, bytes[i]);
    return hash;
}

} // namespace

U_RcString::Rep* U_RcString::makeRep(const char* text, std::uint64_t length)
{
    const std::uint64_t capacity = capacityFor(length);
    char* bytes = new char[capacity];
    if (length != 0)
        std::memcpy(bytes, text, length);
    bytes[length] = '\0';
    return new Rep{bytes, 1, length, capacity, hashOf(bytes, length)};
}

U_RcString::U_RcString() : rep_(makeRep("", 0)) {}

U_RcString::U_RcString(const char* text)
    : rep_(text ? makeRep(text, std::strlen(text)) : makeRep("", 0))
{
}

U_RcString::U_RcString(const U_RcString& other) noexcept : rep_(other.rep_)
{
    ++rep_->refs;
}

U_RcString::~U_RcString()
{
    release();
}

void U_RcString::release() noexcept
{
    if (--rep_->refs == 0) {
        delete[] rep_->text;
        delete rep_;
    }
}

U_RcString& U_RcString::operator=(const U_RcString& other) noexcept
{
    ++other.rep_->refs;
    release();
    rep_ = other.rep_;
    return *this;
}

U_RcString& U_RcString::operator=(const char* text)
{
    if (!text)
        text = "";
    // The new text may lie inside our own array, which growing frees.
    const char* begin = rep_->text;
    if (text >= begin && text < begin + rep_->capacity) {
        const std::string copy(text);
        return *this = copy.c_str();
    }
    const std::uint64_t length = std::strlen(text);
    if (rep_->refs != 1) {
        Rep* fresh = makeRep(text, length);
        release();
        rep_ = fresh;
        return *this;
    }
    if (length > rep_->length)
        grow(length - rep_->length);
    std::memcpy(rep_->text, text, length + 1);
    rep_->length = length;
    rep_->hash = hashOf(rep_->text, length);
    return *this;
}

void U_RcString::makePrivate()
{
    if (rep_->refs == 1)
        return;
    Rep* copy = makeRep(rep_->text, rep_->length);
    --rep_->refs;
    rep_ = copy;
}

// Growing by extra bytes: (capacity + extra) rounded down to 16, plus 16.
void U_RcString::grow(std::uint64_t extra)
{
    if (rep_->length + extra < rep_->capacity)
        return;
    const std::uint64_t capacity = (rep_->capacity + extra) / 16 * 16 + 16;
    char* bytes = new char[capacity];
    std::memcpy(bytes, rep_->text, rep_->length + 1);
    delete[] rep_->text;
    rep_->text = bytes;
    rep_->capacity = capacity;
}

void U_RcString::appendBytes(const char* bytes, std::uint64_t count)
{
    char* end = rep_->text + rep_->length;
    std::memcpy(end, bytes, count);
    end[count] = '\0';
    std::uint64_t hash = rep_->hash;
    for (std::uint64_t i = 0; i < count; ++i)
        hash = hashStep(hash, end[i]);
    rep_->hash = hash;
    rep_->length += count;
}

U_RcString& U_RcString::operator+=(char c)
{
    if (c == '\0')
        return *this;
    makePrivate();
    grow(1);
    appendBytes(&c, 1);
    return *this;
}

U_RcString& U_RcString::operator+=(const U_RcString& other)
{
    const std::uint64_t count = other.rep_->length;
    if (count == 0)
        return *this;
    makePrivate();
    grow(count);
    // Read other's array only now: when other is this handle, growing moved it.
    // The appended copy never overlaps its source: it starts at the old end.
    appendBytes(other.rep_->text, count);
    return *this;
}

bool operator==(const U_RcString& a, const U_RcString& b) noexcept
{
    if (a.rep_ == b.rep_)
        return true;
    return a.rep_->hash == b.rep_->hash && a.rep_->length == b.rep_->length
        && std::memcmp(a.rep_->text, b.rep_->text, a.rep_->length) == 0;
}

std::ostream& operator<<(std::ostream& out, const U_RcString& text)
{
    return out << text.c_str();
}
