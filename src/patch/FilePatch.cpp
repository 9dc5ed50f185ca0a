#include "patch/FilePatch.h"

#include <iterator>
#include <utility>

namespace {

// Line numbers come from untrusted text, so sums and differences wrap as
// 32-bit values instead of overflowing.
std::int32_t wrapAdd(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

std::int32_t wrapSub(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

bool covers(const LineMapping& m, std::int32_t line)
{
    return line == m.first || line == m.last || (m.first < line && line < m.last);
}

// The line moved by the offset that m gives its first line.
std::int32_t shiftedBy(const LineMapping& m, std::int32_t line)
{
    return m.target == -1 ? -1 : wrapAdd(line, wrapSub(m.target, m.first));
}

} // namespace

FilePatch::FilePatch(std::string name) : name_(std::move(name)) {}

void FilePatch::insert(std::int32_t first, std::int32_t last, std::int32_t target)
{
    mappings_.insert(LineMapping{first, last, target});
}

void FilePatch::add(std::int32_t n, LineRange newRange)
{
    insert(wrapAdd(n, 1), wrapAdd(n, 1), wrapAdd(newRange.second, 1));
}

void FilePatch::remove(LineRange oldRange, std::int32_t k)
{
    insert(oldRange.first, oldRange.second, -1);
    insert(wrapAdd(oldRange.second, 1), wrapAdd(oldRange.second, 1), wrapAdd(k, 1));
}

void FilePatch::change(LineRange oldRange, LineRange newRange)
{
    insert(oldRange.first, oldRange.second, -1);
    insert(wrapAdd(oldRange.second, 1), wrapAdd(oldRange.second, 1), wrapAdd(newRange.second, 1));
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
    return wrapAdd(line, wrapSub(p->target, p->last));
}
