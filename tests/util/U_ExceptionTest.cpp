#include "util/U_Exception.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

TEST(U_Exception, DefaultTexts)
{
    EXPECT_STREQ("don't know cause", U_Exception().what());
    U_UserException e;
    EXPECT_STREQ("UserException: don't know cause", e.what());
    std::ostringstream out;
    e.print(out);
    EXPECT_EQ("UserException: don't know cause", out.str());
}

TEST(U_Exception, NewerUserExceptionReplacesSharedText)
{
    C_ConfigurationException first("A");
    EXPECT_STREQ("A", first.what());
    U_UserException second(std::string("B"));
    EXPECT_STREQ("B", first.what());
    EXPECT_STREQ("B", second.what());
    EXPECT_EQ(10, first.code());
    EXPECT_FALSE(first.hasCode());

    C_ConfigurationException coded(3, "C");
    EXPECT_EQ(3, coded.code());
    EXPECT_TRUE(coded.hasCode());
}

TEST(U_Exception, CopyLeavesSharedText)
{
    C_ConfigurationException first("first");
    U_UserException("second");
    C_ConfigurationException copy(first);
    EXPECT_STREQ("second", copy.what());
    EXPECT_EQ(10, copy.code());
    try {
        throw C_ConfigurationException(7, "thrown");
    } catch (const U_UserException& e) {
        EXPECT_STREQ("thrown", e.what());
        EXPECT_EQ(7, dynamic_cast<const C_ConfigurationException&>(e).code());
    }
}
