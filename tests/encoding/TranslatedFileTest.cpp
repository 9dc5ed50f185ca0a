#include "ProductEnvironment.h"

#include "encoding/QL_Codec.h"
#include "encoding/QL_TranslateException.h"
#include "encoding/TranslatedFile.h"

#include <gtest/gtest.h>

#include <QDir>

#include <unistd.h>

namespace {

std::string readAll(std::FILE* file)
{
    std::string bytes;
    char buffer[256];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    return bytes;
}

bool exists(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

// Files in dir other than the inputs the test wrote.
int leftovers(const TempDir& dir)
{
    return static_cast<int>(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files).filter("ktw").size());
}

} // namespace

TEST(TranslatedFile, ReadsEveryKindAsWorkingText)
{
    struct Row {
        const char* name;
        U_EncodingKind kind;
        std::string bytes;
        std::string expected;  // EUC-JP
        bool copied;
    };
    const Row rows[] = {
        {"ascii", eceNone, "x = 1;\n", "x = 1;\n", false},
        {"euc", eceEUC, "\xA4\xA2\n", "\xA4\xA2\n", false},
        {"sjis", eceSJIS, "\x82\xA0\n", "\xA4\xA2\n", true},
        {"jis", eceNewJIS, "\x1B$B$\"\x1B(B\n", "\xA4\xA2\n", true},
        {"utf8", eceUTF, "\xE3\x81\x82\n", "\xA4\xA2\n", true},
        {"utf8bom", eceUTF, "\xEF\xBB\xBF\xE3\x81\x82\n", "\xA4\xA2\n", true},
        {"utf16", eceUTF, std::string("\xFF\xFE\x42\x30\n\0", 6), "\xA4\xA2\n", true},
    };
    ProductEnvironment pe;
    pe.env.set("LANG", "ja_JP.eucJP");  // UTF-8 files convert into EUC-JP
    TempDir dir;
    for (const Row& r : rows) {
        const std::string input = dir.write(r.name, r.bytes);
        TranslatedFile file(r.kind, dir.path());
        std::FILE* handle = file.open(input, true);
        ASSERT_NE(nullptr, handle) << r.name;
        EXPECT_EQ(r.expected, readAll(handle)) << r.name;
        EXPECT_EQ(r.copied, file.isTemporary()) << r.name;
        const std::string opened = file.path();
        EXPECT_EQ(r.copied, opened != input) << r.name;
        file.close();
        EXPECT_EQ(r.copied, !exists(opened)) << r.name;
        EXPECT_TRUE(exists(input)) << r.name;
        EXPECT_EQ(0, leftovers(dir)) << r.name;
    }
}

TEST(TranslatedFile, Failures)
{
    ProductEnvironment pe;
    TempDir dir;
    const std::string input = dir.write("in", "\x82\xA0");

    // A missing input gives no handle and leaves no copy behind, whatever the kind.
    for (U_EncodingKind kind : {eceNone, eceSJIS, eceOldJIS, eceUTF}) {
        TranslatedFile file(kind, dir.path());
        EXPECT_EQ(nullptr, file.open(dir.file("missing"), true)) << kind;
        EXPECT_EQ(0, leftovers(dir)) << kind;
    }

    TranslatedFile invalid(eceInvalid, dir.path());
    EXPECT_THROW(invalid.open(input, true), QL_InvalidEncodingException);
    TranslatedFile unknown(9, dir.path());
    EXPECT_THROW(unknown.open(input, true), QL_InvalidEncodingException);
    EXPECT_EQ(0, leftovers(dir));

    // No usable directory for the copy.
    TranslatedFile noTemp(eceSJIS, dir.file("nowhere"));
    try {
        noTemp.open(input, true);
        FAIL() << "expected QL_TranslateFileOpenException";
    } catch (const QL_TranslateFileOpenException& e) {
        EXPECT_STREQ("Cannot open file: ''.", e.what());
    }
}

TEST(TranslatedFile, CopyIsCreatedExclusively)
{
    ProductEnvironment pe;
    TempDir dir;
    const std::string input = dir.write("in.txt", "\xE3\x81\x82");
    const std::string victim = dir.write("victim", "precious");
    const std::string planted = dir.file("planted");
    ASSERT_EQ(0, ::symlink(victim.c_str(), planted.c_str()));
    EXPECT_THROW(QL_Codec::translateFileToFile(pe.product, planted, eceEUC, input, eceUTF),
                 QL_TranslateFileOpenException);
    EXPECT_EQ("precious", dir.read("victim"));
}

// Under the rule Owner::UserOrRoot a file that neither the running user nor
// root owns is not read, whatever its kind (nothing converted, no copy
// left), and one that root owns is; the rule is that of the descriptor
// opened, not of a look by name before.
TEST(TranslatedFile, OwnerRuleHoldsForTheFileOpened)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a file of another user";
    ProductEnvironment pe;
    pe.env.set("LANG", "ja_JP.eucJP");
    TempDir dir;
    struct Row {
        U_EncodingKind kind;
        std::string bytes;
        std::string expected;  // EUC-JP
    };
    const Row rows[] = {
        {eceNone, "-x\n", "-x\n"},
        {eceEUC, "\xA4\xA2\n", "\xA4\xA2\n"},
        {eceSJIS, "\x82\xA0\n", "\xA4\xA2\n"},
        {eceNewJIS, "\x1B$B$\"\x1B(B\n", "\xA4\xA2\n"},
        {eceUTF, "\xE3\x81\x82\n", "\xA4\xA2\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.kind);
        const std::string input = dir.write("in", r.bytes);
        ASSERT_EQ(0, ::chown(input.c_str(), 4242, 4242));
        TranslatedFile refused(r.kind, dir.path(), TranslatedFile::Owner::UserOrRoot);
        EXPECT_EQ(nullptr, refused.open(input, false));
        EXPECT_FALSE(refused.isTemporary());
        EXPECT_EQ(0, leftovers(dir));

        TranslatedFile anyone(r.kind, dir.path(), TranslatedFile::Owner::Anyone);
        std::FILE* read = anyone.open(input, false);
        ASSERT_NE(nullptr, read);
        EXPECT_EQ(r.expected, readAll(read));
        anyone.close();

        ASSERT_EQ(0, ::chown(input.c_str(), 0, 0));
        TranslatedFile roots(r.kind, dir.path(), TranslatedFile::Owner::UserOrRoot);
        read = roots.open(input, false);
        ASSERT_NE(nullptr, read);
        EXPECT_EQ(r.expected, readAll(read));
        roots.close();
        EXPECT_EQ(0, leftovers(dir));
    }
}
