#include "messages/M_SuppressionIndex.h"

#include <algorithm>
#include <utility>

namespace {

using Entries = std::vector<M_SuppressionIndex::Entry>;
using Ranges = std::vector<M_SuppressionIndex::Range>;

// Opens a stretch unless the last one is still open; closes the last one when
// it is open. An open during an open stretch and a close without one do
// nothing.
void openOrClose(Ranges& ranges, const M_SuppressionIndex::Chain& chain, bool open)
{
    if (!ranges.empty() && ranges.back().end.empty()) {
        if (!open)
            ranges.back().end = chain;
    } else if (open) {
        ranges.push_back({chain, {}});
    }
}

// The first byNumber entry for number, or end.
Entries::const_iterator findNumber(const Entries& byNumber, std::int32_t number)
{
    auto it = std::lower_bound(byNumber.begin(), byNumber.end(), number,
                               [](const M_SuppressionIndex::Entry& e, std::int32_t n) { return e.first < n; });
    return it != byNumber.end() && it->first == number ? it : byNumber.end();
}

// The first byRange entry, in list order, that holds number, or end.
Entries::const_iterator findRange(const Entries& byRange, std::int32_t number)
{
    return std::find_if(byRange.begin(), byRange.end(), [number](const M_SuppressionIndex::Entry& e) {
        return e.first <= number && number <= e.last;
    });
}

// Where an entry starting at first goes: after every entry that starts at or
// before it.
Entries::iterator insertionPoint(Entries& list, std::int32_t first)
{
    return std::upper_bound(list.begin(), list.end(), first,
                            [](std::int32_t f, const M_SuppressionIndex::Entry& e) { return f < e.first; });
}

} // namespace

M_SuppressionIndex& M_SuppressionIndex::instance()
{
    static M_SuppressionIndex index;
    return index;
}

bool M_SuppressionIndex::hasEntries() const noexcept
{
    return !byNumber_.empty() || !byRange_.empty() || !all_.empty();
}

M_SuppressionIndex::Chain M_SuppressionIndex::includeChain(const U_Location& location)
{
    Chain chain{location};
    while (chain.back().hasInclLoc())
        chain.push_back(chain.back().inclLoc());
    return chain;
}

bool M_SuppressionIndex::chainLessEqual(const Chain& a, const Chain& b)
{
    if (a.empty())
        return false;
    if (b.empty())
        return true;
    bool answer = true;
    auto ia = a.rbegin();
    auto ib = b.rbegin();
    // Lines decide only while both places are in one file; a smaller line
    // does not settle the answer, the walk still goes inward.
    for (; ia != a.rend() && ib != b.rend(); ++ia, ++ib) {
        if (!U_Location::sameFile(*ia, *ib))
            break;
        answer = ia->line() <= ib->line();
        if (!answer)
            break;
    }
    return answer;
}

bool M_SuppressionIndex::inAnyRange(const Chain& chain, const std::vector<Range>& ranges)
{
    return std::any_of(ranges.begin(), ranges.end(), [&chain](const Range& r) {
        return chainLessEqual(r.start, chain) && chainLessEqual(chain, r.end);
    });
}

bool M_SuppressionIndex::isSuppressed(std::int32_t number, const U_Location& location) const
{
    // A diagnostic without a place lies in no stretch.
    if (!hasEntries() || !location)
        return false;
    const Chain chain = includeChain(location);
    const auto own = findNumber(byNumber_, number);
    if (own != byNumber_.end())
        return inAnyRange(chain, own->ranges);
    const auto range = findRange(byRange_, number);
    if (range != byRange_.end())
        return inAnyRange(chain, range->ranges);
    return inAnyRange(chain, all_);
}

bool M_SuppressionIndex::insertEntry(const Entry& entry)
{
    if (entry.last < entry.first)
        return false;
    if (entry.last > entry.first) {
        byRange_.insert(insertionPoint(byRange_, entry.first), entry);
        return true;
    }
    insertNumber(entry);
    return false;
}

