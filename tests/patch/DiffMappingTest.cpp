#include "patch/Patch.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>
#include <sstream>
#include <vector>

// The line mapping against real GNU diff output: every old line must land on
// the new line with the same text, or give -1 when its text is gone.

namespace {

using Lines = std::vector<std::string>;

std::string joinLines(const Lines& lines)
{
    std::string out;
    for (const std::string& l : lines)
        out += l + "\n";
    return out;
}

// The normal-diff output of diff old new.
std::string runDiff(const std::string& oldPath, const std::string& newPath)
{
    const std::string command = "diff '" + oldPath + "' '" + newPath + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return std::string();
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    pclose(pipe);
    return out;
}

bool haveDiff()
{
    return std::system("diff --version >/dev/null 2>&1") == 0;
}

// An edit script: lines are kept, deleted, replaced by or preceded by fresh
// lines at random, with a fixed seed. Every line text is unique.
struct Script {
    unsigned seed;
    int oldCount;
    int deletePercent;
    int replacePercent;
    int insertPercent;
};

void makeVersions(const Script& s, Lines& oldLines, Lines& newLines)
{
    std::mt19937 rng(s.seed);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> runLength(1, 4);
    int fresh = 0;
    auto insertFresh = [&] {
        for (int n = runLength(rng); n > 0; --n)
            newLines.push_back("new line " + std::to_string(++fresh));
    };
    for (int i = 1; i <= s.oldCount; ++i) {
        const std::string text = "old line " + std::to_string(i);
        oldLines.push_back(text);
        if (percent(rng) < s.insertPercent)
            insertFresh();
        const int roll = percent(rng);
        if (roll < s.deletePercent)
            continue;
        if (roll < s.deletePercent + s.replacePercent) {
            insertFresh();
            continue;
        }
        newLines.push_back(text);
    }
    if (percent(rng) < s.insertPercent)
        insertFresh();
}

} // namespace

TEST(DiffMapping, FollowsGnuDiff)
{
    if (!haveDiff())
        GTEST_SKIP() << "diff is not installed";
    const Script scripts[] = {
        {1, 40, 10, 10, 10},
        {2, 120, 5, 5, 5},
        {3, 200, 25, 15, 20},
        {4, 60, 40, 0, 0},    // deletions only
        {5, 60, 0, 0, 40},    // insertions only
        {6, 60, 0, 50, 0},    // replacements only
        {7, 30, 100, 0, 0},   // everything deleted
        {8, 0, 0, 0, 100},    // an empty file gains lines
        {9, 1, 0, 100, 0},
        {10, 300, 3, 3, 3},
    };
    for (const Script& s : scripts) {
        TempDir dir;
        ASSERT_TRUE(dir.isValid());
        Lines oldLines, newLines;
        makeVersions(s, oldLines, newLines);
        const std::string oldPath = dir.write("old.c", joinLines(oldLines));
        const std::string newPath = dir.write("new.c", joinLines(newLines));

        std::istringstream text("File: src/f.c\n" + runDiff(oldPath, newPath));
        U_RefPtr<Patch> patch;
        Patch::read(text, patch);
        ASSERT_TRUE(patch) << "seed " << s.seed;
        const U_RefPtr<FilePatch> fp = patch->getFilePatch("src/f.c");
        ASSERT_TRUE(fp) << "seed " << s.seed;

        std::map<std::string, int> newPlace;
        for (std::size_t j = 0; j < newLines.size(); ++j)
            newPlace[newLines[j]] = static_cast<int>(j) + 1;
        for (std::size_t i = 0; i < oldLines.size(); ++i) {
            const auto it = newPlace.find(oldLines[i]);
            const int expected = it == newPlace.end() ? -1 : it->second;
            EXPECT_EQ(expected, fp->mapLine(static_cast<int>(i) + 1)) << "seed " << s.seed << ", " << oldLines[i];
        }
        // The line after the old end lands after the new end.
        EXPECT_EQ(static_cast<int>(newLines.size()) + 1, fp->mapLine(static_cast<int>(oldLines.size()) + 1))
            << "seed " << s.seed;
    }
}
