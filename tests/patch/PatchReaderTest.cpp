#include "patch/Patch.h"
#include "patch/PatchReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <tuple>
#include <vector>

namespace {

using Mappings = std::vector<std::tuple<int, int, int>>;
using Sections = std::map<std::string, Mappings>;

Sections sectionsOf(const Patch& patch)
{
    Sections out;
    for (const auto& [name, fp] : patch.filePatches()) {
        EXPECT_EQ(name, fp->name());
        Mappings& m = out[name];
        for (const LineMapping& lm : fp->mappings())
            m.emplace_back(lm.first, lm.last, lm.target);
    }
    return out;
}

} // namespace

TEST(PatchReader, ReadsSectionsAndPassesOverWhatItCannotUse)
{
    struct Row {
        const char* what;
        std::string text;
        bool hasPatch;
        Sections sections;
    };
    const Row rows[] = {
        {"no header", "5a6\n3d2\n", false, {}},
        {"empty text", "", false, {}},
        {"header alone is six characters", "File: \n5a6\n", false, {}},
        {"no blank after the colon", "File:a.c\n5a6\n", false, {}},
        {"lower-case header", "file: a.c\n5a6\n", false, {}},
        {"plain commands", "File: a.c\n5a6,7\n3,4d2\n2c2,3\n", true,
         {{"a.c", {{2, 2, -1}, {3, 3, 4}, {3, 4, -1}, {5, 5, 3}, {6, 6, 8}}}}},
        {"trailing blanks of the name", "File: a.c  \n5a6\n", true, {{"a.c", {{6, 6, 7}}}}},
        {"blank inside the name stays", "File: my file.c\n5a6\n", true, {{"my file.c", {{6, 6, 7}}}}},
        {"CR ends up in the name, not in a command", "File: a.c\r\n5a6\r\n3d2\r\n", true,
         {{"a.c\r", {{3, 3, -1}, {4, 4, 3}, {6, 6, 7}}}}},
        {"blanks between the parts", "File: a.c\n5 a 6\n", true, {{"a.c", {{6, 6, 7}}}}},
        {"blanks around the comma", "File: a.c\n5 , 7 d 4\n", true, {{"a.c", {{5, 7, -1}, {8, 8, 5}}}}},
        {"two commas", "File: a.c\n5,,7d4\n", true, {{"a.c", {{5, 7, -1}, {8, 8, 5}}}}},
        {"tab makes no command", "File: a.c\n5\ta6\n", true, {{"a.c", {}}}},
        {"missing new range", "File: a.c\n5a\n", true, {{"a.c", {{6, 6, 1}}}}},
        {"missing new range, blank", "File: a.c\n5a \n", true, {{"a.c", {{6, 6, 1}}}}},
        {"letter run: first letter counts", "File: a.c\n5ad7\n", true, {{"a.c", {{6, 6, 8}}}}},
        {"leading zeros", "File: a.c\n00000000000000000005a6\n", true, {{"a.c", {{6, 6, 7}}}}},
        {"text after the new range", "File: a.c\n5a6 junk\n", true, {{"a.c", {{6, 6, 7}}}}},
        {"unknown letter", "File: a.c\n5x6\n", true, {{"a.c", {}}}},
        {"diff body lines and blanks", "File: a.c\n2c2\n< old\n---\n> new\n\n\\ No newline at end of file\n", true,
         {{"a.c", {{2, 2, -1}, {3, 3, 3}}}}},
        {"commands before the first header", "3d2\n1a2\nFile: a.c\n5a6\n", true, {{"a.c", {{6, 6, 7}}}}},
        {"last line without newline", "File: a.c\n5a6", true, {{"a.c", {{6, 6, 7}}}}},
        {"repeated section: the first wins", "File: a.c\n2c2,3\nFile: b.c\n1d0\nFile: a.c\n5a6\n", true,
         {{"a.c", {{2, 2, -1}, {3, 3, 4}}}, {"b.c", {{1, 1, -1}, {2, 2, 1}}}}},
        {"empty name after trimming", "File:   \n5a6\n", true, {{"", {{6, 6, 7}}}}},
    };
    for (const Row& r : rows) {
        std::istringstream in(r.text);
        U_RefPtr<Patch> patch;
        Patch::read(in, patch);
        ASSERT_EQ(r.hasPatch, patch.isValid()) << r.what;
        if (patch) {
            EXPECT_EQ(r.sections, sectionsOf(*patch)) << r.what;
        }
    }
}

