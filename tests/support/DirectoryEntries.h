#pragma once

// The names a directory holds, for tests that check nothing was left behind.

#include <algorithm>
#include <string>
#include <vector>

#include <dirent.h>

// Every name in the directory at path, sorted, "." and ".." left out; empty
// when it cannot be read.
inline std::vector<std::string> directoryEntries(const std::string& path)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(path.c_str())) {
        while (const dirent* entry = ::readdir(d)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}
