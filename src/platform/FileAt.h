#pragma once

#include <memory>
#include <string>
#include <utility>

#include <fcntl.h>

namespace platform {

/// A file named relative to a directory: name is looked up in dir and
/// nowhere else. dir is an open directory's descriptor (name then one entry
/// of it), or AT_FDCWD (name then any path, as open(2) takes it). A
/// directory that its table may close meanwhile is kept open by holder for
/// as long as any copy of the FileAt lives.
struct FileAt {
    FileAt() = default;
    FileAt(int directory, std::string entry, std::shared_ptr<const void> keepOpen = nullptr)
        : dir(directory), name(std::move(entry)), holder(std::move(keepOpen))
    {
    }

    int dir = AT_FDCWD;
    std::string name;
    std::shared_ptr<const void> holder;
};

} // namespace platform
