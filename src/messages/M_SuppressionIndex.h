#pragma once

#include "messages/U_Location.h"

#include <cstdint>
#include <vector>

/// The stretches of source in which a source file switched messages off: for
/// one message number, for a range of numbers or for all of them. Answers
/// whether a message of a given number at a given place lies in such a stretch;
/// places are compared through their include chains. Every location that
/// opens or closes a stretch must be present.
class M_SuppressionIndex {
public:
    // A place and its includers, innermost first, the main file's place last.
    using Chain = std::vector<U_Location>;

    /// One stretch: from the place it was opened to the place it was closed;
    /// an empty end while it is still open.
    struct Range {
        Chain start;
        Chain end;
    };

    /// The stretches of one message number (last == first) or of one range of
    /// numbers, in the order they were opened.
    struct Entry {
        std::int32_t first = 0;
        std::int32_t last = 0;
        std::vector<Range> ranges;
    };

    M_SuppressionIndex() = default;

    // The process-wide index, empty on the first call.
    static M_SuppressionIndex& instance();

    // Whether a message of number at location lies in a stretch of its own
    // entry, else of its range entry, else of the all list. False, with no
    // work, while the index is empty, and for the null location.
    bool isSuppressed(std::int32_t number, const U_Location& location) const;

    // Open (open true) or close a stretch for one number, for first..last, or
    // for every number. A range with last < first changes nothing.
    void beginEnd(std::int32_t number, const U_Location& location, bool open);
    void beginEndRange(std::int32_t first, std::int32_t last, const U_Location& location, bool open);
    void beginEndAll(const U_Location& location, bool open);

    // Files entry under byRange (last > first, answer true) or, as one number,
    // under byNumber (last == first, answer false); last < first files nothing
    // and answers false.
    bool insertEntry(const Entry& entry);

    // The location, then its includer, its includer's includer and so on.
    static Chain includeChain(const U_Location& location);
    // Whether place a is not after place b, walking both chains from their
    // outermost places inward while they are in one file and compare by line
    // only. An empty a is false; an empty b (a stretch not closed) is true.
    static bool chainLessEqual(const Chain& a, const Chain& b);
    // Whether some stretch covers the place chain (both ends included).
    static bool inAnyRange(const Chain& chain, const std::vector<Range>& ranges);

    // Whether any of the three lists holds something.
    bool hasEntries() const noexcept;

    // The lists as they stand, for inspection.
    const std::vector<Entry>& byNumber() const noexcept { return byNumber_; }
    const std::vector<Entry>& byRange() const noexcept { return byRange_; }
    const std::vector<Range>& all() const noexcept { return all_; }

private:
    // Bounds in 64 bits, so that one past INT_MAX or one before INT_MIN makes
    // an empty piece rather than wrapping round.
    void insertPiece(std::int64_t first, std::int64_t last, const std::vector<Range>& ranges);
    void insertNumber(Entry entry);

    // Declared so that destruction frees the all list, then byRange, then
    // byNumber.
    std::vector<Entry> byNumber_;
    std::vector<Entry> byRange_;
    std::vector<Range> all_;
};
