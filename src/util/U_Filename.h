#pragma once

#include "util/U_FilenameString.h"

#include <string>

/// A file's identity: its absolute full name and its name as given, both
/// interned with "/" separators. Equality and order look at the full name's
/// handle only, so full names that differ only in letter case are one file.
/// The order is by address: fixed during a run, not between runs.
class U_Filename {
public:
    U_Filename() = default;
    U_Filename(const std::string& fullName, const std::string& name);

    // full name = U_Path::fullLongPath(path), name as given = path.
    static U_Filename fromLongPath(const std::string& path);

    // From a path in internal text: name as given = the path with "/"
    // separators, full name = its absolute form. Built with the
    // encoding-aware paths, which it needs.
    static U_Filename fromPath(const std::string& path);

    // The text by which messages show file: the full name when expand is
    // true, else the name as given.
    static std::string displayName(bool expand, const U_Filename& file);
    // displayName with the current command line's "expandfilenames" (on
    // while no command line is current). Both forms are defined in cmdline,
    // which owns the option (cmdline/U_FilenameDisplay.cpp); the form for a
    // given option set is C_Options::displayName.
    static std::string displayName(const U_Filename& file);

    // The stored full name and name as given, as internal text.
    std::string fullName() const { return fullName_.str(); }
    std::string name() const { return name_.str(); }

    U_FilenameString fullNameHandle() const noexcept { return fullName_; }
    U_FilenameString nameHandle() const noexcept { return name_; }
    // Copies of the two texts as they are stored, every byte.
    std::string storedFullName() const { return fullName_.str(); }
    std::string storedName() const { return name_.str(); }
    bool isValid() const noexcept { return fullName_.isValid(); }

    void swap(U_Filename& other) noexcept;

    bool operator==(const U_Filename& o) const noexcept { return fullName_ == o.fullName_; }
    bool operator!=(const U_Filename& o) const noexcept { return fullName_ != o.fullName_; }
    bool operator<(const U_Filename& o) const noexcept { return fullName_ < o.fullName_; }

private:
    U_FilenameString fullName_;
    U_FilenameString name_;
};
