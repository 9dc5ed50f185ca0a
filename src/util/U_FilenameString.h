#pragma once

#include <cstddef>
#include <ostream>
#include <set>
#include <string>

/// Order of interned file names: shorter names first; names of equal length
/// byte by byte as unsigned, with only A to Z folded to lower case. Names
/// that differ only in letter case are therefore one entry.
struct FilenameStringCompare {
    // Negative, zero or positive.
    static int compare(const char* a, std::size_t lengthA, const char* b, std::size_t lengthB) noexcept;
    bool operator()(const std::string& a, const std::string& b) const noexcept
    {
        return compare(a.data(), a.size(), b.data(), b.size()) < 0;
    }
};

/// Process-wide store holding one copy of each distinct text under Compare.
/// Entries are never removed or changed, so a stored text keeps its address
/// until exit.
template <class Compare>
class U_SingletonStringStore {
public:
    virtual ~U_SingletonStringStore() = default;

    static U_SingletonStringStore& instance()
    {
        static U_SingletonStringStore store;
        return store;
    }

    // The address of the stored text equal to text under Compare; a copy is
    // inserted when there is none.
    const std::string* intern(const std::string& text) { return &*entries_.insert(text).first; }
    const std::string* intern(const char* text) { return intern(std::string(text)); }

    std::size_t size() const noexcept { return entries_.size(); }

private:
    U_SingletonStringStore() = default;
    std::set<std::string, Compare> entries_;
};

using U_FilenameStore = U_SingletonStringStore<FilenameStringCompare>;

/// Handle to an interned file name, compared and ordered by identity. The
/// text it shows is the spelling that was interned first.
class U_FilenameString {
public:
    // The null handle.
    U_FilenameString();
    explicit U_FilenameString(const std::string& text);
    explicit U_FilenameString(const char* text);

    bool isValid() const noexcept { return text_ != nullptr; }
    // The stored text, every byte of it: a name read from a message file is
    // a counted string and may hold NUL bytes. "" for the null handle.
    const std::string& text() const noexcept;
    // A copy of text().
    std::string str() const { return text(); }
    // The stored characters, NUL-terminated, so a name that holds a NUL
    // ends at it here: text() has them all. "" for the null handle.
    const char* c_str() const noexcept { return text().c_str(); }

    bool operator==(const U_FilenameString& o) const noexcept { return text_ == o.text_; }
    bool operator!=(const U_FilenameString& o) const noexcept { return text_ != o.text_; }
    bool operator<(const U_FilenameString& o) const noexcept { return std::less<const std::string*>()(text_, o.text_); }

private:
    const std::string* text_ = nullptr;
};

// Writes every byte of the stored text.
std::ostream& operator<<(std::ostream& out, const U_FilenameString& name);
