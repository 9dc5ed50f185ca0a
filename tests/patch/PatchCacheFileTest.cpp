// What the writer saves of a cache and what the reader makes of a file:
// the bytes of the layout, files cut short, unusual shapes, values that need
// care; whatever is saved loads back.

#include "PatchCacheFiles.h"
#include "patch/PatchRecordStreamReader.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace patchcachetest;

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

