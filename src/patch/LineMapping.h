#pragma once

#include <cstdint>

/// One block of old lines and where its first line stands in the new version
/// of a file; target -1 means the block has no counterpart there. Mappings
/// order by (first, last); target takes no part, so (first, last) is the key.
struct LineMapping {
    std::int32_t first = 0;
    std::int32_t last = 0;
    std::int32_t target = 0;

    bool operator<(const LineMapping& o) const noexcept
    {
        return first != o.first ? first < o.first : last < o.last;
    }
};

/// The two numbers of a range of a change command; second equals first when
/// the command names a single line.
struct LineRange {
    std::int32_t first = 0;
    std::int32_t second = 0;
};
