#pragma once

#include "platform/RegularFile.h"

#include <map>
#include <string>

namespace platform {

/// The directories a run writes into, each opened once, at its first use,
/// and kept open until the table goes: every file reached through the table
/// is looked up in the directory that was opened then, so renaming that
/// directory or one of its parents meanwhile, or putting a link in its
/// place, changes nothing. A directory is known by its absolute form, its
/// text folded (no link resolved): "out", "./out" and its full path are one.
class DirectoryTable {
public:
    DirectoryTable() = default;
    // Closes every directory it opened.
    ~DirectoryTable();
    DirectoryTable(const DirectoryTable&) = delete;
    DirectoryTable& operator=(const DirectoryTable&) = delete;

    // The descriptor of the directory path names (O_PATH: it need not be
    // readable), opened at the first call for it; -1 (errno set) when it
    // cannot be opened, which is tried again at the next call.
    int directory(const std::string& path);
    // The file path names, as its entry in its directory's descriptor; dir
    // is -1 (errno set) when the directory cannot be opened. A path whose
    // last component is no entry ("", ".", "..", a trailing "/") stays a
    // path from the current directory.
    FileAt locate(const std::string& path);

private:
    std::map<std::string, int> byText_;      // as the callers spelled it
    std::map<std::string, int> byAbsolute_;  // owns the descriptors
};

// Whether file exists (a link: whether what it leads to does).
bool existsAt(const FileAt& file);

} // namespace platform
