#include "platform/ModuleFileName.h"

#include <gtest/gtest.h>

#include <unistd.h>

TEST(ModuleFileName, NamesThisProgram)
{
    const std::string name = platform::moduleFileName();
    ASSERT_FALSE(name.empty());
    EXPECT_EQ('/', name[0]);
    EXPECT_EQ("/test_platform", name.substr(name.rfind('/')));
    EXPECT_EQ(0, ::access(name.c_str(), X_OK));
}
