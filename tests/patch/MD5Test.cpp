#include "patch/MD5.h"

#include "support/TempDir.h"

#include <QBuffer>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string hexOf(const MD5& md5)
{
    std::unique_ptr<char[]> hex(md5.hex_digest());
    return hex.get();
}

std::string digestOf(const std::string& bytes)
{
    MD5 md5;
    md5.update(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()));
    md5.finalize();
    return hexOf(md5);
}

// Deterministic bytes that are not a repeating pattern of any block size.
std::string noise(std::size_t length)
{
    std::string bytes(length, '\0');
    std::uint32_t x = 0x12345678u;
    for (char& c : bytes) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 23);
    }
    return bytes;
}

// The digest coreutils' md5sum gives for the file at path.
std::string md5sumOf(const std::string& path)
{
    const std::string command = "md5sum -- '" + path + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return "popen failed";
    char out[33] = {};
    const std::size_t got = std::fread(out, 1, 32, pipe);
    ::pclose(pipe);
    return std::string(out, got);
}

// Collects what is written to std::cerr while it lives.
class CerrCapture {
public:
    CerrCapture() : old_(std::cerr.rdbuf(text_.rdbuf())) {}
    ~CerrCapture() { std::cerr.rdbuf(old_); }
    std::string text() const { return text_.str(); }

private:
    std::ostringstream text_;
    std::streambuf* old_;
};

} // namespace

TEST(MD5, Rfc1321TestSuite)
{
    struct Row {
        const char* input;
        const char* digest;
    };
    const Row rows[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.digest, digestOf(r.input)) << '"' << r.input << '"';
        // Byte by byte: the buffering across block edges must not matter.
        MD5 md5;
        for (const char* p = r.input; *p; ++p)
            md5.update(reinterpret_cast<const unsigned char*>(p), 1);
        md5.finalize();
        EXPECT_EQ(r.digest, hexOf(md5)) << '"' << r.input << '"';

        std::unique_ptr<unsigned char[]> raw(md5.raw_digest());
        ASSERT_NE(nullptr, raw);
        char hex[33];
        for (int i = 0; i < 16; ++i)
            std::snprintf(hex + 2 * i, 3, "%02x", raw[i]);
        EXPECT_STREQ(r.digest, hex);
    }
}

// Every way of feeding a file gives md5sum's digest, at the lengths where
// the padding changes shape (55/56 bytes: length field fits or not; 63/64:
// block edge), across the 1024-byte read size, and for a few MiB.
TEST(MD5, EveryUpdateFormAgreesWithMd5sum)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::size_t lengths[] = {0, 55, 56, 63, 64, 1025, 3 * 1024 * 1024 + 17};
    for (std::size_t length : lengths) {
        SCOPED_TRACE(length);
        const std::string bytes = noise(length);
        const std::string path = dir.write("data.bin", bytes);
        const std::string expected = md5sumOf(path);
        ASSERT_EQ(32u, expected.size());

        EXPECT_EQ(expected, digestOf(bytes));

        // Pieces of uneven sizes, so every offset into the buffer is met.
        {
            MD5 md5;
            std::size_t at = 0;
            for (std::size_t step = 1; at < bytes.size(); step = step % 131 + 7) {
                const std::size_t n = std::min(step, bytes.size() - at);
                md5.update(reinterpret_cast<const unsigned char*>(bytes.data() + at), static_cast<std::uint32_t>(n));
                at += n;
            }
            md5.finalize();
            EXPECT_EQ(expected, hexOf(md5)) << "pieces";
        }
        {
            QFile file(QString::fromStdString(path));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            MD5 md5(&file);
            EXPECT_EQ(expected, hexOf(md5)) << "device";
            EXPECT_FALSE(file.isOpen()) << "the device form closes the device";
        }
        {
            FILE* file = std::fopen(path.c_str(), "rb");
            ASSERT_NE(nullptr, file);
            MD5 md5(file);  // closes the file
            EXPECT_EQ(expected, hexOf(md5)) << "FILE";
        }
        {
            std::ifstream file(path, std::ios::binary);
            MD5 md5(file);
            EXPECT_EQ(expected, hexOf(md5)) << "ifstream";
        }
        {
            std::ifstream file(path, std::ios::binary);
            MD5 md5(static_cast<std::istream&>(file));
            EXPECT_EQ(expected, hexOf(md5)) << "istream";
        }
        {
            std::istringstream in(bytes);
            MD5 md5;
            md5.update(in);
            md5.finalize();
            EXPECT_EQ(expected, hexOf(md5)) << "istringstream";
        }
    }
}

// More than 2^32 bits: the bit count's carry into its high word.
TEST(MD5, BitCountCarriesIntoHighWord)
{
    std::vector<unsigned char> chunk(1024 * 1024);
    for (std::size_t i = 0; i < chunk.size(); ++i)
        chunk[i] = static_cast<unsigned char>(i);
    MD5 md5;
    for (int i = 0; i < 512; ++i)
        md5.update(chunk.data(), static_cast<std::uint32_t>(chunk.size()));
    md5.update(reinterpret_cast<const unsigned char*>("x"), 1);
    md5.finalize();
    EXPECT_EQ("6e7b7c7f40150b3a21d9788e18445f49", hexOf(md5));
}

TEST(MD5, MisuseOnlyComplainsOnStandardError)
{
    const std::string updateLine = "MD5::update:  Can't update a finalized digest!\n";

    {
        CerrCapture err;
        MD5 md5;
        std::unique_ptr<char[]> hex(md5.hex_digest());
        std::unique_ptr<unsigned char[]> raw(md5.raw_digest());
        EXPECT_STREQ("", hex.get());
        EXPECT_EQ(nullptr, raw);
        EXPECT_EQ("MD5::hex_digest:  Can't get digest if you haven't finalized the digest!\n"
                  "MD5::raw_digest:  Can't get digest if you haven't finalized the digest!\n",
                  err.text());
    }
    {
        CerrCapture err;
        MD5 md5;
        md5.update(reinterpret_cast<const unsigned char*>("abc"), 3);
        md5.finalize();
        md5.finalize();
        md5.update(reinterpret_cast<const unsigned char*>("def"), 3);
        EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", hexOf(md5));
        EXPECT_EQ("MD5::finalize:  Already finalized this digest!\n" + updateLine, err.text());
    }
    // Sources complain once per chunk read, and the device is still closed.
    {
        const std::string bytes = noise(1025);
        MD5 md5;
        md5.finalize();
        const std::string before = hexOf(md5);

        CerrCapture err;
        QByteArray data = QByteArray::fromStdString(bytes);
        QBuffer device(&data);
        ASSERT_TRUE(device.open(QIODevice::ReadOnly));
        md5.update(&device);
        EXPECT_FALSE(device.isOpen());
        EXPECT_EQ(updateLine + updateLine, err.text());

        std::istringstream in(bytes);
        md5.update(in);
        EXPECT_EQ(updateLine + updateLine + updateLine + updateLine, err.text());
        EXPECT_EQ(before, hexOf(md5));
    }
}

TEST(MD5, UnreadableSourceDigestsAsEmptyInput)
{
    QFile missing("/nonexistent-dir/none");
    MD5 md5(&missing);
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", hexOf(md5));
}
