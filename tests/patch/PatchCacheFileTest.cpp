#include "patch/PatchGen.h"
#include "patch/PatchGen_ReaderXML.h"
#include "patch/PatchGen_WriterXML.h"
#include "patch/PatchHandler.h"
#include "patch/PatchRecordStreamReader.h"

#include "support/TempDir.h"

#include <QDir>
#include <QTextCodec>

#include <gtest/gtest.h>

#include <cstdio>

#include <algorithm>
#include <map>
#include <new>
#include <csignal>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "\n"
    "<!DOCTYPE PATCHFILE [\n"
    "<!ELEMENT PATCHFILE (FILE*)>\n"
    "<!ELEMENT FILE  (DATE*, PATCH*)>\n"
    "<!ELEMENT DATE  (#PCDATA)>\n"
    "<!ELEMENT PATCH (#PCDATA)>\n"
    "<!ATTLIST PATCHFILE sname CDATA #REQUIRED>\n"
    "<!ATTLIST PATCHFILE sdate CDATA #REQUIRED>\n"
    "<!ATTLIST FILE name CDATA #REQUIRED>\n"
    "]>\n"
    "\n";

const std::string kDigestA = "0123456789abcdef0123456789abcdef";
const std::string kDigestB = "fedcba9876543210fedcba9876543210";

// One line per entry, "name|date|line;line;", after the stamp.
std::string dump(const PatchHandler& cache)
{
    std::string out = "sname=" + cache.sname() + " sdate=" + cache.sdate() + "\n";
    for (const auto& file : cache.files()) {
        out += file.first + "|" + file.second.date + "|";
        for (const std::string& line : file.second.lines)
            out += line + ";";
        out += "\n";
    }
    return out;
}

std::string xmlOf(const PatchHandler& cache)
{
    std::ostringstream out;
    cache.writeXML(out);
    return out.str();
}

// The driver's load: reader strategy, open, read, close.
PatchHandler load(const std::string& path)
{
    PatchHandler cache;
    PatchGen gen;
    PatchGen_ReaderXML reader;
    gen.setReader(&reader);
    EXPECT_TRUE(reader.open(path.c_str()));
    EXPECT_TRUE(gen.read(&cache));
    EXPECT_TRUE(reader.close());
    return cache;
}

// The same where the file may be one that cannot be used: whether open and
// read both succeeded.
bool tryLoad(const std::string& path, PatchHandler& cache)
{
    PatchGen gen;
    PatchGen_ReaderXML reader;
    gen.setReader(&reader);
    const bool opened = reader.open(path.c_str());
    const bool read = gen.read(&cache);
    EXPECT_TRUE(reader.close());
    EXPECT_FALSE(cache.isModified());
    return opened && read;
}

// The fixed head with extra declared before the end of its internal subset.
std::string headDeclaring(const std::string& extra)
{
    std::string head = kHead;
    head.insert(head.find("]>"), extra);
    return head;
}

const std::string kOneEntry =
    "<PATCHFILE sname=\"s\" sdate=\"d\"><FILE name=\"f\"><DATE>x</DATE><PATCH>1a1</PATCH></FILE></PATCHFILE>\n";

// The driver's save: writer strategy, open, and only then write and close.
bool save(PatchHandler& cache, const std::string& path)
{
    PatchGen gen;
    PatchGen_WriterXML writer;
    gen.setWriter(&writer);
    if (!writer.open(path.c_str()))
        return false;
    const bool written = gen.write(&cache);
    return writer.close() && written;
}

// The names in dir, sorted, hidden ones too; a save must leave no stray
// files behind.
std::vector<std::string> filesIn(const TempDir& dir)
{
    std::vector<std::string> names;
    for (const QString& name :
         QDir(QString::fromStdString(dir.path())).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name))
        names.push_back(name.toStdString());
    return names;
}

