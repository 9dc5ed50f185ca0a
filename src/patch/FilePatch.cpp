#include "patch/FilePatch.h"

#include <iterator>
#include <limits>
#include <utility>

namespace {

constexpr std::int64_t kMinLine = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kMaxLine = std::numeric_limits<std::int32_t>::max();

bool covers(const LineMapping& m, std::int32_t line)
{
    return line == m.first || line == m.last || (m.first < line && line < m.last);
}

// line moved by target - from, or -1 when the result is no 32-bit line: a
// line number never wraps round to some other line.
std::int32_t moved(std::int32_t line, std::int32_t target, std::int32_t from)
{
    const std::int64_t result = static_cast<std::int64_t>(line) + target - from;
    if (result < kMinLine || result > kMaxLine)
        return -1;
    return static_cast<std::int32_t>(result);
}

// The line moved by the offset that m gives its first line.
std::int32_t shiftedBy(const LineMapping& m, std::int32_t line)
{
    return m.target == -1 ? -1 : moved(line, m.target, m.first);
}

// The line after line; false when there is none in the 32-bit range.
bool next(std::int32_t line, std::int32_t& after)
{
    if (line == kMaxLine)
        return false;
    after = line + 1;
    return true;
}

} // namespace

FilePatch::FilePatch(std::string name) : name_(std::move(name)) {}

void FilePatch::insert(std::int32_t first, std::int32_t last, std::int32_t target)
{
    mappings_.insert(LineMapping{first, last, target});
}

bool FilePatch::add(std::int32_t n, LineRange newRange)
{
    std::int32_t line = 0, target = 0;
    if (!next(n, line) || !next(newRange.second, target))
        return false;
    insert(line, line, target);
    return true;
}

bool FilePatch::remove(LineRange oldRange, std::int32_t k)
{
    std::int32_t line = 0, target = 0;
    if (!next(oldRange.second, line) || !next(k, target))
        return false;
    insert(oldRange.first, oldRange.second, -1);
    insert(line, line, target);
    return true;
}

bool FilePatch::change(LineRange oldRange, LineRange newRange)
{
    std::int32_t line = 0, target = 0;
    if (!next(oldRange.second, line) || !next(newRange.second, target))
        return false;
    insert(oldRange.first, oldRange.second, -1);
    insert(line, line, target);
    return true;
}

std::int32_t FilePatch::mapLine(std::int32_t line) const
{
    if (mappings_.empty())
        return line;
    // E: the first mapping not before (line, 0); P: the one before it, E
    // itself when E is the first, the last mapping when there is no E.
    const auto e = mappings_.lower_bound(LineMapping{line, 0, 0});
    const auto p = e == mappings_.begin() ? e : std::prev(e);
    if (e != mappings_.end() && covers(*e, line))
        return shiftedBy(*e, line);
    if (covers(*p, line))
        return shiftedBy(*p, line);
    if (e == mappings_.begin())
        return line;
    // Past the block: the shift that resumes after P's last line.
    return moved(line, p->target, p->last);
}
