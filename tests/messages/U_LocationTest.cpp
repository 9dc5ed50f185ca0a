#include "messages/U_EntityDisplayName.h"
#include "messages/U_Location.h"
#include "messages/U_MacroHistory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

U_Filename file(const std::string& name)
{
    return U_Filename("/src/" + name, name);
}

U_Location at(const std::string& name, int line, int column = 0)
{
    return U_Location::create(file(name), line, column);
}

// An entity name that writes its label into a log when it is deleted, to see
// when (and whether) the location holding it goes.
class TrackedName : public U_EntityDisplayName {
public:
    TrackedName(std::vector<std::string>* log, std::string label) : log_(log), label_(std::move(label)) {}
    ~TrackedName() override { log_->push_back(label_); }
    std::string name() const override { return label_; }
    std::string nameForKind() const override { return label_; }
    std::string aliasName() const override { return label_; }
    std::string aliasNameForKind() const override { return label_; }
    std::string otherName() const override { return label_; }

private:
    std::vector<std::string>* log_;
    std::string label_;
};

// A location that logs label when it is deleted.
U_Location tracked(std::vector<std::string>* log, const std::string& label)
{
    return at(label + ".c", 1).withInstFromLoc(at("base.c", 1), new TrackedName(log, label));
}

struct Parts {
    bool incl, macro, hl, inst, called;
};

void expectParts(const U_Location& loc, const Parts& parts)
{
    EXPECT_EQ(parts.incl, loc.hasInclLoc());
    EXPECT_EQ(parts.macro, loc.hasMacroHist());
    EXPECT_EQ(parts.hl, loc.hasHLLoc());
    EXPECT_EQ(parts.inst, loc.hasInstFromLoc());
    EXPECT_EQ(parts.called, loc.hasCalledFromLoc());
}

std::vector<U_Location> callChain(U_Location loc)
{
    std::vector<U_Location> chain;
    while (loc.hasCalledFromLoc()) {
        loc = loc.calledFromLoc();
        chain.push_back(loc);
    }
    return chain;
}

} // namespace

