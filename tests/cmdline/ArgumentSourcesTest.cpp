#include "cmdline/C_ArgsSource.h"
#include "cmdline/C_CmdArgStreamBuffer.h"
#include "cmdline/C_SourceStack.h"
#include "cmdline/U_EnvDirectories.h"
#include "encoding/ProductEnvironment.h"
#include "support/ScopedCurrentDirectory.h"

#include <gtest/gtest.h>

#include <istream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// Every word of the file source over path.
std::vector<std::string> fileWords(const U_Product& product, const std::string& path, bool substitute = true,
                                   TranslatedFile::Owner owner = TranslatedFile::Owner::Anyone)
{
    C_FileSource source(product, path, eceNone, "/tmp", owner);
    std::vector<std::string> words;
    std::string word;
    while (source.next(substitute, word))
        words.push_back(word);
    return words;
}

// Every line the parser would read from a buffer over stack.
std::vector<std::string> streamLines(const U_Product& product, C_SourceStack& stack)
{
    C_CmdArgStreamBuffer buffer(product, stack, eceNone, "/tmp");
    std::istream words(&buffer);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(words, line))
        lines.push_back(line);
    return lines;
}

using Words = std::vector<std::string>;

} // namespace

TEST(WordReader, SplitsOptionFilesIntoWords)
{
    ProductEnvironment p;
    p.env.set("VT_A", "alpha");
    p.env.set("VT_TWO", "x y");
    p.env.unset("VT_UNSET");
    struct Row {
        const char* name;
        std::string text;
        Words words;
    };
    const std::vector<Row> rows = {
        {"blanks, tabs and lines", "-a  b\t c\n\n  d\n", {"-a", "b", "c", "d"}},
        {"quotes join pieces", "a\"b c\"d 'e f' \"it's\"\n", {"ab cd", "e f", "it's"}},
        {"open quote ends at the line end", "\"a b\nc d\n", {"a bc", "d"}},
        {"file ends inside a quote", "x 'a b", {"x", "a b"}},
        {"last line without newline", "a\nb", {"a", "b"}},
        {"star line is a comment", "* -x y\na\n", {"a"}},
        {"star after blanks is a word", " * b\n", {"*", "b"}},
        {"hash is no comment", "# a\n", {"#", "a"}},
        {"backslash escapes nothing", "a\\b \\\"c\n", {"a\\b", "\\c"}},
        {"continuation joins lines", "ab\\\ncd e\n", {"abcd", "e"}},
        {"CR LF is a line end", "a b\r\nc\r\n", {"a", "b", "c"}},
        {"empty word ends the file", "a \"\" b\n", {"a"}},
        {"quoted blank is not empty", "a \" \" b\n", {"a", " ", "b"}},
        {"variables", "$VT_A ${VT_A}x $$VT_A $VT_UNSET. ${VT_UNSET}z\n", {"alpha", "alphax", "$VT_A", ".", "z"}},
        {"a value with blanks is several words", "-d$VT_TWO\n", {"-dx", "y"}},
        {"comment line then substitution empties a line", "*c\n$VT_UNSET\nlast\n", {"last"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string path = p.bin.write("words.txt", r.text);
        EXPECT_EQ(r.words, fileWords(p.product, path));
    }
}

TEST(WordReader, KeepsVariablesWhenSubstitutionIsOffAndReportsBadReferences)
{
    ProductEnvironment p;
    p.env.set("VT_A", "alpha");
    const std::string plain = p.bin.write("plain.txt", "$VT_A ${VT_A}\n");
    EXPECT_EQ((Words{"$VT_A", "${VT_A}"}), fileWords(p.product, plain, false));

    const std::string bad = p.bin.write("bad.txt", "a ${VT_A b\nc\n");
    testing::internal::CaptureStdout();
    const Words words = fileWords(p.product, bad);
    EXPECT_EQ("\nERROR: Badly formed variable substitution:\n\ta ${VT_A b\n\n", testing::internal::GetCapturedStdout());
    EXPECT_EQ((Words{"a", "c"}), words);
}

TEST(WordReader, LongLinesStayWhole)
{
    ProductEnvironment p;
    const std::string longWord(3000, 'w');
    p.env.set("VT_LONG", std::string(1500, 'v'));
    const std::string path = p.bin.write("long.txt", longWord + " ${VT_LONG}" + std::string(1000, 'x') + " end\n");
    const Words expected{longWord, std::string(1500, 'v') + std::string(1000, 'x'), "end"};
    EXPECT_TRUE(expected == fileWords(p.product, path));
}

TEST(FileSource, GivesNoWordsWithoutAReadableRegularFile)
{
    ProductEnvironment p;
    for (const std::string& path : {std::string(), p.bin.file("missing"), p.bin.path()}) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(fileWords(p.product, path).empty());
    }
}

// The rc file's owner is that of the file opened: one that another user
// puts in its place after the lookup gives no words. A via file, named by
// whoever runs the program, is read whoever owns it.
TEST(FileSource, RcFileReplacedAfterTheLookupGivesNoWords)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a file of another user";
    ProductEnvironment p;
    TempDir home, cwd;
    p.env.unset("ZXCPPRCPATH");
    p.env.set("HOME", home.path());
    ScopedCurrentDirectory inCwd(cwd.path());
    ASSERT_TRUE(inCwd.isValid());
    home.write(".zxcpprc", "-a\n");
    std::vector<std::string> skipped;
    const std::string rc = U_Env::rcFile(p.product, skipped);
    ASSERT_EQ(home.file(".zxcpprc"), rc);
    EXPECT_EQ((Words{"-a"}), fileWords(p.product, rc, true, TranslatedFile::Owner::UserOrRoot));

    const std::string swapped = home.write("swapped", "-b\n");
    ASSERT_EQ(0, ::chown(swapped.c_str(), 4242, 4242));
    ASSERT_EQ(0, ::rename(swapped.c_str(), rc.c_str()));
    EXPECT_EQ(Words{}, fileWords(p.product, rc, true, TranslatedFile::Owner::UserOrRoot));
    EXPECT_EQ((Words{"-b"}), fileWords(p.product, rc));
}

