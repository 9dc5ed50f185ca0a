#include "messages/M_SuppressionIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {

U_Filename file(const std::string& name)
{
    return U_Filename("/src/" + name, name);
}

U_Location at(const std::string& name, int line)
{
    return U_Location::create(file(name), line, 1);
}

// line of name, reached through an include directive at includerLine of main.c.
U_Location included(const std::string& name, int line, int includerLine)
{
    return U_Location::create(at("main.c", includerLine), file(name), line, 1);
}

// "10-20" for a stretch of main.c lines closed at 20, "10-" for one still open.
std::string describe(const std::vector<M_SuppressionIndex::Range>& ranges)
{
    std::string out;
    for (const auto& r : ranges) {
        if (!out.empty())
            out += ",";
        out += std::to_string(r.start.front().line()) + "-";
        if (!r.end.empty())
            out += std::to_string(r.end.front().line());
    }
    return out;
}

// Every entry as "first[..last]:stretches", byNumber and byRange merged by
// number, then "all:" and the all list.
std::string describe(const M_SuppressionIndex& index)
{
    std::vector<M_SuppressionIndex::Entry> entries = index.byNumber();
    entries.insert(entries.end(), index.byRange().begin(), index.byRange().end());
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::ostringstream out;
    for (const auto& e : entries) {
        out << e.first;
        if (e.last != e.first)
            out << ".." << e.last;
        out << ":" << describe(e.ranges) << " ";
    }
    out << "all:" << describe(index.all());
    return out.str();
}

// One filling step: number or range (first..last), or all when all is true.
struct Step {
    enum Kind { Number, Range, All } kind;
    std::int32_t first;
    std::int32_t last;
    int line;
    bool open;
};

void apply(M_SuppressionIndex& index, const std::vector<Step>& steps)
{
    for (const Step& s : steps) {
        const U_Location loc = at("main.c", s.line);
        switch (s.kind) {
        case Step::Number: index.beginEnd(s.first, loc, s.open); break;
        case Step::Range: index.beginEndRange(s.first, s.last, loc, s.open); break;
        case Step::All: index.beginEndAll(loc, s.open); break;
        }
    }
}

constexpr bool kOpen = true;
constexpr bool kClose = false;

} // namespace

TEST(M_SuppressionIndex, EmptyIndexSuppressesNothing)
{
    M_SuppressionIndex index;
    EXPECT_FALSE(index.hasEntries());
    for (std::int32_t n : {INT_MIN, -1, 0, 5, INT_MAX})
        EXPECT_FALSE(index.isSuppressed(n, at("main.c", 1)));
    EXPECT_FALSE(M_SuppressionIndex::instance().isSuppressed(5, at("main.c", 1)));
}

TEST(M_SuppressionIndex, IncludeChainRunsFromThePlaceOutward)
{
    const U_Location top = at("main.c", 4);
    const U_Location mid = U_Location::create(top, file("a.h"), 7, 0);
    const U_Location inner = U_Location::create(mid, file("b.h"), 9, 2);
    const auto chain = M_SuppressionIndex::includeChain(inner);
    ASSERT_EQ(3u, chain.size());
    EXPECT_EQ(inner, chain[0]);
    EXPECT_EQ(mid, chain[1]);
    EXPECT_EQ(top, chain[2]);
    EXPECT_EQ(1u, M_SuppressionIndex::includeChain(top).size());
}

TEST(M_SuppressionIndex, ChainLessEqual)
{
    using Chain = M_SuppressionIndex::Chain;
    auto chain = [](const U_Location& l) { return M_SuppressionIndex::includeChain(l); };
    struct Row {
        const char* what;
        Chain a;
        Chain b;
        bool expected;
    };
    const std::vector<Row> rows = {
        {"empty a", {}, chain(at("main.c", 1)), false},
        {"empty a and b", {}, {}, false},
        {"empty b is an open end", chain(at("main.c", 9)), {}, true},
        {"same file, smaller line", chain(at("main.c", 3)), chain(at("main.c", 4)), true},
        {"same line, columns ignored", chain(U_Location::create(file("main.c"), 4, 80)),
         chain(U_Location::create(file("main.c"), 4, 1)), true},
        {"same file, larger line", chain(at("main.c", 5)), chain(at("main.c", 4)), false},
        {"names differing in case are one file", chain(U_Location::create(file("main.c"), 5, 0)),
         chain(U_Location::create(U_Filename("/SRC/MAIN.C", "MAIN.C"), 4, 0)), false},
        {"different files decide nothing", chain(at("a.c", 99)), chain(at("b.c", 1)), true},
        {"outer places decide, inner files differ", chain(included("h1.h", 10, 3)),
         chain(included("h2.h", 5, 7)), true},
        {"outer places decide against", chain(included("h1.h", 1, 8)), chain(included("h2.h", 5, 7)), false},
        {"walk goes inward past a smaller outer line", chain(included("x.h", 5, 10)),
         chain(included("x.h", 3, 20)), false},
        {"inner place compared when outer lines tie", chain(included("x.h", 5, 10)),
         chain(included("x.h", 6, 10)), true},
        {"longer chain stops at the shorter one's end", chain(included("x.h", 50, 10)),
         chain(at("main.c", 10)), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.expected, M_SuppressionIndex::chainLessEqual(row.a, row.b));
    }
}

