#pragma once

#include <istream>
#include <string>

/// One option of a command line: its keyword, whether any source gave it, and
/// a value that the option reads from the parser's word stream. The kinds
/// (C_OptionKinds.h) say how a value is read, printed and reset.
class C_OptionBase {
public:
    explicit C_OptionBase(std::string keyword);
    C_OptionBase(const C_OptionBase&) = default;
    C_OptionBase& operator=(const C_OptionBase&) = delete;
    virtual ~C_OptionBase();

    // The value as the settings listing prints it.
    virtual std::string toString() const = 0;
    // Back to the kind's initial value; the set flag stays.
    virtual void reset();
    // Reads the value from words (attached: words holds only the text after
    // the keyword). Returns true; throws the option exceptions on a bad or
    // missing value, leaving the value as it was.
    virtual bool parse(std::istream& words, const bool& attached) = 0;

    // Marks the option as given, then parses; the mark stays when parse
    // throws. Returns what parse returns.
    bool set(std::istream& words, const bool& attached);
    // reset, then the option counts as not given.
    void unset();

    // The option's own keyword, lower case.
    std::string name() const { return keyword_; }
    // True once a source gave the option, until unset.
    bool isSet() const noexcept { return set_; }

    // The next line of words without its line feed, one leading "=" removed.
    // Throws C_ValueExpectedException naming keyword when words has no line
    // left.
    static std::string readValue(const std::string& keyword, std::istream& words);

private:
    std::string keyword_;
    bool set_ = false;
};