// Different files are ordered by every byte of their full names, as
// unsigned, NULs included: a strict order, whichever comes first. One
// interned name (letter case aside) orders by line, then column.
TEST(U_Location, CompareByNameOrdersEveryByteOfTheFullNames)
{
    const auto in = [](const std::string& full, int line = 1, int column = 1) {
        return U_Location::create(U_Filename(full, "given"), line, column);
    };
    const std::string nul(1, '\0');
    struct Row {
        const char* what;
        U_Location a, b;
        int expected;
    };
    const std::vector<Row> rows = {
        {"names that differ after a NUL", in("/p/x" + nul + "a"), in("/p/x" + nul + "b"), -1},
        {"a name that ends where the other has a NUL", in("/p/x"), in("/p/x" + nul + "a"), -1},
        {"a NUL before any other byte", in("/p/x" + nul + "z"), in("/p/xa"), -1},
        {"a prefix first", in("/p/ab"), in("/p/abc"), -1},
        {"upper case before lower", in("/p/B.c", 9), in("/p/a.c", 1), -1},
        {"bytes above 127 after the rest", in("/p/\x7F"), in("/p/\x80"), -1},
        {"one name: by line", in("/p/x" + nul + "a", 1, 9), in("/p/X" + nul + "A", 2, 1), -1},
        {"one name: by column", in("/p/x" + nul + "a", 3, 1), in("/p/x" + nul + "a", 3, 2), -1},
        {"one name, one place", in("/p/x" + nul + "a", 3, 2), in("/p/x" + nul + "a", 3, 2), 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(r.expected, U_Location::compareByName(r.a, r.b));
        EXPECT_EQ(-r.expected, U_Location::compareByName(r.b, r.a));
    }
}

TEST(U_Location, FactoryCombinations)
{
    const U_Location includer = at("inc.h", 3);
    const U_RefPtr<U_MacroHistory> history = new U_MacroHistory(at("m.h", 9), U_Identifier("M"), nullptr);
    struct Row {
        U_Location includer;
        U_RefPtr<U_MacroHistory> history;
        Parts parts;
    };
    const Row rows[] = {
        {U_Location(), nullptr, {false, false, false, false, false}},
        {includer, nullptr, {true, false, false, false, false}},
        {U_Location(), history, {false, true, false, false, false}},
        {includer, history, {true, true, false, false, false}},
    };
    for (const Row& row : rows) {
        const U_Location loc = U_Location(U_LocationData::create(row.includer, row.history, file("a.c"), 7, 2));
        SCOPED_TRACE(std::to_string(row.parts.incl) + std::to_string(row.parts.macro));
        expectParts(loc, row.parts);
        EXPECT_EQ(file("a.c"), loc.fileName());
        EXPECT_EQ(7, loc.line());
        EXPECT_EQ(2, loc.column());
        EXPECT_TRUE(loc.inclLoc() == row.includer);  // null without an include part
        if (row.parts.macro) {
            EXPECT_EQ(history, loc.macroHistory());
        }

        // The handle's forms choose the same combinations.
        expectParts(U_Location::create(row.includer, file("a.c"), 7, 2, row.history), row.parts);
        expectParts(U_Location::create(row.includer, file("a.c"), 7, 2),
                    {row.parts.incl, false, false, false, false});
        expectParts(U_Location(U_LocationData::create(row.history, file("a.c"), 7, 2)),
                    {false, row.parts.macro, false, false, false});
    }
    expectParts(at("a.c", 1), {false, false, false, false, false});
}

TEST(U_Location, IdentityNotContents)
{
    const U_Location a = at("a.c", 1, 1);
    const U_Location copy = a;
    EXPECT_TRUE(a == copy);
    EXPECT_FALSE(a == at("a.c", 1, 1));
    EXPECT_TRUE(U_Location() == U_Location());
    EXPECT_FALSE(a == U_Location());
    EXPECT_FALSE(U_Location().isValid());
    EXPECT_EQ(a.data(), copy.data());

    // Every with-operation makes a new object, even for the same values.
    EXPECT_FALSE(a == a.withHLLoc(a.fileName(), a.line()));
    EXPECT_FALSE(a == a.withInstFromLoc(copy, ObjectDisplayName::create("e")));
    EXPECT_FALSE(a == a.withCalledFromLoc(copy));
}

TEST(U_Location, SameFile)
{
    const U_Location a1 = at("a.c", 1);
    struct Row {
        U_Location x;
        U_Location y;
        bool same;
    };
    const Row rows[] = {
        {U_Location(), U_Location(), true},
        {U_Location(), a1, false},
        {a1, U_Location(), false},
        {a1, a1, true},
        {a1, at("a.c", 20, 4), true},
        {a1, at("b.c", 1), false},
        // Full names that differ only in letter case are one interned name.
        {U_Location::create(U_Filename("/Src/Case.C", "Case.C"), 1, 0),
         U_Location::create(U_Filename("/src/case.c", "case.c"), 5, 0), true},
        // The names as given do not count, only the full names.
        {U_Location::create(U_Filename("/one/x.c", "x.c"), 1, 0),
         U_Location::create(U_Filename("/two/x.c", "x.c"), 1, 0), false},
    };
    for (std::size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_EQ(rows[i].same, U_Location::sameFile(rows[i].x, rows[i].y)) << "row " << i;
    }
}

TEST(U_Location, WithHLLocReplacesOnlyThatPart)
{
    const U_Location includer = at("inc.h", 3);
    const U_RefPtr<U_MacroHistory> history = new U_MacroHistory(at("m.h", 9), U_Identifier("M"), nullptr);
    const U_Location source = U_Location::create(includer, file("a.c"), 7, 2, history).withHLLoc(file("hl1.c"), 11);
    const U_Location replaced = source.withHLLoc(file("hl2.c"), 22);

    EXPECT_EQ(file("hl1.c"), source.hlFileName());
    EXPECT_EQ(11, source.hlLine());
    EXPECT_EQ(file("hl2.c"), replaced.hlFileName());
    EXPECT_EQ(22, replaced.hlLine());
    expectParts(replaced, {true, true, true, false, false});
    EXPECT_TRUE(replaced.inclLoc() == includer);  // shared, not copied
    EXPECT_EQ(history, replaced.macroHistory());
    EXPECT_EQ(file("a.c"), replaced.fileName());
    EXPECT_EQ(7, replaced.line());
    EXPECT_EQ(2, replaced.column());
}

TEST(U_Location, InstantiationDepth)
{
    const U_Location plain = at("t.h", 1);
    const U_Location depth3 = at("t.h", 2)
                                  .withInstFromLoc(plain, ObjectDisplayName::create("a"))
                                  .withInstFromLoc(at("t.h", 3).withInstFromLoc(plain, ObjectDisplayName::create("b")),
                                                   ObjectDisplayName::create("c"));
    const U_Location depth3b = at("u.h", 1).withInstFromLoc(depth3, ObjectDisplayName::create("d"));
    const U_Location depth7 = [&] {
        U_Location loc = plain;
        for (int i = 0; i < 7; ++i)
            loc = at("v.h", i).withInstFromLoc(loc, ObjectDisplayName::create("v"));
        return loc;
    }();
    ASSERT_EQ(2u, depth3.data()->instFromDepth());  // built on a from-location of depth 1
    ASSERT_EQ(7u, depth7.data()->instFromDepth());

    struct Row {
        const char* what;
        U_Location source;
        U_Location from;
        unsigned depth;
    };
    const Row rows[] = {
        {"from without part", at("s.c", 1), plain, 1},
        {"from of depth 2", at("s.c", 1), depth3, 3},
        {"from of depth 3", at("s.c", 1), depth3b, 4},
        // The depth follows the from-location, never the part it replaces.
        {"source of depth 7, from without part", depth7, plain, 1},
        {"source of depth 7, from of depth 3", depth7, depth3b, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const U_RefPtr<U_EntityDisplayName> name = ObjectDisplayName::create("Tmpl<int>");
        const U_Location loc = row.source.withInstFromLoc(row.from, name);
        ASSERT_TRUE(loc.hasInstFromLoc());
        EXPECT_EQ(row.depth, loc.data()->instFromDepth());
        EXPECT_TRUE(loc.instFromLoc() == row.from);
        EXPECT_EQ(name, loc.instFromName());
    }
    EXPECT_EQ(7u, depth7.data()->instFromDepth());  // the source is untouched
}

TEST(U_Location, CallerGoesToTheFarEndOfACopiedChain)
{
    const U_Location x = at("x.c", 100);
    const U_Location plain = at("l.c", 1);

    // Without a caller, the caller itself becomes the part.
    const U_Location once = plain.withCalledFromLoc(x);
    ASSERT_EQ(1u, callChain(once).size());
    EXPECT_TRUE(once.calledFromLoc() == x);
    EXPECT_FALSE(plain.hasCalledFromLoc());

    // L -> y1 -> y2, extended by x: L' -> y1' -> y2' -> x.
    const U_Location y2 = at("y2.c", 2);
    const U_Location y1 = at("y1.c", 1).withCalledFromLoc(y2);
    const U_Location l = at("l.c", 5, 3).withHLLoc(file("hl.c"), 9).withCalledFromLoc(y1);
    ASSERT_EQ(2u, callChain(l).size());
    const U_Location extended = l.withCalledFromLoc(x);

    const std::vector<U_Location> chain = callChain(extended);
    ASSERT_EQ(3u, chain.size());
    EXPECT_FALSE(chain[0] == y1);
    EXPECT_FALSE(chain[1] == y2);
    EXPECT_TRUE(chain[2] == x);  // the new caller is not copied
    EXPECT_EQ(file("y1.c"), chain[0].fileName());
    EXPECT_EQ(1, chain[0].line());
    EXPECT_EQ(file("y2.c"), chain[1].fileName());
    EXPECT_EQ(2, chain[1].line());
    // The head keeps its other parts.
    EXPECT_EQ(file("l.c"), extended.fileName());
    EXPECT_EQ(5, extended.line());
    EXPECT_EQ(3, extended.column());
    ASSERT_TRUE(extended.hasHLLoc());
    EXPECT_EQ(9, extended.hlLine());

    // The originals, still shared with their other holders, are unchanged.
    const std::vector<U_Location> original = callChain(l);
    ASSERT_EQ(2u, original.size());
    EXPECT_TRUE(original[0] == y1);
    EXPECT_TRUE(original[1] == y2);
    EXPECT_TRUE(y1.calledFromLoc() == y2);
    EXPECT_FALSE(y2.hasCalledFromLoc());
}

TEST(U_Location, LongCallChainExtendsWithoutRecursion)
{
    U_Location chain = at("c.c", 0);
    const int kLinks = 200000;
    for (int i = 1; i <= kLinks; ++i)
        chain = at("c.c", i).withCalledFromLoc(chain);
    const U_Location x = at("x.c", 1);
    const U_Location extended = chain.withCalledFromLoc(x);

    int links = 0;
    U_Location loc = extended;
    while (loc.hasCalledFromLoc()) {
        loc = loc.calledFromLoc();
        ++links;
    }
    EXPECT_EQ(kLinks + 1, links);
    EXPECT_TRUE(loc == x);
    EXPECT_EQ(kLinks, static_cast<int>(callChain(chain).size()));
}

TEST(U_Location, NullFromOrCallerAddsNothing)
{
    const U_Location source = at("a.c", 1).withCalledFromLoc(at("b.c", 2));
    const U_Location noInst = source.withInstFromLoc(U_Location(), ObjectDisplayName::create("e"));
    const U_Location noCaller = source.withCalledFromLoc(U_Location());
    for (const U_Location& loc : {noInst, noCaller}) {
        EXPECT_FALSE(loc == source);
        expectParts(loc, {false, false, false, false, true});
        EXPECT_TRUE(loc.calledFromLoc() == source.calledFromLoc());
    }
}

TEST(U_Location, AllFiveParts)
{
    const U_Location includer = at("inc.h", 3);
    const U_RefPtr<U_MacroHistory> history = new U_MacroHistory(at("m.h", 9), U_Identifier("M"), nullptr);
    const U_Location from = at("tmpl.h", 40);
    const U_RefPtr<U_EntityDisplayName> name = ObjectDisplayName::create("f<int>");
    const U_Location caller = at("caller.c", 50);

    const U_Location loc = U_Location::create(includer, file("a.c"), 7, 2, history)
                               .withHLLoc(file("hl.c"), 30)
                               .withInstFromLoc(from, name)
                               .withCalledFromLoc(caller);
    expectParts(loc, {true, true, true, true, true});
    EXPECT_TRUE(loc.inclLoc() == includer);
    EXPECT_EQ(history, loc.macroHistory());
    EXPECT_EQ(file("hl.c"), loc.hlFileName());
    EXPECT_EQ(30, loc.hlLine());
    EXPECT_TRUE(loc.instFromLoc() == from);
    EXPECT_EQ(name, loc.instFromName());
    EXPECT_EQ(1u, loc.data()->instFromDepth());
    EXPECT_TRUE(loc.calledFromLoc() == caller);
    EXPECT_EQ(file("a.c"), loc.fileName());
    EXPECT_EQ(7, loc.line());
    EXPECT_EQ(2, loc.column());
}

TEST(U_Location, PartsReleasedInOrder)
{
    std::vector<std::string> log;
    {
        U_Location loc = U_Location::create(tracked(&log, "includer"), file("a.c"), 1, 0,
                                            new U_MacroHistory(tracked(&log, "history"), U_Identifier("M"), nullptr))
                             .withInstFromLoc(tracked(&log, "from"), new TrackedName(&log, "name"))
                             .withCalledFromLoc(tracked(&log, "caller"));
        EXPECT_TRUE(log.empty());
    }
    const std::vector<std::string> expected = {"caller", "name", "from", "history", "includer"};
    EXPECT_EQ(expected, log);
}

TEST(U_Location, MillionLinkChainsReleaseWithoutRecursion)
{
    const int kLinks = 1000000;
    struct Row {
        const char* what;
        U_Location (*link)(const U_Location& previous, int i);
    };
    const Row rows[] = {
        {"callers", [](const U_Location& previous, int i) { return at("c.c", i).withCalledFromLoc(previous); }},
        {"includers", [](const U_Location& previous, int i) { return U_Location::create(previous, file("i.h"), i, 0); }},
        {"from-locations",
         [](const U_Location& previous, int i) {
             return at("t.h", i).withInstFromLoc(previous, ObjectDisplayName::create("T"));
         }},
        {"macro histories",
         [](const U_Location& previous, int i) {
             const U_RefPtr<U_MacroHistory> history = new U_MacroHistory(previous, U_Identifier("M"), previous.macroHistory());
             return U_Location::create(U_Location(), file("m.h"), i, 0, history);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::string> log;
        // The first link holds a tracked name, so its deletion shows that the
        // release went all the way down.
        U_Location chain = tracked(&log, "far end");
        if (std::string(row.what) == "macro histories")
            chain = U_Location::create(U_Location(), file("m.h"), 0, 0,
                                       new U_MacroHistory(chain, U_Identifier("M"), nullptr));
        for (int i = 1; i <= kLinks; ++i)
            chain = row.link(chain, i);
        EXPECT_TRUE(log.empty());
        chain = U_Location();
        EXPECT_EQ(std::vector<std::string>{"far end"}, log);
    }
}

TEST(U_MacroHistory, ChainBuiltFromTheEnd)
{
    const U_RefPtr<U_MacroHistory> third = new U_MacroHistory(at("c.h", 3), U_Identifier("THIRD"), nullptr);
    const U_RefPtr<U_MacroHistory> second = new U_MacroHistory(at("b.h", 2), U_Identifier("SECOND"), third);
    const U_RefPtr<U_MacroHistory> first = new U_MacroHistory(at("a.h", 1), U_Identifier("FIRST"), second);

    std::vector<std::string> names;
    std::vector<int> lines;
    for (const U_MacroHistory* element = first.get(); element; element = element->next().get()) {
        names.push_back(element->macroName().c_str());
        lines.push_back(element->location().line());
    }
    EXPECT_EQ((std::vector<std::string>{"FIRST", "SECOND", "THIRD"}), names);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), lines);
    EXPECT_EQ(U_Identifier("SECOND"), second->macroName());
}

TEST(ObjectDisplayName, EveryFormIsTheStoredText)
{
    const U_RefPtr<U_EntityDisplayName> name = ObjectDisplayName::create("abc");
    EXPECT_EQ("abc", name->name());
    EXPECT_EQ("abc", name->nameForKind());
    EXPECT_EQ("abc", name->aliasName());
    EXPECT_EQ("abc", name->aliasNameForKind());
    EXPECT_EQ("abc", name->otherName());
}
