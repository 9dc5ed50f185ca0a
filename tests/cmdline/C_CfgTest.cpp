#include "CmdlineEnvironment.h"
#include "cmdline/C_Cfg.h"

#include <gtest/gtest.h>

#include <QDir>

#include <cstring>

namespace {

enum Product { kZxcpp = 0, kZxc = 1, kZxd = 2, kZxj = 3 };

// The rows of a section's entries in table; fails the test when it has none.
const C_CfgEntry* entriesOf(const C_CfgEntry* table, const char* section)
{
    for (const C_CfgEntry* row = table; row->type != C_CfgEntry::kEnd; ++row) {
        if (row->section && std::strcmp(row->section, section) == 0)
            return row + 1;
    }
    ADD_FAILURE() << "no section " << section;
    static const C_CfgEntry none{C_CfgEntry::kEnd, nullptr, nullptr, nullptr, 0};
    return &none;
}

struct ReadResult {
    std::string out;
    std::string err;
    bool open = false;
    std::string rest;  // what the returned file still holds
};

ReadResult readCfg(int product, const std::string& directory, bool substitute = true)
{
    ReadResult result;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    U_CountedPtr<TranslatedFile> file = C_Cfg::read(eceNone, directory, directory.c_str(),
                                                    kProductTable[product].lowerName,
                                                    C_Cfg::sectionTable(product), substitute);
    result.out = testing::internal::GetCapturedStdout();
    result.err = testing::internal::GetCapturedStderr();
    result.open = file.isValid();
    if (result.open) {
        int c;
        while ((c = std::getc(file->file())) != EOF)
            result.rest.push_back(static_cast<char>(c));
        file->close();
    }
    return result;
}

class CfgTest : public testing::Test {
protected:
    // Writes the product's configuration file and reads it.
    ReadResult read(int product, const std::string& text)
    {
        environment.bin.write(std::string(kProductTable[product].lowerName) + ".cfg", text);
        return readCfg(product, environment.bin.path());
    }
    const C_CfgEntry* table(int product) { return C_Cfg::sectionTable(product); }

    CmdlineEnvironment environment;
};

} // namespace

TEST_F(CfgTest, EveryProductFillsItsOwnSections)
{
    const ReadResult zxcpp = read(kZxcpp,
                                  "#help\nfirst help\nsecond help\n"
                                  "#characters\nabc\n#internal\n42\n"
                                  "#messages\nm1\nm2\nm3\n#levels\nL0\n"
                                  "#development\n1\n2\n3\n4\n#cyclomatic\n5\n6\n7\n8\n9\n#paths\n10\n11\n12\n"
                                  "#debugging\ndbg\n#general\n-1\n-2\n-3\n-4\n-5\n#comments\n13\n14\n"
                                  "#bathtub\n15\n16\n#options\n-op out\n");
    EXPECT_EQ(zxcpp.out, "");
    EXPECT_EQ(zxcpp.err, "");
    EXPECT_EQ(zxcpp.rest, "-op out\n");
    const C_CfgEntry* t = table(kZxcpp);
    EXPECT_EQ(entriesOf(t, "help")[0].strings[0], "first help");
    EXPECT_EQ(entriesOf(t, "help")[0].strings[1], "second help");
    EXPECT_EQ(*entriesOf(t, "characters")[0].strings, "abc");
    EXPECT_EQ(*entriesOf(t, "internal")[0].integers, 42);
    EXPECT_EQ(*entriesOf(t, "messages")[2].strings, "m3");
    EXPECT_EQ(entriesOf(t, "levels")[0].strings[0], "L0");
    EXPECT_EQ(*entriesOf(t, "development")[3].integers, 4);
    EXPECT_EQ(*entriesOf(t, "cyclomatic")[4].integers, 9);
    EXPECT_EQ(*entriesOf(t, "paths")[0].integers, 10);
    EXPECT_EQ(*entriesOf(t, "debugging")[0].strings, "dbg");
    EXPECT_EQ(*entriesOf(t, "general")[4].integers, -5);
    EXPECT_EQ(*entriesOf(t, "bathtub")[1].integers, 16);
    EXPECT_EQ(table(kZxj), t);

    const ReadResult zxc = read(kZxc, "#general\n1\n2\n3\n4\n5\n6\n7\n8\n#format\nf1\nf2\n#characters\nx\n#options\n");
    EXPECT_EQ(zxc.out, "\nERROR: Unknown section #characters\n");
    EXPECT_EQ(*entriesOf(table(kZxc), "general")[7].integers, 8);
    EXPECT_EQ(entriesOf(table(kZxc), "format")[0].strings[0], "f1");
    EXPECT_EQ(entriesOf(table(kZxc), "format")[1].strings[0], "f2");

    const ReadResult zxd = read(kZxd, "#help\nzxd help\n#messages\nx\n#options\n-e hi\n");
    EXPECT_EQ(zxd.out, "\nERROR: Unknown section #messages\n");
    EXPECT_EQ(entriesOf(table(kZxd), "help")[0].strings[0], "zxd help");
    EXPECT_EQ(zxd.rest, "-e hi\n");
}

