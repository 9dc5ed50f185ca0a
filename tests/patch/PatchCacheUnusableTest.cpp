// A patch.xml that cannot be used as a cache loads nothing, not even its
// stamp: one missing or unnamed, one that declares more than the layout, a
// FIFO, a device, an unreadable file, a load that fails part way.

#include "PatchCacheFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace patchcachetest;

TEST_F(PatchCacheFile, MissingOrUnnamedFileLoadsNothing)
{
    PatchHandler missing;
    EXPECT_FALSE(tryLoad(dir.file("none.xml"), missing));
    EXPECT_EQ("sname= sdate=\n", dump(missing));
    EXPECT_EQ("sname= sdate=\n", dump(load("")));

    PatchGen gen;
    PatchHandler cache;
    EXPECT_FALSE(gen.read(&cache));
    EXPECT_FALSE(gen.write(&cache));
}

// A file that declares anything beyond the layout's document type could make
// its entities expand a thousandfold in memory; it is not used at all, not
// even its stamp. Declaring less, or nothing, is fine, and an entity that is
// referenced but not declared is an XML error like any other.
TEST_F(PatchCacheFile, WhatTheDocumentTypeMayDeclare)
{
    const std::string big(4000, 'x');
    std::string manyRefs;
    for (int i = 0; i < 2000; ++i)
        manyRefs += "&e;";
    std::string manyAttributes;
    for (int i = 0; i < 1100; ++i)
        manyAttributes += " a" + std::to_string(i) + "=\"\"";
    const std::string equals(2000, '=');
    const std::string loaded = "sname=s sdate=d\nf|x|1a1;\n";
    const std::string nothing = "sname= sdate=\n";
    struct Row {
        const char* what;
        std::string text;
        bool usable;
        std::string expected;
    };
    const Row rows[] = {
        {"an internal entity, used",
         headDeclaring("<!ENTITY e \"1a1\">\n") +
             "<PATCHFILE sname=\"s\" sdate=\"d\"><FILE name=\"f\"><DATE>x</DATE><PATCH>&e;</PATCH></FILE></PATCHFILE>\n",
         false, nothing},
        {"an internal entity, never used", headDeclaring("<!ENTITY e \"1a1\">\n") + kOneEntry, false, nothing},
        {"an entity expanding to megabytes", headDeclaring("<!ENTITY e \"" + big + "\">\n") +
             "<PATCHFILE sname=\"s\" sdate=\"d\"><FILE name=\"f\"><PATCH>" + manyRefs + "</PATCH></FILE></PATCHFILE>\n",
         false, nothing},
        {"a parameter entity", headDeclaring("<!ENTITY % p \"<!ENTITY e 'y'>\">\n%p;\n") + kOneEntry, false, nothing},
        {"a notation and an unparsed entity",
         headDeclaring("<!NOTATION n SYSTEM \"n\">\n<!ENTITY u SYSTEM \"u\" NDATA n>\n") + kOneEntry, false, nothing},
        {"an attribute default", headDeclaring("<!ATTLIST FILE extra CDATA \"" + big + "\">\n") + kOneEntry, false, nothing},
        {"an element of its own", headDeclaring("<!ELEMENT X ANY>\n") + kOneEntry, false, nothing},
        {"a comment in the subset", headDeclaring("<!-- note -->\n") + kOneEntry, false, nothing},
        {"an external subset",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE PATCHFILE SYSTEM \"patch.dtd\" [\n<!ELEMENT PATCH (#PCDATA)>\n]>\n" + kOneEntry,
         false, nothing},
        {"another document type name", "<!DOCTYPE OTHER [\n<!ELEMENT PATCH (#PCDATA)>\n]>\n" + kOneEntry, false, nothing},
        {"an entity in a document type after the root element",
         "<PATCHFILE sname=\"s\" sdate=\"d\"><FILE name=\"f\"><DATE>x</DATE><PATCH>1a1</PATCH></FILE>"
         "<!DOCTYPE PATCHFILE [<!ENTITY e \"" + big + "\"><!ATTLIST FILE z CDATA \"" + manyRefs + "\">]></PATCHFILE>\n",
         false, nothing},
        {"an entity where the file is cut", headDeclaring("<!ENTITY e \"1a"), false, nothing},
        {"a declared encoding does not hide an entity",
         "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<!DOCTYPE PATCHFILE [<!ENTITY e \"1a1\">]>\n" + kOneEntry, false,
         nothing},
        {"a tag with a thousand attributes and more",
         "<PATCHFILE sname=\"s\" sdate=\"d\"><FILE name=\"f\"" + manyAttributes + "><DATE>x</DATE></FILE></PATCHFILE>\n",
         false, nothing},
        {"a thousand attributes and more after a value holding \">\" and \"'\"",
         "<PATCHFILE sname=\"s\" sdate=\"d\"><FILE name=\"f>'\"" + manyAttributes + "><DATE>x</DATE></FILE></PATCHFILE>\n",
         false, nothing},
        {"a thousand attributes and more after a processing instruction and a comment holding quotes",
         "<?pi \"?><!-- ' --><PATCHFILE sname=\"s\" sdate=\"d\"><FILE name=\"f\"" + manyAttributes +
             "><DATE>x</DATE></FILE></PATCHFILE>\n",
         false, nothing},

        {"the layout's own", kHead + kOneEntry, true, loaded},
        {"no document type", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + kOneEntry, true, loaded},
        {"a document type that declares nothing", "<!DOCTYPE PATCHFILE>\n" + kOneEntry, true, loaded},
        {"some of the layout's declarations, in another order, other white space",
         "<!DOCTYPE\tPATCHFILE[<!ATTLIST FILE\n name   CDATA #REQUIRED><!ELEMENT\tPATCH (#PCDATA)> ] >" + kOneEntry, true,
         loaded},
        {"an undeclared entity is an XML error: the records before it stay",
         kHead + "<PATCHFILE sname=\"s\" sdate=\"d\"><FILE name=\"f\"><DATE>x</DATE><PATCH>1a1</PATCH></FILE>"
                 "<FILE name=\"g\"><PATCH>&e;</PATCH></FILE></PATCHFILE>\n",
         true, loaded},
        {"bytes that are not UTF-8 end the text where they stand",
         kHead + "<PATCHFILE sname=\"s\" sdate=\"d\"><FILE name=\"f\"><DATE>x</DATE><PATCH>1a1</PATCH></FILE>"
                 "<FILE name=\"g\xC3(\"></FILE></PATCHFILE>\n",
         true, loaded},
        {"a declared encoding is not followed",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
         "<PATCHFILE sname=\"s\" sdate=\"d\"><FILE name=\"\xC3\xA4\"><DATE>x</DATE></FILE></PATCHFILE>\n",
         true, "sname=s sdate=d\n\xC3\xA4|x|\n"},
        {"attributes and equal signs as a file of the layout may have them",
         "<PATCHFILE sname=\"s\" sdate=\"d\"><FILE name=\"f\"><DATE>x</DATE><PATCH>1a1</PATCH></FILE>"
         "<FILE name=\"" + std::string(1000, '=') + "\"></FILE></PATCHFILE>\n",
         true, "sname=s sdate=d\n" + std::string(1000, '=') + "||\nf|x|1a1;\n"},
        {"equal signs in a value, element text, a comment, a CDATA section and a processing instruction",
         "<?pi " + equals + "?><!-- " + equals + " --><PATCHFILE sname=\"s\" sdate=\"d\">"
         "<FILE name=\"" + equals + "\"><PATCH>1a2 " + equals + "</PATCH><PATCH><![CDATA[2a3 " + equals +
             "]]></PATCH></FILE></PATCHFILE>\n",
         true, "sname=s sdate=d\n" + equals + "||1a2 " + equals + ";2a3 " + equals + ";\n"},
    };
    for (const Row& row : rows) {
        dir.write("patch.xml", row.text);
        PatchHandler cache;
        EXPECT_EQ(row.usable, tryLoad(path, cache)) << row.what;
        EXPECT_EQ(row.expected, dump(cache)) << row.what;
    }
}