// A cache with every feature of the layout: names that need escaping, an
// entry without date or lines, an entry with lines but no date, a non-ASCII
// name, and names whose byte order differs from their letter order.
PatchHandler filledCache()
{
    PatchHandler cache;
    cache.setSName("/data/base \"line\" & co.sup");
    cache.setSDate(kDigestA);
    cache.setDate("src/\"q\".c", kDigestB);
    cache.addPatch("src/\"q\".c", "5,6d4");
    cache.addPatch("src/\"q\".c", "7a8,9");
    cache.ensureFile("a.c");
    cache.addPatch("src/<x>&y.h", "2c2 <tag> &");
    cache.setDate("src/\xC3\xA4.c", kDigestA);
    cache.setDate("B.c", kDigestB);
    cache.addPatch("B.c", "1c1");
    return cache;
}

const std::string kFilledXml = kHead +
    "<PATCHFILE sname=\"/data/base &quot;line&quot; &amp; co.sup\" sdate=\"0123456789abcdef0123456789abcdef\">\n"
    "   <FILE name=\"B.c\">\n"
    "      <DATE>fedcba9876543210fedcba9876543210</DATE>\n"
    "      <PATCH>1c1</PATCH>\n"
    "   </FILE>\n"
    "   <FILE name=\"a.c\">\n"
    "   </FILE>\n"
    "   <FILE name=\"src/&quot;q&quot;.c\">\n"
    "      <DATE>fedcba9876543210fedcba9876543210</DATE>\n"
    "      <PATCH>5,6d4</PATCH>\n"
    "      <PATCH>7a8,9</PATCH>\n"
    "   </FILE>\n"
    "   <FILE name=\"src/&lt;x&gt;&amp;y.h\">\n"
    "      <PATCH>2c2 &lt;tag&gt; &amp;</PATCH>\n"
    "   </FILE>\n"
    "   <FILE name=\"src/\xC3\xA4.c\">\n"
    "      <DATE>0123456789abcdef0123456789abcdef</DATE>\n"
    "   </FILE>\n"
    "</PATCHFILE>\n"
    "\n";

class PatchCacheFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // The byte expectations below are for a UTF-8 locale, which the test
        // set-up pins.
        ASSERT_EQ(QByteArray("UTF-8"), QTextCodec::codecForLocale()->name());
        path = dir.file("patch.xml");
    }

    // A file not written by the writer and what the reader makes of it.
    struct ReaderRow {
        const char* what;
        std::string body;      // what follows the fixed head
        std::string expected;  // dump() of the loaded cache
    };

    // Loads each row's file, which must be usable, and checks what it gives.
    void expectLoads(const std::vector<ReaderRow>& rows)
    {
        for (const ReaderRow& r : rows) {
            dir.write("patch.xml", kHead + r.body);
            PatchHandler loaded;
            EXPECT_TRUE(tryLoad(path, loaded)) << r.what;
            EXPECT_EQ(r.expected, dump(loaded)) << r.what;
        }
    }

    TempDir dir;
    std::string path;
};

} // namespace

TEST_F(PatchCacheFile, EmptyCacheBytes)
{
    PatchHandler cache;
    ASSERT_TRUE(save(cache, path));
    EXPECT_EQ(kHead + "<PATCHFILE sname=\"\" sdate=\"\">\n</PATCHFILE>\n\n", dir.read("patch.xml"));
    EXPECT_EQ(std::vector<std::string>{"patch.xml"}, filesIn(dir));

    const PatchHandler loaded = load(path);
    EXPECT_EQ("sname= sdate=\n", dump(loaded));
    EXPECT_FALSE(loaded.isModified());
}

TEST_F(PatchCacheFile, FilledCacheBytesAndRoundTrip)
{
    PatchHandler cache = filledCache();
    ASSERT_TRUE(save(cache, path));
    ASSERT_EQ(kFilledXml, dir.read("patch.xml"));

    PatchHandler loaded = load(path);
    EXPECT_FALSE(loaded.isModified());
    EXPECT_EQ(dump(cache), dump(loaded));

    // Saving what was loaded gives the same bytes again.
    ASSERT_TRUE(save(loaded, path));
    EXPECT_EQ(kFilledXml, dir.read("patch.xml"));
    EXPECT_EQ(std::vector<std::string>{"patch.xml"}, filesIn(dir));
}

