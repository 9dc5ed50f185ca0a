#include "platform/DescriptorBuffer.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

// What a stream writes reaches the descriptor whole when it is flushed; a
// write that fails is remembered, and nothing after it is written.
TEST(DescriptorBuffer, WritesWholeOrSaysItFailed)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    const int fd = ::open(dir.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    {
        platform::DescriptorBuffer buffer(fd, 16);
        std::ostream out(&buffer);
        const std::string line(100, 'x');
        out << line << '\n' << "end";
        EXPECT_TRUE(buffer.flushAll());
        EXPECT_EQ(line + "\nend", dir.read("out"));
    }
    ::close(fd);

    const int readOnly = ::open(dir.file("out").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(readOnly, 0);
    platform::DescriptorBuffer refused(readOnly, 16);
    std::ostream out(&refused);
    out << "more than sixteen bytes, so that a write is tried" << std::flush;
    EXPECT_FALSE(out.good());
    EXPECT_FALSE(refused.good());
    EXPECT_FALSE(refused.flushAll());
    ::close(readOnly);
}
