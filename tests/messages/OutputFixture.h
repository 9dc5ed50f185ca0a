#pragma once

// The fixture and helpers of the M_Output tests: the bytes of a message
// file's header and of the records a run appends, and files in a test's own
// temporary directory.

#include "RecordFiles.h"
#include "encoding/ProductEnvironment.h"
#include "messages/M_Output.h"
#include "support/TempDir.h"
#include "messages/U_Location.h"
#include "util/U_Filename.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace outputtest {

using recordtest::hex;
using recordtest::toHex;

// A generation-3 header as the analysers write it, and a section start.
inline const std::string kHeader = hex("00 93 00 00 00 00 00 00");
inline const std::string kSectionStart = hex("01 00 00 00 00");

inline const U_Filename& sourceFile()
{
    static const U_Filename file("/w/a.c", "a.c");
    return file;
}

// A baseline suppression as the run sends it: kind 2, "BLSup", one range,
// the same location as first and second place, no third.
inline void sendBaseline(const U_Location& location)
{
    M_Output::sendSuppression(2, location, "BLSup", {{"1234", "1234"}}, location, U_Location());
}

// The bytes of one such record whose location is new in the section
// (lineColumn: line and column as 8 hex bytes), with the file's body when
// fileIsNew.
inline std::string newRecord(std::uint32_t locationId, bool fileIsNew, const std::string& lineColumn)
{
    const std::string id = recordtest::le(locationId);
    return hex("04 02") + id +
           (fileIsNew ? hex("00 00 00 00  06 00 00 00 2F 77 2F 61 2E 63  03 00 00 00 61 2E 63")
                      : hex("00 00 00 00")) +
           hex(lineColumn) + hex("00") +                     // no location parts
           hex("05 00 00 00 42 4C 53 75 70") +               // BLSup
           hex("01 00 00 00 04 00 00 00 31 32 33 34 04 00 00 00 31 32 33 34") +  // one range 1234..1234
           hex("04") + id + hex("00");                       // marker, location2 known, no location3
}

inline struct stat statOf(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(0, ::stat(path.c_str(), &info)) << path;
    return info;
}

// Puts bytes at path in one rename, as another run appending does.
inline void replaceByRename(const TempDir& dir, const std::string& name, const std::string& bytes)
{
    dir.write("other-run.new", bytes);
    ASSERT_EQ(0, ::rename(dir.file("other-run.new").c_str(), dir.file(name).c_str()));
}

// Runs body in a child process and returns its exit code (-1 when a signal
// ended it); body returns the code.
inline int inChild(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return -2;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One section of one such record: line 12, column 3.
inline const std::string kOneSection = kSectionStart + newRecord(0, true, "0C 00 00 00 03 00 00 00");

// A message file whose last page is full but for two bytes: a section added
// to it spans two pages, so it goes into a new file.
inline std::string fullLastPage()
{
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return kHeader + std::string(page - kHeader.size() - 2, '\x7f');
}

} // namespace outputtest

// Every test starts and ends without a channel open.
class M_OutputTest : public ::testing::Test {
protected:
    void SetUp() override { M_Output::close(); }
    void TearDown() override
    {
        try {
            M_Output::close();
        } catch (const std::exception&) {
        }
    }

    ProductEnvironment pe;
    TempDir dir;
};