// Cut anywhere, the file loads exactly the FILE elements whose end tag lies
// before the cut, each whole; the stamp once the PATCHFILE tag is whole.
TEST_F(PatchCacheFile, TruncatedFileLoadsOnlyCompleteRecords)
{
    const PatchHandler full = filledCache();
    std::vector<std::size_t> fileEnds;  // just past each "</FILE>"
    for (std::size_t at = kFilledXml.find("</FILE>"); at != std::string::npos; at = kFilledXml.find("</FILE>", at + 1))
        fileEnds.push_back(at + 7);
    ASSERT_EQ(full.files().size(), fileEnds.size());
    const std::size_t stampEnd = kFilledXml.find("<PATCHFILE ") + kFilledXml.substr(kFilledXml.find("<PATCHFILE ")).find('>') + 1;

    for (std::size_t cut = 0; cut <= kFilledXml.size(); ++cut) {
        dir.write("patch.xml", kFilledXml.substr(0, cut));
        const PatchHandler loaded = load(path);

        PatchHandler expected;
        if (cut >= stampEnd) {
            expected.setSName(full.sname());
            expected.setSDate(full.sdate());
        }
        std::size_t i = 0;
        for (const auto& file : full.files()) {
            if (cut >= fileEnds[i++])
                expected.addFile(file.first, file.second.date, file.second.lines);
        }
        ASSERT_EQ(dump(expected), dump(loaded)) << "cut at " << cut;
        EXPECT_FALSE(loaded.isModified());
    }
}

// Files not written by the writer: what the reader makes of unusual shapes.
TEST_F(PatchCacheFile, ReaderRules)
{
    expectLoads({
        {"same name twice: second date (none), lines of both",
         "<PATCHFILE sname=\"s\" sdate=\"d\">\n"
         "<FILE name=\"f\"><DATE>one</DATE><PATCH>1a1</PATCH></FILE>\n"
         "<FILE name=\"f\"><PATCH>2a2</PATCH></FILE>\n"
         "</PATCHFILE>\n",
         "sname=s sdate=d\nf||1a1;2a2;\n"},
        {"FILE without name adds nothing",
         "<PATCHFILE sname=\"s\" sdate=\"d\"><FILE><DATE>x</DATE><PATCH>1a1</PATCH></FILE></PATCHFILE>",
         "sname=s sdate=d\n"},
        {"two DATEs: the second wins",
         "<PATCHFILE sname=\"s\" sdate=\"d\"><FILE name=\"f\"><DATE>1</DATE><DATE>2</DATE></FILE></PATCHFILE>",
         "sname=s sdate=d\nf|2|\n"},
        {"missing stamp attributes are empty; unknown elements skipped",
         "<PATCHFILE><X><FILE name=\"no\"/></X><FILE name=\"f\"><X>y</X><PATCH>3d3</PATCH></FILE></PATCHFILE>",
         "sname= sdate=\nf||3d3;\n"},
        {"references resolved, whitespace kept by references",
         "<PATCHFILE sname=\"a&quot;b&apos;c\" sdate=\"d\">"
         "<FILE name=\"t&#9;n&#10;r&#13;&lt;&amp;&#x41;\"><PATCH> 1a1&#13;</PATCH></FILE></PATCHFILE>",
         "sname=a\"b'c sdate=d\nt\tn\nr\r<&A|| 1a1\r;\n"},
        {"an XML error keeps the records before it",
         "<PATCHFILE sname=\"s\" sdate=\"d\"><FILE name=\"f\"><PATCH>1a1</PATCH></FILE>"
         "<FILE name=\"g\"><PATCH>2a2</PATCH><PATCH>3a3</PATCH x></FILE><FILE name=\"h\"></FILE></PATCHFILE>",
         "sname=s sdate=d\nf||1a1;\n"},
        {"a child element inside PATCH is an error",
         "<PATCHFILE sname=\"s\" sdate=\"d\"><FILE name=\"f\"><PATCH>1<b/>a1</PATCH></FILE></PATCHFILE>",
         "sname=s sdate=d\n"},
    });
}

