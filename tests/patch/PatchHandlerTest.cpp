#include "patch/PatchHandler.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

Lines linesOf(PatchHandler& cache, const std::string& name)
{
    return Lines(cache.patchesBegin(name), cache.patchesEnd(name));
}

// A cache as a load leaves it: one entry "known", a stamp, not modified.
PatchHandler loadedCache()
{
    PatchHandler cache;
    cache.setSName("db/baseline.sup");
    cache.setSDate("0123456789abcdef0123456789abcdef");
    cache.addFile("known", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", {"1c1", "5d4"});
    return cache;
}

} // namespace

// Exactly the operations that change what the driver must save set the flag;
// the loading path, clear and the read-only accessors leave it alone.
TEST(PatchHandler, ModifiedFlagPerOperation)
{
    struct Row {
        const char* what;
        std::function<void(PatchHandler&)> op;
        bool modified;
    };
    const Row rows[] = {
        {"nothing", [](PatchHandler&) {}, false},
        {"addFile new", [](PatchHandler& c) { c.addFile("new", "d", {"1a2"}); }, false},
        {"addFile known", [](PatchHandler& c) { c.addFile("known", "d", {"1a2"}); }, false},
        {"clear", [](PatchHandler& c) { c.clear(); }, false},
        {"setSName", [](PatchHandler& c) { c.setSName("other.sup"); }, false},
        {"setSDate", [](PatchHandler& c) { c.setSDate("ffff"); }, false},
        {"hasFile", [](PatchHandler& c) { c.hasFile("missing"); }, false},
        {"date of missing", [](PatchHandler& c) { c.date("missing"); }, false},
        {"patches of missing", [](PatchHandler& c) { c.patchesBegin("missing"); c.patchesEnd("missing2"); }, false},
        {"ensureFile known", [](PatchHandler& c) { c.ensureFile("known"); }, false},
        {"ensureFile new", [](PatchHandler& c) { c.ensureFile("new"); }, true},
        {"removeFile known", [](PatchHandler& c) { c.removeFile("known"); }, true},
        {"removeFile missing", [](PatchHandler& c) { c.removeFile("missing"); }, true},
        {"setDate", [](PatchHandler& c) { c.setDate("known", "b"); }, true},
        {"addPatch", [](PatchHandler& c) { c.addPatch("new", "3c3"); }, true},
        {"resetFile", [](PatchHandler& c) { c.resetFile("known"); }, true},
        {"clear after a change", [](PatchHandler& c) { c.addPatch("new", "3c3"); c.clear(); }, true},
    };
    for (const Row& r : rows) {
        PatchHandler cache = loadedCache();
        ASSERT_FALSE(cache.isModified());
        r.op(cache);
        EXPECT_EQ(r.modified, cache.isModified()) << r.what;
    }
}

TEST(PatchHandler, EntryOperations)
{
    PatchHandler cache = loadedCache();

    // A second load of a name keeps its date and appends its lines.
    cache.addFile("known", "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb", {"9a10"});
    EXPECT_EQ("bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb", cache.date("known"));
    EXPECT_EQ((Lines{"1c1", "5d4", "9a10"}), linesOf(cache, "known"));

    // Asking for a missing name leaves an empty entry behind.
    EXPECT_FALSE(cache.hasFile("gone"));
    EXPECT_EQ("", cache.date("gone"));
    EXPECT_TRUE(cache.hasFile("gone"));
    EXPECT_TRUE(linesOf(cache, "gone").empty());
    EXPECT_TRUE(linesOf(cache, "other").empty());
    EXPECT_TRUE(cache.hasFile("other"));

    // Names are exact: letter case and separators make other entries.
    EXPECT_FALSE(cache.hasFile("KNOWN"));
    cache.addPatch("KNOWN", "2d1");
    EXPECT_EQ((Lines{"2d1"}), linesOf(cache, "KNOWN"));
    EXPECT_EQ(3u, linesOf(cache, "known").size());

    cache.resetFile("known");
    EXPECT_EQ("", cache.date("known"));
    EXPECT_TRUE(linesOf(cache, "known").empty());
    EXPECT_TRUE(cache.hasFile("known"));

    cache.setDate("known", "cccccccccccccccccccccccccccccccc");
    cache.addPatch("known", "1a1");
    cache.addPatch("known", "4c5,6");
    EXPECT_EQ((Lines{"1a1", "4c5,6"}), linesOf(cache, "known"));

    cache.removeFile("known");
    EXPECT_FALSE(cache.hasFile("known"));

    // clear drops the entries and keeps the stamp.
    cache.clear();
    EXPECT_TRUE(cache.files().empty());
    EXPECT_EQ("db/baseline.sup", cache.sname());
    EXPECT_EQ("0123456789abcdef0123456789abcdef", cache.sdate());
}