TEST_F(CfgTest, SectionLinesDataLinesAndComments)
{
    struct Case {
        const char* label;
        std::string text;
        std::string out;
        std::string rest;
        std::vector<std::string> messages;  // the "messages" strings afterwards
    };
    const std::vector<Case> cases = {
        {"data before any section and after an unknown one is dropped silently",
         "lost\n#nosuch\nlost too\n#messages\na\nb\nc\n", "\nERROR: Unknown section #nosuch\n", "", {"a", "b", "c"}},
        {"a blank after # makes an empty name", "# options\n#messages\nA\nB\nC\n", "\nERROR: Unknown section #\n", "",
         {"A", "B", "C"}},
        {"an empty line fills the next string, a fourth is unexpected", "#messages\nA\n\nC\nD\n",
         "\nERROR: Unexpected configuration data: D\n\n", "", {"A", "", "C"}},
        {"the section name is the run of letters and digits", "#messages2 x\nA\nB\nC\n", "", "", {"A", "B", "C"}},
        {"options by prefix and case, words on its line unread", "#messages\nA\nB\nC\n#OPTIONSfile -x\n-y\n#messages\n",
         "", "-y\n#messages\n", {"A", "B", "C"}},
        {"a comment line is not a section", "*#options\n#messages\nA\nB\nC\n#Options\n", "", "", {"A", "B", "C"}},
        {"continuation lines join, also with CR LF", "#messages\none\\\r\ntwo\r\nB\\\nB\nC\r\n", "", "",
         {"onetwo", "BB", "C"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const ReadResult result = read(kZxc, c.text);
        EXPECT_TRUE(result.open);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.rest, c.rest);
        const C_CfgEntry* messages = entriesOf(table(kZxc), "messages");
        for (std::size_t i = 0; i < c.messages.size(); ++i)
            EXPECT_EQ(*messages[i].strings, c.messages[i]) << i;
    }
}

TEST_F(CfgTest, DataLinesSubstituteVariablesAndEscapes)
{
    environment.env.set("CFG_V", "value");
    environment.env.set("CFG_V_DIR", "dir");
    environment.env.unset("CFG_UNSET");
    const ReadResult result = read(kZxcpp,
                                   "#internal\n7\n#development\n$CFG_N\n"
                                   "#messages\n$$CFG_V ${CFG_V}.$CFG_V_DIR$CFG_UNSET!\n"
                                   "a\\tb\\$CFG_V\\\\x\nkept${CFG_V lost\n#options\n");
    EXPECT_EQ(result.out, "\nERROR: Badly formed variable substitution:\n\tkept${CFG_V lost\n\n");
    const C_CfgEntry* messages = entriesOf(table(kZxcpp), "messages");
    EXPECT_EQ(*messages[0].strings, "$CFG_V value.dir!");
    EXPECT_EQ(*messages[1].strings, "a\tb$CFG_V\\x");
    EXPECT_EQ(*messages[2].strings, "kept");
    // An integer line is never substituted: "$CFG_N" holds no number.
    *entriesOf(table(kZxcpp), "development")[0].integers = 3;
    read(kZxcpp, "#development\n$CFG_N\n");
    EXPECT_EQ(*entriesOf(table(kZxcpp), "development")[0].integers, 3);

    environment.bin.write("zxcpp.cfg", "#messages\n$CFG_V\n");
    readCfg(kZxcpp, environment.bin.path(), false);
    EXPECT_EQ(*messages[0].strings, "$CFG_V");
}

TEST_F(CfgTest, LongLinesAreKeptWholeBeforeAndAfterSubstitution)
{
    const std::string longText(3000, 'x');
    const std::string longValue(2000, 'v');
    environment.env.set("CFG_LONG", longValue);
    const ReadResult result =
        read(kZxc, "#messages\n" + longText + "\n" + std::string(1000, 'a') + "$CFG_LONG\n" + longText.substr(0, 1500) +
                       "\\\n" + longText.substr(0, 1500) + "\n#options\n-x\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.rest, "-x\n");
    const C_CfgEntry* messages = entriesOf(table(kZxc), "messages");
    EXPECT_EQ(*messages[0].strings, longText);
    EXPECT_EQ(*messages[1].strings, std::string(1000, 'a') + longValue);
    EXPECT_EQ(*messages[2].strings, longText);
}

TEST_F(CfgTest, AFileThatCannotBeOpenedIsReportedOnStandardError)
{
    // Missing, and a directory in the file's place (which Linux would open).
    ReadResult missing = readCfg(kZxc, environment.bin.path());
    EXPECT_FALSE(missing.open);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "\nERROR: Unable to open configuration file " + environment.bin.file("zxc.cfg") + "\n\n");

    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(environment.bin.file("zxc.cfg"))));
    ReadResult directory = readCfg(kZxc, environment.bin.path());
    EXPECT_FALSE(directory.open);
    EXPECT_EQ(directory.err, missing.err);

    // The BIN value's backslashes become "/".
    ReadResult backslashes = readCfg(kZxd, "no\\such");
    EXPECT_EQ(backslashes.err, "\nERROR: Unable to open configuration file no/such/zxd.cfg\n\n");
}