// The layout uses no namespaces, so none are processed: an "xmlns" attribute
// is an attribute like any other and a prefix is never looked up, which is
// what keeps reading a file of many nested declarations linear in its size.
// Markup a namespace-aware reader refuses (a prefix no declaration binds, an
// empty or reserved declaration) therefore costs no entries, while a
// declaration given twice is an attribute given twice: an XML error.
TEST_F(PatchCacheFile, NamespacesAreNotProcessed)
{
    std::string nested;
    for (int level = 0; level < 3; ++level) {
        nested += "<e";
        for (int i = 0; i < 4; ++i)
            nested += " xmlns:p" + std::to_string(4 * level + i) + "=\"urn:" + std::to_string(i) + "\"";
        nested += ">";
    }
    for (int i = 0; i < 12; ++i)
        nested += "<p" + std::to_string(i) + ":x/><x p" + std::to_string(i) + ":a=\"\"/>";
    nested += "</e></e></e>";
    const std::string entry = "<FILE name=\"f\"><DATE>x</DATE><PATCH>1a1</PATCH></FILE>";
    const std::string loaded = "sname=s sdate=d\nf|x|1a1;\n";
    expectLoads({
        {"declarations, empty ones and the default one, are plain attributes",
         "<PATCHFILE xmlns=\"urn:v\" xmlns:p=\"\" sname=\"s\" sdate=\"d\">"
         "<FILE xmlns:q=\"\" name=\"f\"><DATE>x</DATE><PATCH>1a1</PATCH></FILE></PATCHFILE>\n",
         loaded},
        {"a prefix that no declaration binds, on an element and on an attribute",
         "<PATCHFILE sname=\"s\" sdate=\"d\"><v:note/>"
         "<FILE name=\"f\" v:x=\"1\"><DATE>x</DATE><PATCH>1a1</PATCH></FILE></PATCHFILE>\n",
         loaded},
        {"the reserved prefixes declared",
         "<PATCHFILE sname=\"s\" sdate=\"d\"><FILE xmlns:xml=\"urn:x\" xmlns:xmlns=\"urn:y\" name=\"f\">"
         "<DATE>x</DATE><PATCH>1a1</PATCH></FILE></PATCHFILE>\n",
         loaded},
        {"elements and attributes inside nested declarations",
         "<PATCHFILE sname=\"s\" sdate=\"d\">" + nested + entry + "</PATCHFILE>\n", loaded},
        {"a declaration given twice is an XML error: the records before it stay",
         "<PATCHFILE sname=\"s\" sdate=\"d\">" + entry +
             "<FILE name=\"g\" xmlns:a=\"urn:1\" xmlns:a=\"urn:2\"><PATCH>2a2</PATCH></FILE></PATCHFILE>\n",
         loaded},
    });
}

// Values XML cannot carry as they are: whitespace goes as character
// references; an entry with a character XML forbids, or bytes the local
// encoding cannot represent, is left out rather than written wrongly.
TEST_F(PatchCacheFile, ValuesThatNeedCare)
{
    PatchHandler cache;
    cache.setSName("db\x01.sup");
    cache.setSDate(kDigestA);
    cache.setDate("a\tb\nc\rd", kDigestA);
    cache.addPatch("a\tb\nc\rd", "1a1\r");
    cache.setDate("ctl\x01.c", kDigestA);
    cache.setDate("latin1\xE4.c", kDigestA);
    cache.setDate("line.c", kDigestA);
    cache.addPatch("line.c", std::string("1a1\x02"));
    cache.setDate("nul.c", kDigestA);
    cache.addPatch("nul.c", std::string("1a1\0x", 5));
    cache.setDate("z.c", kDigestB);

    EXPECT_EQ(kHead +
                  "<PATCHFILE sname=\"db\xEF\xBF\xBD.sup\" sdate=\"0123456789abcdef0123456789abcdef\">\n"
                  "   <FILE name=\"a&#9;b&#10;c&#13;d\">\n"
                  "      <DATE>0123456789abcdef0123456789abcdef</DATE>\n"
                  "      <PATCH>1a1&#13;</PATCH>\n"
                  "   </FILE>\n"
                  "   <FILE name=\"z.c\">\n"
                  "      <DATE>fedcba9876543210fedcba9876543210</DATE>\n"
                  "   </FILE>\n"
                  "</PATCHFILE>\n"
                  "\n",
              xmlOf(cache));

    ASSERT_TRUE(save(cache, path));
    EXPECT_EQ("sname=db\xEF\xBF\xBD.sup sdate=" + kDigestA + "\n"
              "a\tb\nc\rd|" + kDigestA + "|1a1\r;\n"
              "z.c|" + kDigestB + "|\n",
              dump(load(path)));
}