// Only a regular file, or a link to one, is read: a FIFO would block the run
// for ever and a device would be read as if it were the cache. The name is
// opened as its bytes, whatever the locale makes of them.
TEST_F(PatchCacheFile, OnlyRegularFilesAreRead)
{
    const std::string body = kHead + kOneEntry;
    dir.write("real.xml", body);
    ASSERT_EQ(0, ::mkfifo(dir.file("fifo.xml").c_str(), 0600));
    ASSERT_EQ(0, ::mkdir(dir.file("dir.xml").c_str(), 0700));
    ASSERT_EQ(0, ::symlink("real.xml", dir.file("link.xml").c_str()));
    ASSERT_EQ(0, ::symlink("/dev/null", dir.file("null.xml").c_str()));
    ASSERT_EQ(0, ::symlink("/dev/zero", dir.file("zero.xml").c_str()));
    ASSERT_EQ(0, ::symlink("fifo.xml", dir.file("fifolink.xml").c_str()));
    dir.write("patch\xFF.xml", body);
    struct Row {
        const char* name;
        bool usable;
    };
    const Row rows[] = {
        {"real.xml", true},  {"link.xml", true},  {"patch\xFF.xml", true}, {"fifo.xml", false},
        {"fifolink.xml", false}, {"dir.xml", false}, {"null.xml", false},     {"zero.xml", false},
    };
    for (const Row& row : rows) {
        ::alarm(20);  // a blocked open ends the test rather than hanging it
        PatchHandler cache;
        EXPECT_EQ(row.usable, tryLoad(dir.file(row.name), cache)) << row.name;
        ::alarm(0);
        EXPECT_EQ(row.usable ? "sname=s sdate=d\nf|x|1a1;\n" : "sname= sdate=\n", dump(cache)) << row.name;
    }
    struct stat st;
    ASSERT_EQ(0, ::lstat(dir.file("fifo.xml").c_str(), &st));
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(PatchCacheFile, AFileThatCannotBeReadLoadsNothing)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    dir.write("real.xml", kHead + kOneEntry);
    ASSERT_EQ(0, ::chmod(dir.file("real.xml").c_str(), 0));
    PatchHandler cache;
    EXPECT_FALSE(tryLoad(dir.file("real.xml"), cache));
    EXPECT_EQ("sname= sdate=\n", dump(cache));
}

// A failure of any kind while loading (here memory running out in the middle
// of the entries) leaves the cache empty, the stamp too, and is reported as a
// file that cannot be used rather than passed on.
TEST_F(PatchCacheFile, FailureWhileLoadingLeavesNothing)
{
    struct Failing : PatchHandler {
        void addFile(const std::string& name, const std::string& date, const PatchLines& lines) override
        {
            if (name == "g")
                throw std::bad_alloc();
            PatchHandler::addFile(name, date, lines);
        }
    };
    dir.write("patch.xml", kHead + "<PATCHFILE sname=\"s\" sdate=\"d\"><FILE name=\"f\"><PATCH>1a1</PATCH></FILE>"
                                   "<FILE name=\"g\"></FILE><FILE name=\"h\"></FILE></PATCHFILE>\n");
    Failing cache;
    EXPECT_FALSE(tryLoad(path, cache));
    EXPECT_EQ("sname= sdate=\n", dump(cache));
}

