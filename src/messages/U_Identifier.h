#pragma once

#include <functional>

class U_IdentifierStore;

/// An interned NUL-terminated text (a macro name). Two identifiers are equal
/// exactly when their texts are, and that is decided by their pointers alone;
/// the text lives in the process-wide U_IdentifierStore until exit.
class U_Identifier {
public:
    // The identifier of text up to its first NUL, interned in
    // U_IdentifierStore::instance(). Fails only when memory runs out or the
    // text is longer than the store takes (std::length_error).
    explicit U_Identifier(const char* text);

    // The interned text, NUL-terminated.
    const char* c_str() const noexcept { return text_; }

    bool operator==(U_Identifier o) const noexcept { return text_ == o.text_; }
    bool operator!=(U_Identifier o) const noexcept { return text_ != o.text_; }
    // By address: fixed during a run, not between runs.
    bool operator<(U_Identifier o) const noexcept { return std::less<const char*>()(text_, o.text_); }

private:
    friend class U_IdentifierStore;
    struct Interned {};
    U_Identifier(Interned, const char* key) noexcept : text_(key) {}

    const char* text_;
};
