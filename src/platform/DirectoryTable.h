#pragma once

#include "platform/RegularFile.h"

#include <cstddef>
#include <list>
#include <map>
#include <memory>
#include <string>

#include <sys/types.h>

namespace platform {

/// The directories a run writes into, each known by its absolute form, its
/// text folded as the program folds every output directory ("out",
/// "./out", its full path and "link/../out" are one), looked up at its
/// first use (links followed as openPathAt allows) and known from then on
/// as the directory it was then: every file reached through the table is
/// looked up in that directory, so renaming it or one of its parents
/// meanwhile, or putting a link in its place, changes nothing. At most a
/// few are kept open, the least recently used closed first; one closed is
/// looked up again at its next use and taken only where it is still the
/// same directory (else kSwappedDirectory).
class DirectoryTable {
public:
    // The directories kept open at once; a run of many output directories
    // needs no more descriptors than this.
    static constexpr std::size_t kOpenAtMost = 4;

    explicit DirectoryTable(std::size_t openAtMost = kOpenAtMost) : openAtMost_(openAtMost) {}
    DirectoryTable(const DirectoryTable&) = delete;
    DirectoryTable& operator=(const DirectoryTable&) = delete;

    // The file path names, as its entry in its directory's descriptor,
    // which the FileAt keeps open for as long as it lives; dir is -1 (errno
    // set: that of the lookup, kSwappedDirectory for a directory that is no
    // longer the one first opened) when the directory cannot be had; a
    // directory never opened is tried again at the next call. A path whose
    // last component is no entry ("", ".", "..", a trailing "/") stays a
    // path from the current directory.
    FileAt locate(const std::string& path);

private:
    struct Open;
    // What a spelling of a directory led to at its first use.
    struct Identity {
        dev_t device = 0;
        ino_t inode = 0;
    };

    // The open directory text spells; null (errno set) when it cannot be
    // had.
    std::shared_ptr<const Open> open(const std::string& text);

    std::size_t openAtMost_;
    std::map<std::string, std::string> absoluteOf_;  // each spelling's absolute form
    std::map<std::string, Identity> known_;        // by absolute form
    std::list<std::shared_ptr<const Open>> open_;  // the most recently used first
};

// Whether file exists (a link: whether what it leads to does).
bool existsAt(const FileAt& file);

} // namespace platform
