#include "encoding/Destination.h"
#include "encoding/Source.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>
#include <string>

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// Everything src gives until its end.
std::string drain(Source& src)
{
    std::string bytes;
    for (int c = src.Get(); c >= 0; c = src.Get())
        bytes += static_cast<char>(c);
    return bytes;
}

// A text of every byte value but zero, repeated up to size bytes.
std::string mixedBytes(std::size_t size)
{
    std::string bytes;
    for (std::size_t i = 0; bytes.size() < size; ++i)
        bytes += static_cast<char>(i % 255 + 1);
    return bytes;
}

} // namespace

TEST(StringSource, GetAndUnget)
{
    StringSource in;
    EXPECT_EQ(-1, in.Get());
    in.Unget('x');  // at position 0: stays there
    EXPECT_EQ(-1, in.Get());

    in.setText(U_RcString("ab"));
    EXPECT_EQ(0x61, in.Get());
    EXPECT_EQ(0x62, in.Get());
    EXPECT_EQ(-1, in.Get());
    EXPECT_EQ(-1, in.Get());
    in.Unget('z');  // the argument is ignored
    EXPECT_EQ(0x62, in.Get());

    in.setText(U_RcString("\x80\xFF"));
    EXPECT_EQ(0x80, in.Get());
    EXPECT_EQ(0xFF, in.Get());
    in.Unget(0);
    in.Unget(0);
    in.Unget(0);
    EXPECT_EQ(0x80, in.Get());

    in.Close();
    EXPECT_EQ(-1, in.Get());
}

TEST(StringDestination, CollectsBytes)
{
    StringDestination out;
    out.Put('a');
    out.Put(0x1A4);  // the low 8 bits
    out.PutString(U_RcString("bc"));
    out.PutInt(0x01020304);
    out.Close();
    EXPECT_STREQ("a\xA4" "bc", out.text().c_str());
}

TEST(FileSource, ReadsAFileAcrossBlocks)
{
    TempDir dir;
    const std::string content = mixedBytes(300000);
    const std::string path = dir.write("in", content);
    FileSource in;
    ASSERT_TRUE(in.open(U_RcString(path.c_str())));
    // Give every byte back once and read it again: the look-ahead of the
    // translators does that across block ends too.
    std::string bytes;
    for (int c = in.Get(); c >= 0; c = in.Get()) {
        in.Unget(c);
        ASSERT_EQ(c, in.Get());
        bytes += static_cast<char>(c);
    }
    EXPECT_EQ(content, bytes);
    EXPECT_EQ(-1, in.Get());
    in.Close();
}

TEST(FileSource, UngetRevivesTheEnd)
{
    TempDir dir;
    FileSource in;
    ASSERT_TRUE(in.open(U_RcString(dir.write("in", "ab\xA4").c_str())));
    EXPECT_EQ("ab\xA4", drain(in));
    in.Unget(0x8E);
    in.Unget(0xA4);
    EXPECT_EQ(0xA4, in.Get());
    EXPECT_EQ(0x8E, in.Get());
    EXPECT_EQ(-1, in.Get());
    // More bytes given back than were ever read ahead.
    const std::string many = mixedBytes(200);
    for (auto it = many.rbegin(); it != many.rend(); ++it)
        in.Unget(static_cast<unsigned char>(*it));
    EXPECT_EQ(many, drain(in));
    in.Close();
}

TEST(FileSource, MessagesAndFailures)
{
    TempDir dir;
    CaptureStderr();
    FileSource never;
    EXPECT_EQ(-1, never.Get());  // at the end until opened: no message
    EXPECT_FALSE(never.open(U_RcString(dir.file("missing").c_str())));
    EXPECT_EQ(-1, never.Get());
    EXPECT_EQ("", GetCapturedStderr());

    // Only a regular file opens: a directory would only fail its reads.
    FileSource directory;
    EXPECT_FALSE(directory.open(U_RcString(dir.path().c_str())));
    EXPECT_EQ(EINVAL, errno);

    // A regular file whose read fails: this process's memory at address 0,
    // where nothing is ever mapped.
    FileSource failing;
    ASSERT_TRUE(failing.open(U_RcString("/proc/self/mem")));
    CaptureStderr();
    EXPECT_EQ(-1, failing.Get());
    EXPECT_EQ("FileSource::Get got error " + std::to_string(EIO) + ", char \xFF (-1).\n", GetCapturedStderr());
    failing.Close();

    // Closed, then revived by a byte given back: that byte, then no file.
    FileSource closed;
    ASSERT_TRUE(closed.open(U_RcString(dir.write("in", "x").c_str())));
    closed.Close();
    EXPECT_EQ(-1, closed.Get());
    closed.Unget('y');
    CaptureStderr();
    EXPECT_EQ('y', closed.Get());
    EXPECT_EQ(-1, closed.Get());
    EXPECT_EQ("FileSource::Get called when pfile is null!\n", GetCapturedStderr());
}

TEST(FileDestination, WritesAndTruncates)
{
    TempDir dir;
    const std::string path = dir.write("out", "old content that is longer");
    FileDestination out;
    ASSERT_TRUE(out.open(U_RcString(path.c_str())));
    out.Put('a');
    out.Put(0x1A4);
    out.PutString(U_RcString("bc"));
    out.PutInt(0x01020304);
    out.Close();
    EXPECT_FALSE(out.failed());
    EXPECT_EQ(std::string("a\xA4" "bc\x04\x03\x02\x01", 8), dir.read("out"));

    EXPECT_FALSE(out.open(U_RcString(dir.file("no/such/dir").c_str())));
    out.Put('a');  // goes nowhere
    out.Close();
}

TEST(FileDestination, LargeWritesAndDestructorFlush)
{
    TempDir dir;
    const std::string big = mixedBytes(200000);
    {
        FileDestination out;
        ASSERT_TRUE(out.open(U_RcString(dir.file("out").c_str())));
        for (int i = 0; i < 1000; ++i)
            out.Put(big[i]);
        out.PutString(U_RcString(big.c_str() + 1000));  // longer than a block
        out.Put('z');
        // Not closed: the destructor writes what is held.
    }
    EXPECT_EQ(big + "z", dir.read("out"));
}

TEST(StreamSource, GetAndUngetAfterTheEnd)
{
    std::istringstream stream("a\xA4");
    StreamSource in(stream);
    EXPECT_EQ(0x61, in.Get());
    EXPECT_EQ(0xA4, in.Get());
    EXPECT_EQ(-1, in.Get());
    in.Unget(0xA4);
    EXPECT_EQ(0xA4, in.Get());
    EXPECT_EQ(-1, in.Get());
}

TEST(StreamDestination, WritesMostSignificantFirst)
{
    std::ostringstream stream;
    StreamDestination out(&stream);
    out.Put('a');
    out.Put(0x1A4);
    out.PutString(U_RcString("bc"));
    out.PutInt(0x01020304);
    out.Close();
    EXPECT_EQ(std::string("a\xA4" "bc\x01\x02\x03\x04", 8), stream.str());

    StreamDestination none(nullptr);
    none.Put('a');
    none.PutString(U_RcString("b"));
    none.PutInt(1);
}
