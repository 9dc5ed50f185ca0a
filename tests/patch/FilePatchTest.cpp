#include "patch/FilePatch.h"
#include "patch/Patch.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>
#include <vector>

namespace {

// One change command: 'a' N a K,L; 'd' A,B d K; 'c' A,B c K,L.
struct Command {
    char kind;
    std::int32_t a;
    std::int32_t b;
    std::int32_t k;
    std::int32_t l;
};

void apply(FilePatch& fp, const Command& c)
{
    switch (c.kind) {
    case 'a':
        fp.add(c.a, LineRange{c.k, c.l});
        break;
    case 'd':
        fp.remove(LineRange{c.a, c.b}, c.k);
        break;
    case 'c':
        fp.change(LineRange{c.a, c.b}, LineRange{c.k, c.l});
        break;
    }
}

} // namespace

TEST(FilePatch, MapLine)
{
    struct Row {
        const char* what;
        std::vector<Command> commands;
        std::vector<std::pair<std::int32_t, std::int32_t>> lines;  // old -> new
    };
    const Row rows[] = {
        {"no mappings", {}, {{1, 1}, {0, 0}, {-5, -5}, {100000, 100000}}},
        {"5a6,7", {{'a', 5, 5, 6, 7}}, {{1, 1}, {5, 5}, {6, 8}, {7, 9}, {100, 102}}},
        {"3,4d2", {{'d', 3, 4, 2, 2}}, {{1, 1}, {2, 2}, {3, -1}, {4, -1}, {5, 3}, {9, 7}}},
        {"2c2,3", {{'c', 2, 2, 2, 3}}, {{1, 1}, {2, -1}, {3, 4}, {10, 11}}},
        {"2d1 and 5a5",
         {{'d', 2, 2, 1, 1}, {'a', 5, 5, 5, 5}},
         {{1, 1}, {2, -1}, {3, 2}, {4, 3}, {5, 4}, {6, 6}, {7, 7}}},
        {"last line of a deleted block", {{'d', 4, 6, 3, 3}}, {{3, 3}, {4, -1}, {5, -1}, {6, -1}, {7, 4}}},
        {"before the first mapping", {{'a', 10, 10, 11, 11}}, {{0, 0}, {3, 3}, {10, 10}, {11, 12}}},
        {"0a1,2", {{'a', 0, 0, 1, 2}}, {{1, 3}, {4, 6}}},
        {"1,2d0", {{'d', 1, 2, 0, 0}}, {{1, -1}, {2, -1}, {3, 1}, {8, 6}}},
        {"3,5c3", {{'c', 3, 5, 3, 3}}, {{2, 2}, {3, -1}, {5, -1}, {6, 4}, {7, 5}}},
        {"three hunks",
         {{'a', 1, 1, 2, 3}, {'c', 4, 5, 6, 6}, {'d', 8, 8, 8, 8}},
         {{1, 1}, {2, 4}, {3, 5}, {4, -1}, {5, -1}, {6, 7}, {7, 8}, {8, -1}, {9, 9}, {20, 20}}},
    };
    for (const Row& r : rows) {
        FilePatch fp("f.c");
        for (const Command& c : r.commands)
            apply(fp, c);
        for (const auto& [line, expected] : r.lines)
            EXPECT_EQ(expected, fp.mapLine(line)) << r.what << ": line " << line;
    }
}

// Line numbers never wrap: a command whose mapping lines leave the 32-bit
// range is refused whole, and a shift past the range leaves a line no place.
TEST(FilePatch, LinesStayInTheSignedRange)
{
    const std::int32_t max = std::numeric_limits<std::int32_t>::max();
    const std::int32_t min = std::numeric_limits<std::int32_t>::min();
    FilePatch fp("f.c");
    EXPECT_FALSE(fp.add(max, LineRange{1, 1}));
    EXPECT_FALSE(fp.add(0, LineRange{1, max}));
    EXPECT_FALSE(fp.remove(LineRange{1, max}, 0));
    EXPECT_FALSE(fp.remove(LineRange{1, 2}, max));
    EXPECT_FALSE(fp.change(LineRange{1, max}, LineRange{1, 1}));
    EXPECT_FALSE(fp.change(LineRange{1, 2}, LineRange{1, max}));
    EXPECT_TRUE(fp.mappings().empty());

    EXPECT_TRUE(fp.add(5, LineRange{6, 6}));  // (6, 6, 7): one line down
    EXPECT_EQ(max, fp.mapLine(max - 1));
    EXPECT_EQ(-1, fp.mapLine(max));
    EXPECT_EQ(min, fp.mapLine(min));

    FilePatch up("g.c");
    EXPECT_TRUE(up.remove(LineRange{1, 9}, 0));  // (1, 9, -1), (10, 10, 1)
    EXPECT_EQ(max - 9, up.mapLine(max));
    FilePatch far("h.c");
    EXPECT_TRUE(far.add(0, LineRange{1, max - 1}));  // (1, 1, max)
    EXPECT_EQ(max, far.mapLine(1));
    EXPECT_EQ(-1, far.mapLine(2));
}

TEST(FilePatch, PresentKeyIsNeverReplaced)
{
    FilePatch fp("f.c");
    fp.add(5, LineRange{7, 7});  // (6, 6, 8)
    fp.add(5, LineRange{8, 8});  // (6, 6, 9) is dropped
    ASSERT_EQ(1u, fp.mappings().size());
    EXPECT_EQ(8, fp.mappings().begin()->target);
    EXPECT_EQ(8, fp.mapLine(6));

    // A remove whose resuming mapping is present keeps the present one.
    fp.remove(LineRange{4, 5}, 2);  // (4, 5, -1), then (6, 6, 3) dropped
    EXPECT_EQ(2u, fp.mappings().size());
    EXPECT_EQ(8, fp.mapLine(6));
    EXPECT_EQ("f.c", fp.name());
}

TEST(Patch, LooksUpExactNamesAndKeepsTheFirst)
{
    Patch patch;
    U_RefPtr<FilePatch> first(new FilePatch("a.c"));
    first->add(1, LineRange{2, 2});
    EXPECT_TRUE(patch.addFilePatch(first));
    EXPECT_TRUE(patch.addFilePatch(U_RefPtr<FilePatch>(new FilePatch("A.c"))));
    U_RefPtr<FilePatch> second(new FilePatch("a.c"));
    EXPECT_FALSE(patch.addFilePatch(second));

    EXPECT_EQ(first, patch.getFilePatch("a.c"));
    EXPECT_EQ(2u, first->refCount());  // the patch and this holder
    EXPECT_EQ(1u, second->refCount());  // refused: not kept
    EXPECT_FALSE(patch.getFilePatch("./a.c"));
    EXPECT_FALSE(patch.getFilePatch("a.c "));
    EXPECT_FALSE(patch.getFilePatch(""));
    EXPECT_NE(first, patch.getFilePatch("A.c"));
    EXPECT_EQ(2u, patch.filePatches().size());
}
