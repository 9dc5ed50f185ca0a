#include "platform/ProgramSearch.h"

#include "support/ScopedCurrentDirectory.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

void makeProgram(const TempDir& dir, const std::string& name, mode_t mode)
{
    const std::string path = dir.write(name, "#!/bin/sh\n");
    ::chmod(path.c_str(), mode);
}

// Qt's lookup by decoded text is the reference for valid names; the bytes
// of a name that is not valid UTF-8 are found as they are.
TEST(ProgramSearch, FindsWhatQtFindsAndNamesInBytes)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_EQ(0, ::mkdir(dir.file("b").c_str(), 0755));
    ASSERT_EQ(0, ::mkdir(dir.file("c").c_str(), 0755));
    ASSERT_EQ(0, ::mkdir(dir.file("c/tool").c_str(), 0755));  // a directory is no program
    makeProgram(dir, "b/tool", 0755);
    makeProgram(dir, "b/plain", 0644);
    makeProgram(dir, "c/plain", 0755);
    makeProgram(dir, "b/caf\xe9", 0755);
    ScopedCurrentDirectory cd(dir.path());
    ASSERT_TRUE(cd.isValid());

    const std::string d = dir.path();
    struct Row {
        std::string path;
        std::string name;
        std::string found;
    };
    const Row rows[] = {
        {d + "/c:" + d + "/b", "tool", d + "/b/tool"},
        {d + "/b:" + d + "/c", "plain", d + "/c/plain"},  // not executable in b
        {"::" + d + "/./b/", "tool", d + "/b/tool"},
        {"b", "tool", d + "/b/tool"},                      // relative to the current directory
        {"", "tool", ""},                                   // an empty entry is not "."
        {d + "/c", "missing", ""},
        {d + "//b/../b", "tool", d + "/b/tool"},
    };
    for (const Row& r : rows) {
        ScopedEnv path("PATH", r.path);
        EXPECT_EQ(r.found, platform::findExecutable(r.name)) << r.path << " " << r.name;
        EXPECT_EQ(r.found, QStandardPaths::findExecutable(QString::fromStdString(r.name)).toStdString())
            << "Qt: " << r.path << " " << r.name;
    }
    ScopedEnv path("PATH", d + "/b");
    EXPECT_EQ(d + "/b/caf\xe9", platform::findExecutable("caf\xe9"));
    ::unlink(dir.file("b/caf\xe9").c_str());  // Qt cannot name it to remove it
}

} // namespace