void M_SuppressionIndex::insertPiece(std::int64_t first, std::int64_t last, const std::vector<Range>& ranges)
{
    // An empty piece may lie just outside the 32-bit numbers; a filled one
    // never does, since it lies inside a range that was.
    if (last < first)
        return;
    insertEntry({static_cast<std::int32_t>(first), static_cast<std::int32_t>(last), ranges});
}

void M_SuppressionIndex::insertNumber(Entry entry)
{
    entry.last = entry.first;
    const auto at = insertionPoint(byNumber_, entry.first);
    byNumber_.insert(at, std::move(entry));
}

void M_SuppressionIndex::beginEnd(std::int32_t number, const U_Location& location, bool open)
{
    const Chain chain = includeChain(location);
    const auto own = findNumber(byNumber_, number);
    if (own != byNumber_.end()) {
        openOrClose(byNumber_[static_cast<std::size_t>(own - byNumber_.cbegin())].ranges, chain, open);
        return;
    }
    const auto range = findRange(byRange_, number);
    if (range != byRange_.end()) {
        const Entry split = *range;
        byRange_.erase(range);
        Entry single{number, number, split.ranges};
        openOrClose(single.ranges, chain, open);
        insertNumber(std::move(single));
        insertPiece(split.first, std::int64_t{number} - 1, split.ranges);
        insertPiece(std::int64_t{number} + 1, split.last, split.ranges);
        return;
    }
    Entry single{number, number, all_};
    openOrClose(single.ranges, chain, open);
    insertNumber(std::move(single));
}

void M_SuppressionIndex::beginEndRange(std::int32_t first, std::int32_t last, const U_Location& location,
                                       bool open)
{
    // Checked here rather than left to the inserts: a range entry that
    // straddles both ends of a reversed range would otherwise be split into
    // two overlapping pieces.
    if (last < first)
        return;
    const Chain chain = includeChain(location);

    std::vector<std::int64_t> coveredNumbers;
    for (Entry& e : byNumber_) {
        if (first <= e.first && e.first <= last) {
            openOrClose(e.ranges, chain, open);
            coveredNumbers.push_back(e.first);
        }
    }

    // Entries that stick out of first..last are taken out and their pieces
    // filed afterwards, so that no piece is visited again.
    std::vector<std::pair<std::int64_t, std::int64_t>> coveredPieces;
    std::vector<Entry> straddling;
    for (auto it = byRange_.begin(); it != byRange_.end();) {
        if (it->first > last || it->last < first) {
            ++it;
        } else if (first <= it->first && it->last <= last) {
            openOrClose(it->ranges, chain, open);
            coveredPieces.emplace_back(it->first, it->last);
            ++it;
        } else {
            straddling.push_back(std::move(*it));
            it = byRange_.erase(it);
        }
    }
    for (Entry& r : straddling) {
        std::int64_t lo = r.first;
        std::int64_t hi = r.last;
        if (lo < first) {
            insertPiece(lo, std::int64_t{first} - 1, r.ranges);
            lo = first;
        }
        if (hi > last) {
            insertPiece(std::int64_t{last} + 1, hi, r.ranges);
            hi = last;
        }
        openOrClose(r.ranges, chain, open);
        coveredPieces.emplace_back(lo, hi);
        insertPiece(lo, hi, r.ranges);
    }
    std::sort(coveredPieces.begin(), coveredPieces.end());

    Ranges gap = all_;
    openOrClose(gap, chain, open);
    std::int64_t cur = first;
    auto number = coveredNumbers.begin();
    auto piece = coveredPieces.begin();
    while (number != coveredNumbers.end() || piece != coveredPieces.end()) {
        if (piece == coveredPieces.end() || (number != coveredNumbers.end() && *number < piece->first)) {
            insertPiece(cur, *number - 1, gap);
            cur = *number + 1;
            ++number;
        } else {
            insertPiece(cur, piece->first - 1, gap);
            cur = piece->second + 1;
            ++piece;
        }
    }
    insertPiece(cur, last, gap);
}

void M_SuppressionIndex::beginEndAll(const U_Location& location, bool open)
{
    const Chain chain = includeChain(location);
    for (Entry& e : byNumber_)
        openOrClose(e.ranges, chain, open);
    for (Entry& e : byRange_)
        openOrClose(e.ranges, chain, open);
    openOrClose(all_, chain, open);
}