// Whatever the writer saves, the reader takes, each entry as it was: no name
// or line makes the file unusable or damages a later entry. An entry that
// would not read back exactly is the only one left out.
TEST_F(PatchCacheFile, EverythingSavedLoadsBack)
{
    const std::string equals(2000, '=');
    const std::string longLine = "1a2" + std::string(65534, ' ');
    struct Row {
        const char* what;
        std::string name;
        std::string line;
        std::string element;  // the bytes saved; empty when left out
    };
    const auto element = [](const std::string& name, const std::string& line) {
        return "   <FILE name=\"" + name + "\">\n      <DATE>" + kDigestA + "</DATE>\n      <PATCH>" + line +
               "</PATCH>\n   </FILE>\n";
    };
    const std::vector<Row> rows = {
        {"markup signs", "src/&<>\"'.c", "1a2 &<>\"'", element("src/&amp;&lt;&gt;&quot;'.c", "1a2 &amp;&lt;&gt;\"'")},
        {"tab, line end and carriage return", "t\tl\nc\r.c", "1a2\tx\ry", element("t&#9;l&#10;c&#13;.c", "1a2\tx&#13;y")},
        {"2,000 equal signs", equals, "1a2 " + equals, element(equals, "1a2 " + equals)},
        {"UTF-8", "src/\xC3\xA4.c", "1a2 \xE2\x82\xAC", element("src/\xC3\xA4.c", "1a2 \xE2\x82\xAC")},
        {"a name that is no UTF-8", "src/\xFF.c", "1a2", ""},
        {"a line that is no UTF-8", "bad.c", "1a2 \xFF", ""},
        {"a line of 65,537 bytes", "long.c", longLine, element("long.c", longLine)},
        {"a name of 65,537 bytes", std::string(65537, 'n'), "1a2", element(std::string(65537, 'n'), "1a2")},
        {"the reader's own markup signs", "]]><!DOCTYPE x><!--", "1a2 <?pi?> <![CDATA[",
         element("]]&gt;&lt;!DOCTYPE x&gt;&lt;!--", "1a2 &lt;?pi?&gt; &lt;![CDATA[")},
    };
    PatchHandler cache;
    cache.setSName("s");
    cache.setSDate("d");
    PatchHandler kept;
    kept.setSName("s");
    kept.setSDate("d");
    std::map<std::string, std::string> elements;  // in the order of the names
    for (const Row& row : rows) {
        cache.setDate(row.name, kDigestA);
        cache.addPatch(row.name, row.line);
        if (!row.element.empty()) {
            kept.addFile(row.name, kDigestA, PatchLines{row.line});
            elements[row.name] = row.element;
        }
    }
    std::string expected = kHead + "<PATCHFILE sname=\"s\" sdate=\"d\">\n";
    for (const auto& name : elements)
        expected += name.second;
    expected += "</PATCHFILE>\n\n";

    ASSERT_TRUE(save(cache, path));
    EXPECT_EQ(expected, dir.read("patch.xml"));
    PatchHandler loaded;
    EXPECT_TRUE(tryLoad(path, loaded));
    EXPECT_EQ(dump(kept), dump(loaded));
}

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