TEST(CfgLines, GetLineFoldsCrLfAndJoinsContinuations)
{
    TempDir dir;
    struct Case {
        const char* label;
        std::string text;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"last line without line feed", "a\nb", {"a\n", "b"}},
        {"CR LF is a line end", "a\r\nb\r\n", {"a\n", "b\n"}},
        {"a CR alone stays", "a\rb\n", {"a\rb\n"}},
        {"continuation", "one\\\ntwo\nthree\n", {"onetwo\n", "three\n"}},
        {"continuation before CR LF", "one\\\r\ntwo\r\n", {"onetwo\n"}},
        {"chained continuations", "x\\\ny\\\nz\n", {"xyz\n"}},
        {"continuation at the end of the file stays", "last\\\n", {"last\\\n"}},
        {"a long line comes whole", std::string(5000, 'l') + "\nz\n", {std::string(5000, 'l') + "\n", "z\n"}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::FILE* file = std::fopen(dir.write("lines.txt", c.text).c_str(), "r");
        ASSERT_NE(file, nullptr);
        std::vector<std::string> lines;
        std::string line;
        while (C_Cfg::getLine(line, file))
            lines.push_back(line);
        std::fclose(file);
        EXPECT_EQ(lines, c.lines);
    }
}

TEST(CfgLines, SubstituteModes)
{
    CmdlineEnvironment environment;
    environment.env.set("CFG_V", "v a");
    struct Case {
        const char* line;
        bool stopAtNewline, dollars, escapes;
        std::string result;
        std::string out;
    };
    const std::vector<Case> cases = {
        {"\n", true, true, true, "", ""},
        {"$$CFG_V\n", true, true, true, "$CFG_V", ""},
        {"${CFG_V}x\n", true, true, true, "v ax", ""},
        {"$CFG_V.x\n", true, true, true, "v a.x", ""},
        {"${}x$\n", true, true, true, "x", ""},
        {"$CFG_V\n", true, false, true, "$CFG_V", ""},
        {"a\\n\\t\\x\\\n", true, true, true, "a\n\tx\n", ""},
        {"x\\", false, false, true, "x", ""},
        // The option-file mode: the line feed stays, no escapes.
        {"-d $CFG_V\\t\n", false, true, false, "-d v a\\t\n", ""},
        {"a${CFG_V b\n", false, true, false, "a\n", "\nERROR: Badly formed variable substitution:\n\ta${CFG_V b\n\n"},
        {"a${CFG_V\n}\n", true, true, true, "a", "\nERROR: Badly formed variable substitution:\n\ta${CFG_V\n}\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string line = c.line;
        testing::internal::CaptureStdout();
        C_Cfg::substitute(line, c.stopAtNewline, c.dollars, c.escapes);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out);
        EXPECT_EQ(line, c.result);
    }
}
