#pragma once

// The fixture and helpers of the patch.xml tests: the layout's fixed head,
// the driver's load and save, a cache with every feature of the layout and
// the bytes the writer gives it.

#include "patch/PatchGen.h"
#include "patch/PatchGen_ReaderXML.h"
#include "patch/PatchGen_WriterXML.h"
#include "patch/PatchHandler.h"

#include "support/TempDir.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTextCodec>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace patchcachetest {

inline const std::string kHead =
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

inline const std::string kDigestA = "0123456789abcdef0123456789abcdef";
inline const std::string kDigestB = "fedcba9876543210fedcba9876543210";

// One line per entry, "name|date|line;line;", after the stamp.
inline std::string dump(const PatchHandler& cache)
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

inline std::string xmlOf(const PatchHandler& cache)
{
    std::ostringstream out;
    cache.writeXML(out);
    return out.str();
}

// The driver's load: reader strategy, open, read, close.
inline PatchHandler load(const std::string& path)
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
inline bool tryLoad(const std::string& path, PatchHandler& cache)
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
inline std::string headDeclaring(const std::string& extra)
{
    std::string head = kHead;
    head.insert(head.find("]>"), extra);
    return head;
}

inline const std::string kOneEntry =
    "<PATCHFILE sname=\"s\" sdate=\"d\"><FILE name=\"f\"><DATE>x</DATE><PATCH>1a1</PATCH></FILE></PATCHFILE>\n";

// The driver's save: writer strategy, open, and only then write and close.
inline bool save(PatchHandler& cache, const std::string& path)
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
inline std::vector<std::string> filesIn(const TempDir& dir)
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
inline PatchHandler filledCache()
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

inline const std::string kFilledXml = kHead +
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

} // namespace patchcachetest

// A patch.xml in a test's own directory, under the UTF-8 locale.
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
            dir.write("patch.xml", patchcachetest::kHead + r.body);
            PatchHandler loaded;
            EXPECT_TRUE(patchcachetest::tryLoad(path, loaded)) << r.what;
            EXPECT_EQ(r.expected, patchcachetest::dump(loaded)) << r.what;
        }
    }

    TempDir dir;
    std::string path;
};