TEST(CmdArgStreamBuffer, DeliversOneWordPerLineInStackOrder)
{
    ProductEnvironment p;
    const std::string rc = p.bin.write("rc", "-rc1 a_rather_long_word_over_the_get_area\n");
    C_SourceStack stack(true);
    stack.push(U_RefPtr<C_ArgsSource>(new C_ArgvSource(p.product, {"-op", "", "x.c", "two\nlines"})));
    stack.push(U_RefPtr<C_ArgsSource>(new C_FileSource(p.product, rc, eceNone, "/tmp")));
    EXPECT_EQ((Words{"-rc1", "a_rather_long_word_over_the_get_area", "-op", "", "x.c", "two", "lines"}),
              streamLines(p.product, stack));
}

TEST(CmdArgStreamBuffer, FilePushedAfterALineIsReadBeforeTheNextWord)
{
    ProductEnvironment p;
    const std::string via = p.bin.write("via.txt", "v1 v2\n");
    C_SourceStack stack(true);
    stack.push(U_RefPtr<C_ArgsSource>(new C_ArgvSource(p.product, {"a", "-via", "b"})));
    C_CmdArgStreamBuffer buffer(p.product, stack, eceNone, "/tmp");
    std::istream words(&buffer);
    Words lines;
    std::string line;
    while (std::getline(words, line)) {
        lines.push_back(line);
        if (line == "-via") {
            ASSERT_TRUE(buffer.pushFile(via));
        }
    }
    EXPECT_EQ((Words{"a", "-via", "v1", "v2", "b"}), lines);
}

TEST(CmdArgStreamBuffer, RefusesAFileAlreadyOnTheStackAndTooDeepNesting)
{
    ProductEnvironment p;
    const std::string a = p.bin.write("a.txt", "x\n");
    const std::string b = p.bin.write("b.txt", "y\n");
    C_SourceStack stack(true);
    stack.push(U_RefPtr<C_ArgsSource>(new C_FileSource(p.product, a, eceNone, "/tmp")));
    C_CmdArgStreamBuffer buffer(p.product, stack, eceNone, "/tmp");
    EXPECT_FALSE(buffer.pushFile(a));
    EXPECT_FALSE(buffer.pushFile(p.bin.path() + "/./a.txt"));
    EXPECT_TRUE(buffer.pushFile(b));
    EXPECT_FALSE(buffer.pushFile(b));

    // Distinct files nest up to the limit; the next one is refused.
    for (std::size_t depth = 1; depth < C_CmdArgStreamBuffer::kMaxOptionFileDepth; ++depth)
        ASSERT_TRUE(buffer.pushFile(p.bin.write("n" + std::to_string(depth), "z\n"))) << depth;
    EXPECT_EQ(C_CmdArgStreamBuffer::kMaxOptionFileDepth, stack.optionFileDepth());
    EXPECT_FALSE(buffer.pushFile(p.bin.write("last", "z\n")));

    // Once read and dropped, a file may be named again.
    std::istream words(&buffer);
    std::string line;
    while (std::getline(words, line)) {
    }
    EXPECT_EQ(0u, stack.optionFileDepth());
    EXPECT_TRUE(buffer.pushFile(b));
}