// A save that fails part way reports failure and leaves the old file as it
// was, with no stray file beside it.
TEST_F(PatchCacheFile, FailedSaveKeepsOldFile)
{
    PatchHandler old = filledCache();
    ASSERT_TRUE(save(old, path));

    PatchHandler big;
    for (int i = 0; i < 5000; ++i) {
        const std::string name = "src/file" + std::to_string(i) + ".c";
        big.setDate(name, kDigestA);
        big.addPatch(name, "1,2c3,4");
    }

    // Writes beyond 4 KiB fail with EFBIG, as on a full disk.
    struct rlimit saved;
    ASSERT_EQ(0, ::getrlimit(RLIMIT_FSIZE, &saved));
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &small));
    {
        PatchGen_WriterXML writer;
        const bool opened = writer.open(path.c_str());
        const bool written = writer.write(&big);
        const bool closed = writer.close();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_TRUE(opened);
        EXPECT_FALSE(written);
        EXPECT_FALSE(closed);
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(kFilledXml, dir.read("patch.xml"));
    EXPECT_EQ(std::vector<std::string>{"patch.xml"}, filesIn(dir));

    // Written but never closed (the run ended early): the old file stays.
    {
        PatchGen_WriterXML writer;
        ASSERT_TRUE(writer.open(path.c_str()));
        EXPECT_TRUE(writer.write(&big));
    }
    EXPECT_EQ(kFilledXml, dir.read("patch.xml"));
    EXPECT_EQ(std::vector<std::string>{"patch.xml"}, filesIn(dir));

    // Nothing opened: nothing to write, nothing saved.
    {
        PatchGen_WriterXML writer;
        EXPECT_FALSE(writer.open(dir.file("no-such-dir/patch.xml").c_str()));
        EXPECT_FALSE(writer.write(&big));
        EXPECT_FALSE(writer.close());
        EXPECT_FALSE(writer.open(nullptr));
    }
    EXPECT_EQ(std::vector<std::string>{"patch.xml"}, filesIn(dir));
}

