#pragma once

#include "cmdline/C_OptionBase.h"
#include "util/U_Filename.h"

#include <cstdint>
#include <string>
#include <vector>

class C_CmdArgs;

/// A switch: "-kw" turns it on, "-kw+" on, "-kw-" off.
class C_OptionBool : public C_OptionBase {
public:
    C_OptionBool(std::string keyword, bool defaultValue);
    // The value given last, else the default.
    bool value() const noexcept { return value_; }
    // "+ (on)" or "- (off)".
    std::string toString() const override;
    void reset() override;
    // Unattached: on, nothing read. Attached: the first character after white
    // space, "+" or "-"; anything else (or nothing) throws
    // C_InvalidArgValueException and keeps the value.
    bool parse(std::istream& words, const bool& attached) override;

private:
    bool value_;
    bool default_;
};

/// A signed 32-bit number; text that reads as no number gives 0, never an
/// error.
class C_OptionInt : public C_OptionBase {
public:
    C_OptionInt(std::string keyword, std::int32_t defaultValue);
    // The value given last, else the default.
    std::int32_t value() const noexcept { return value_; }
    // The value in signed decimal.
    std::string toString() const override;
    void reset() override;
    // The value text read as a stream reads an int; 0 without a number.
    bool parse(std::istream& words, const bool& attached) override;

private:
    std::int32_t value_;
    std::int32_t default_;
};

/// A text stored exactly as read.
class C_OptionString : public C_OptionBase {
public:
    explicit C_OptionString(std::string keyword);
    C_OptionString(std::string keyword, std::string defaultValue);
    // The value given last (internal text), else the default.
    const std::string& value() const noexcept { return value_; }
    std::string toString() const override;
    void reset() override;
    bool parse(std::istream& words, const bool& attached) override;

private:
    std::string value_;
    std::string default_;
};

/// A file name: read from the native encoding into internal text with "/"
/// separators, printed in the native encoding.
class C_OptionFilename : public C_OptionBase {
public:
    explicit C_OptionFilename(std::string keyword);
    // The value given last (internal text), else the default.
    const std::string& value() const noexcept { return value_; }
    std::string toString() const override;
    void reset() override;
    bool parse(std::istream& words, const bool& attached) override;

private:
    std::string value_;
    std::string default_;
};

/// A text read from the native encoding into internal text, printed in the
/// native encoding.
class C_OptionI8NString : public C_OptionBase {
public:
    explicit C_OptionI8NString(std::string keyword);
    // The value given last (internal text), else the default.
    const std::string& value() const noexcept { return value_; }
    std::string toString() const override;
    void reset() override;
    bool parse(std::istream& words, const bool& attached) override;

private:
    std::string value_;
    std::string default_;
};

/// Texts collected from every source in reading order, each stored as read.
class C_OptionStringList : public C_OptionBase {
public:
    using const_iterator = std::vector<std::string>::const_iterator;

    explicit C_OptionStringList(std::string keyword);
    // Every value given, in reading order; begin and end walk them.
    const std::vector<std::string>& values() const noexcept { return values_; }
    const_iterator begin() const noexcept { return values_.begin(); }
    const_iterator end() const noexcept { return values_.end(); }
    // Every value followed by ", ", the last one too.
    std::string toString() const override;
    void reset() override;
    bool parse(std::istream& words, const bool& attached) override;

protected:
    // Adds value at the end, as read.
    void append(const std::string& value) { values_.push_back(value); }

private:
    std::vector<std::string> values_;
};

/// Files collected from every source in reading order; one value is one
/// file, read like a file name.
class C_OptionFilenameList : public C_OptionBase {
public:
    using const_iterator = std::vector<U_Filename>::const_iterator;

    explicit C_OptionFilenameList(std::string keyword);
    // Every value given, in reading order; begin and end walk them.
    const std::vector<U_Filename>& values() const noexcept { return values_; }
    const_iterator begin() const noexcept { return values_.begin(); }
    const_iterator end() const noexcept { return values_.end(); }
    // Every file's display name (the current command line's rule) in the
    // native encoding, each followed by ", ".
    std::string toString() const override;
    // The same with the display rule of cmdArgs' options.
    virtual std::string toString(const C_CmdArgs* cmdArgs) const;
    void reset() override;
    bool parse(std::istream& words, const bool& attached) override;

private:
    std::string listText(bool expand) const;

    std::vector<U_Filename> values_;
};

/// Numbers of number lists ("1,5,10-12") collected from every source.
class C_OptionIntList : public C_OptionBase {
public:
    using const_iterator = std::vector<std::int32_t>::const_iterator;

    explicit C_OptionIntList(std::string keyword);
    // Every value given, in reading order; begin and end walk them.
    const std::vector<std::int32_t>& values() const noexcept { return values_; }
    const_iterator begin() const noexcept { return values_.begin(); }
    const_iterator end() const noexcept { return values_.end(); }
    // Runs of consecutive values as "first-last", items separated by a blank:
    // 1 2 3 5 7 8 gives "1-3 5 7-8".
    std::string toString() const override;
    void reset() override;
    bool parse(std::istream& words, const bool& attached) override;

private:
    std::vector<std::int32_t> values_;
};

/// Writes its value to standard output the moment it is read; stores nothing.
class C_OptionEcho : public C_OptionBase {
public:
    explicit C_OptionEcho(std::string keyword);
    std::string toString() const override;
    bool parse(std::istream& words, const bool& attached) override;
};

/// Sends the option its value names back to its initial state, unset.
class C_OptionForget : public C_OptionBase {
public:
    explicit C_OptionForget(std::string keyword);
    // A copy belongs to no command line.
    C_OptionForget(const C_OptionForget& other);

    // Binds the option to the command line whose options it forgets.
    void setOwner(C_CmdArgs* owner) noexcept { owner_ = owner; }
    // The bound command line; null for a copy.
    C_CmdArgs* owner() const noexcept { return owner_; }

    std::string toString() const override;
    // Looks the value up among the owner's keywords and aliases (longest
    // prefix) and unsets that option. Throws C_InvalidArgValueException when
    // nothing matches or the option belongs to no command line.
    bool parse(std::istream& words, const bool& attached) override;

private:
    C_CmdArgs* owner_ = nullptr;
};