// A number, or a line of a mapping, beyond the signed 32-bit range makes the
// command add nothing: no number wraps round or reads as 0.
TEST(PatchReader, CommandsBeyondTheLineRangeAddNothing)
{
    struct Row {
        const char* command;
        Mappings mappings;
    };
    const Row rows[] = {
        {"99999999999a1", {}},
        {"2147483648a1", {}},
        {"5,99999999999d1", {}},
        {"5a4294967302", {}},
        {"2147483647a1", {}},    // N+1
        {"0a2147483647", {}},    // L+1
        {"1,2147483647d0", {}},  // B+1
        {"5d2147483647", {}},    // K+1
        {"5c2147483647", {}},
        {"1,2147483647c1", {}},
        {"2147483646a2147483646", {{2147483647, 2147483647, 2147483647}}},
        {"2147483647,2147483646d1", {{2147483647, 2147483646, -1}, {2147483647, 2147483647, 2}}},
        {"2147483646d2147483646", {{2147483646, 2147483646, -1}, {2147483647, 2147483647, 2147483647}}},
    };
    for (const Row& r : rows) {
        std::istringstream in(std::string("File: a.c\n") + r.command + "\n3d2\n");
        U_RefPtr<Patch> patch;
        Patch::read(in, patch);
        ASSERT_TRUE(patch) << r.command;
        Mappings expected = r.mappings;
        expected.emplace_back(3, 3, -1);  // the next command is read as ever
        expected.emplace_back(4, 4, 3);
        std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
            return LineMapping{std::get<0>(a), std::get<1>(a), 0} < LineMapping{std::get<0>(b), std::get<1>(b), 0};
        });
        EXPECT_EQ((Sections{{"a.c", expected}}), sectionsOf(*patch)) << r.command;
    }
}

// The change commands of one file, without a header: a line that reads like
// a header is no command, and the first command out of range fails the read.
TEST(PatchReader, ChangeCommandsOfOneFile)
{
    struct Row {
        const char* what;
        std::string text;
        bool ok;
        std::string badLine;
        Mappings mappings;
    };
    const Row rows[] = {
        {"commands", "5a6,7\n3,4d2\n", true, "", {{3, 4, -1}, {5, 5, 3}, {6, 6, 8}}},
        {"a header line is no section", "File: x\n1,99d0\n", true, "", {{1, 99, -1}, {100, 100, 1}}},
        {"nothing", "", true, "", {}},
        {"chatter", "< a\n---\n", true, "", {}},
        {"a number too large", "2d1\n99999999999a1\n5a6\n", false, "99999999999a1", {{2, 2, -1}, {3, 3, 2}}},
        {"a mapping line too large", "0a2147483647\r\n", false, "0a2147483647\r", {}},
        {"a digit run that is no command", "99999999999\n", true, "", {}},
    };
    for (const Row& r : rows) {
        std::istringstream in(r.text);
        U_RefPtr<FilePatch> file(new FilePatch("f.c"));
        std::string badLine;
        EXPECT_EQ(r.ok, PatchReader::readChangeCommands(in, file, badLine)) << r.what;
        EXPECT_EQ(r.badLine, badLine) << r.what;
        Mappings got;
        for (const LineMapping& m : file->mappings())
            got.emplace_back(m.first, m.last, m.target);
        EXPECT_EQ(r.mappings, got) << r.what;
    }
}

TEST(PatchReader, ExtendsAGivenPatch)
{
    U_RefPtr<Patch> given(new Patch);
    U_RefPtr<FilePatch> present(new FilePatch("a.c"));
    given->addFilePatch(present);
    U_RefPtr<Patch> holder = given;

    std::istringstream in("File: a.c\n5a6\nFile: b.c\n1d0\n");
    Patch::read(in, holder);
    EXPECT_EQ(given, holder);
    EXPECT_EQ(present, holder->getFilePatch("a.c"));
    EXPECT_TRUE(present->mappings().empty());  // the text's a.c section was refused
    ASSERT_TRUE(holder->getFilePatch("b.c"));
    EXPECT_EQ(-1, holder->getFilePatch("b.c")->mapLine(1));

    // The CR-named section is not found under the plain name.
    std::istringstream crText("File: c.c\r\n5a6\n");
    U_RefPtr<Patch> cr;
    Patch::read(crText, cr);
    ASSERT_TRUE(cr);
    EXPECT_FALSE(cr->getFilePatch("c.c"));
    EXPECT_TRUE(cr->getFilePatch("c.c\r"));
}