TEST(M_SuppressionIndex, StretchesForAllMessages)
{
    struct Row {
        const char* what;
        std::vector<Step> steps;
        std::vector<std::pair<int, bool>> linesSuppressed;
    };
    const std::vector<Row> rows = {
        {"closed stretch includes both ends",
         {{Step::All, 0, 0, 10, kOpen}, {Step::All, 0, 0, 20, kClose}},
         {{9, false}, {10, true}, {15, true}, {20, true}, {25, false}}},
        {"open stretch covers every later line",
         {{Step::All, 0, 0, 10, kOpen}},
         {{9, false}, {10, true}, {1000000, true}}},
        {"open while open keeps the first start",
         {{Step::All, 0, 0, 10, kOpen}, {Step::All, 0, 0, 12, kOpen}, {Step::All, 0, 0, 20, kClose}},
         {{10, true}, {11, true}, {21, false}}},
        {"close without an open does nothing", {{Step::All, 0, 0, 20, kClose}}, {{20, false}, {1, false}}},
        {"two stretches",
         {{Step::All, 0, 0, 10, kOpen}, {Step::All, 0, 0, 20, kClose}, {Step::All, 0, 0, 30, kOpen},
          {Step::All, 0, 0, 40, kClose}},
         {{15, true}, {25, false}, {35, true}, {45, false}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        M_SuppressionIndex index;
        apply(index, row.steps);
        for (const auto& [line, expected] : row.linesSuppressed) {
            SCOPED_TRACE(line);
            EXPECT_EQ(expected, index.isSuppressed(7, at("main.c", line)));
        }
    }
}

TEST(M_SuppressionIndex, StretchesAcrossIncludes)
{
    // h1.h, included at line 3 of main.c, opens a stretch at its line 10: the
    // include lines of main.c decide for a place in h2.h, included at line 7.
    M_SuppressionIndex index;
    index.beginEndAll(included("h1.h", 10, 3), kOpen);
    EXPECT_TRUE(index.isSuppressed(1, included("h2.h", 5, 7)));
    EXPECT_FALSE(index.isSuppressed(1, included("h2.h", 50, 2)));

    // x.h opened at its line 5, included at line 10; x.h included again at
    // line 20: the walk reaches x.h and compares 5 with 3.
    M_SuppressionIndex again;
    again.beginEndAll(included("x.h", 5, 10), kOpen);
    EXPECT_FALSE(again.isSuppressed(1, included("x.h", 3, 20)));
    EXPECT_TRUE(again.isSuppressed(1, included("x.h", 6, 20)));
}

TEST(M_SuppressionIndex, EntriesAfterFilling)
{
    struct Row {
        const char* what;
        std::vector<Step> steps;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"one number opened", {{Step::Number, 5, 5, 10, kOpen}}, "5:10- all:"},
        {"one number opened and closed",
         {{Step::Number, 5, 5, 10, kOpen}, {Step::Number, 5, 5, 20, kClose}},
         "5:10-20 all:"},
        {"a number's entry starts from the all list",
         {{Step::All, 0, 0, 10, kOpen}, {Step::Number, 5, 5, 20, kClose}},
         "5:10-20 all:10-"},
        {"closing one number of an open range splits it",
         {{Step::Range, 1, 10, 10, kOpen}, {Step::Number, 4, 4, 20, kClose}},
         "1..3:10- 4:10-20 5..10:10- all:"},
        {"splitting at the range's edge leaves one piece",
         {{Step::Range, 1, 10, 10, kOpen}, {Step::Number, 1, 1, 20, kClose}},
         "1:10-20 2..10:10- all:"},
        {"a range over a number entry and a range entry fills the gaps",
         {{Step::Number, 4, 4, 10, kOpen}, {Step::Range, 6, 8, 10, kOpen}, {Step::Range, 1, 9, 20, kOpen}},
         "1..3:20- 4:10- 5:20- 6..8:10- 9:20- all:"},
        {"a range cutting a range entry at both ends",
         {{Step::Range, 1, 10, 10, kOpen}, {Step::Range, 4, 6, 20, kClose}},
         "1..3:10- 4..6:10-20 7..10:10- all:"},
        {"ranges overlapping at one end",
         {{Step::Range, 1, 5, 10, kOpen}, {Step::Range, 4, 8, 20, kClose}},
         "1..3:10- 4..5:10-20 6..8: all:"},
        {"a closing range over nothing files empty entries",
         {{Step::Range, 3, 4, 20, kClose}},
         "3..4: all:"},
        {"the all step reaches every entry and the all list",
         {{Step::Number, 2, 2, 10, kOpen}, {Step::Range, 5, 6, 11, kOpen}, {Step::All, 0, 0, 30, kClose}},
         "2:10-30 5..6:11-30 all:"},
        {"a reversed range changes nothing",
         {{Step::Range, 1, 10, 10, kOpen}, {Step::Range, 7, 3, 20, kClose}},
         "1..10:10- all:"},
        {"a range of one number is a number entry", {{Step::Range, 7, 7, 10, kOpen}}, "7:10- all:"},
        // Bounds one past the 32-bit numbers make empty pieces, not wrapped ones.
        {"closing INT_MAX inside a range reaching it",
         {{Step::Range, INT_MAX - 2, INT_MAX, 10, kOpen}, {Step::Number, INT_MAX, INT_MAX, 20, kClose}},
         "2147483645..2147483646:10- 2147483647:10-20 all:"},
        {"closing INT_MIN inside a range reaching it",
         {{Step::Range, INT_MIN, INT_MIN + 2, 10, kOpen}, {Step::Number, INT_MIN, INT_MIN, 20, kClose}},
         "-2147483648:10-20 -2147483647..-2147483646:10- all:"},
        {"a range to INT_MAX after a number entry at INT_MAX",
         {{Step::Number, INT_MAX, INT_MAX, 10, kOpen}, {Step::Range, INT_MAX - 1, INT_MAX, 20, kOpen}},
         "2147483646:20- 2147483647:10- all:"},
        {"a range from INT_MIN cutting a range entry",
         {{Step::Range, INT_MIN, INT_MIN + 5, 10, kOpen}, {Step::Range, INT_MIN, INT_MIN + 1, 20, kClose}},
         "-2147483648..-2147483647:10-20 -2147483646..-2147483643:10- all:"},
        {"the whole number line, then its ends",
         {{Step::Range, INT_MIN, INT_MAX, 10, kOpen}, {Step::Range, INT_MAX - 1, INT_MAX, 20, kClose},
          {Step::Number, INT_MIN, INT_MIN, 20, kClose}},
         "-2147483648:10-20 -2147483647..2147483645:10- 2147483646..2147483647:10-20 all:"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        M_SuppressionIndex index;
        apply(index, row.steps);
        EXPECT_EQ(row.expected, describe(index));
    }
}

TEST(M_SuppressionIndex, EachNumberAnswersFromItsOwnEntry)
{
    M_SuppressionIndex index;
    // All messages off from line 10; message 5 closed at 20; 30..40 opened at 50.
    apply(index, {{Step::All, 0, 0, 10, kOpen},
                  {Step::Number, 5, 5, 20, kClose},
                  {Step::Range, 30, 40, 50, kClose}});
    // Ranges 30..40 got the all list's open stretch and closed it at 50.
    struct Row {
        std::int32_t number;
        int line;
        bool expected;
    };
    const std::vector<Row> rows = {
        {5, 15, true}, {5, 25, false}, {6, 25, true}, {-1, 99, true},
        {30, 45, true}, {35, 55, false}, {41, 55, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.number) + " at " + std::to_string(row.line));
        EXPECT_EQ(row.expected, index.isSuppressed(row.number, at("main.c", row.line)));
    }

    // A number entry that does not cover the place wins over the all list.
    M_SuppressionIndex own;
    apply(own, {{Step::Number, 3, 3, 100, kOpen}, {Step::All, 0, 0, 1, kOpen}});
    EXPECT_EQ("3:100- all:1-", describe(own));
    EXPECT_FALSE(own.isSuppressed(3, at("main.c", 50)));
    EXPECT_TRUE(own.isSuppressed(4, at("main.c", 50)));
}

TEST(M_SuppressionIndex, InsertEntry)
{
    struct Row {
        const char* what;
        std::vector<M_SuppressionIndex::Entry> entries;
        std::vector<bool> answers;
        std::string expected;
    };
    const M_SuppressionIndex::Range open{M_SuppressionIndex::includeChain(at("main.c", 10)), {}};
    const std::vector<Row> rows = {
        {"last below first files nothing", {{5, 4, {open}}}, {false}, "all:"},
        {"one number goes to byNumber", {{5, 5, {open}}}, {false}, "5:10- all:"},
        {"ranges are kept in order of their first",
         {{20, 30, {}}, {1, 2, {open}}, {10, 11, {}}},
         {true, true, true},
         "1..2:10- 10..11: 20..30: all:"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        M_SuppressionIndex index;
        for (std::size_t i = 0; i < row.entries.size(); ++i)
            EXPECT_EQ(row.answers[i], index.insertEntry(row.entries[i]));
        EXPECT_EQ(row.expected, describe(index));
    }

    // Equal firsts: the newer one goes after the older ones.
    M_SuppressionIndex index;
    index.insertEntry({1, 5, {}});
    index.insertEntry({1, 9, {}});
    ASSERT_EQ(2u, index.byRange().size());
    EXPECT_EQ(5, index.byRange()[0].last);
    EXPECT_EQ(9, index.byRange()[1].last);
}
