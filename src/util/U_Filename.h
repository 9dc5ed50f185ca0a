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

    // The stored full name and name as given, as internal text.
    std::string fullName() const { return fullName_.str(); }
    std::string name() const { return name_.str(); }

    U_FilenameString fullNameHandle() const noexcept { return fullName_; }
    U_FilenameString nameHandle() const noexcept { return name_; }
    // Copies of the two texts as they are stored.
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