// A process killed while it saves leaves no file beside "patch.xml": the new
// file has no name until it is complete. One killed between naming and
// renaming leaves a temporary name of the program's own form, which the next
// save removes once its process has ended; anything else stays.
TEST_F(PatchCacheFile, KilledSaveLeavesNothingBehind)
{
    PatchHandler old = filledCache();
    ASSERT_TRUE(save(old, path));

    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(child, ::waitpid(child, nullptr, 0));
    const std::string dead = std::to_string(child);
    struct Row {
        std::string name;
        bool removed;
    };
    char ours[2][64];
    std::snprintf(ours[0], sizeof ours[0], ".vantrel-%010d-00.tmp", static_cast<int>(child));
    std::snprintf(ours[1], sizeof ours[1], ".vantrel-%010d-17.tmp", static_cast<int>(child));
    const std::vector<Row> rows = {
        {ours[0], true},                          {ours[1], true},
        {std::string(ours[0]) + ".bak", false},   {"patch.xml.bak", false},
        {"patch.xml." + dead + ".0.tmp", false},  {"other.xml." + dead + ".0.tmp", false},
    };
    for (const Row& row : rows)
        dir.write(row.name, "left");

    const int probe = ::open(dir.path().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    const bool unnamed = probe >= 0;
    if (unnamed)
        ::close(probe);
    {
        PatchGen_WriterXML writer;
        ASSERT_TRUE(writer.open(path.c_str()));
        PatchHandler empty;
        ASSERT_TRUE(writer.write(&empty));
        std::vector<std::string> expected{"patch.xml"};
        for (const Row& row : rows) {
            if (!row.removed)
                expected.push_back(row.name);
        }
        std::sort(expected.begin(), expected.end());
        std::vector<std::string> during = filesIn(dir);
        if (unnamed) {
            EXPECT_EQ(expected, during);
        }
        ASSERT_TRUE(writer.close());
        EXPECT_EQ(expected, filesIn(dir));
    }
    EXPECT_EQ(kHead + "<PATCHFILE sname=\"\" sdate=\"\">\n</PATCHFILE>\n\n", dir.read("patch.xml"));
}

// A save keeps the file's permissions; a link at the name is never saved
// through: the save is refused, the link and what it leads to stay.
TEST_F(PatchCacheFile, SaveKeepsModeAndNeverGoesThroughALink)
{
    PatchHandler cache = filledCache();
    dir.write("patch.xml", "old");
    ASSERT_EQ(0, ::chmod(path.c_str(), 0640));
    ASSERT_TRUE(save(cache, path));
    struct stat st;
    ASSERT_EQ(0, ::stat(path.c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);
    EXPECT_EQ(kFilledXml, dir.read("patch.xml"));

    ASSERT_EQ(0, ::rename(path.c_str(), dir.file("real.xml").c_str()));
    ASSERT_EQ(0, ::symlink("real.xml", path.c_str()));
    PatchHandler other;
    EXPECT_FALSE(save(other, path));
    ASSERT_EQ(0, ::lstat(path.c_str(), &st));
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(kFilledXml, dir.read("real.xml"));
    EXPECT_EQ((std::vector<std::string>{"patch.xml", "real.xml"}), filesIn(dir));
}

// "patch.xml" is never longer than the bound it is written for: an entry
// that would pass it is left out whole (the file is diffed again next time),
// and later entries that still fit go in.
TEST_F(PatchCacheFile, EntriesPastTheSizeBoundAreLeftOut)
{
    PatchHandler cache;
    cache.setSName("s");
    cache.setSDate("d");
    cache.setDate("a", "x");
    cache.addPatch("a", "1a1");
    cache.addPatch("b", "2d1");
    cache.addPatch("b", "5,6c7");
    cache.addPatch("c", "3c3");

    const std::string head = kHead + "<PATCHFILE sname=\"s\" sdate=\"d\">\n";
    const std::string a = "   <FILE name=\"a\">\n      <DATE>x</DATE>\n      <PATCH>1a1</PATCH>\n   </FILE>\n";
    const std::string b = "   <FILE name=\"b\">\n      <PATCH>2d1</PATCH>\n      <PATCH>5,6c7</PATCH>\n   </FILE>\n";
    const std::string c = "   <FILE name=\"c\">\n      <PATCH>3c3</PATCH>\n   </FILE>\n";
    const std::string tail = "</PATCHFILE>\n\n";
    const std::size_t full = head.size() + a.size() + b.size() + c.size() + tail.size();

    struct Row {
        const char* what;
        std::size_t maxBytes;
        std::string text;
    };
    const Row rows[] = {
        {"all fit exactly", full, head + a + b + c + tail},
        {"one byte less: the last left out", full - 1, head + a + b + tail},
        {"no room for b: c still goes in", full - b.size(), head + a + c + tail},
        {"no room for any entry", 0, head + tail},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::ostringstream out;
        cache.writeXML(out, r.maxBytes);
        EXPECT_EQ(r.text, out.str());
    }
    std::ostringstream unbounded;
    cache.writeXML(unbounded);
    EXPECT_EQ(head + a + b + c + tail, unbounded.str());
}

// The record reader also runs over bytes in memory.
TEST(PatchRecordStreamReader, ParsesAddedData)
{
    struct Seen {
        static void record(PatchGen_ReaderXML* owner, const PatchRecord& r)
        {
            auto* out = reinterpret_cast<std::string*>(owner);
            *out += r.name + "|" + r.date + "|" + r.sname + "|" + r.sdate + "|" + std::to_string(r.patches.size()) + "\n";
        }
    };
    std::string seen;
    PatchRecordStreamReader reader(reinterpret_cast<PatchGen_ReaderXML*>(&seen), &Seen::record);
    EXPECT_EQ(PatchRecordStreamReader::Result::Clean, reader.parse(QByteArray::fromStdString(kFilledXml)));
    EXPECT_EQ("||/data/base \"line\" & co.sup|" + kDigestA + "|0\n"
              "B.c|" + kDigestB + "|/data/base \"line\" & co.sup|" + kDigestA + "|1\n"
              "a.c||/data/base \"line\" & co.sup|" + kDigestA + "|0\n"
              "src/\"q\".c|" + kDigestB + "|/data/base \"line\" & co.sup|" + kDigestA + "|2\n"
              "src/<x>&y.h||/data/base \"line\" & co.sup|" + kDigestA + "|1\n"
              "src/\xC3\xA4.c|" + kDigestA + "|/data/base \"line\" & co.sup|" + kDigestA + "|0\n",
              seen);
}
