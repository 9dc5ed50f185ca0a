#include "cmdline/U_NumberList.h"

#include <gtest/gtest.h>

#include <climits>
#include <iterator>

namespace {

std::vector<std::int32_t> range(std::int64_t from, std::int64_t to)
{
    std::vector<std::int32_t> values;
    for (std::int64_t n = from; n <= to; ++n)
        values.push_back(static_cast<std::int32_t>(n));
    return values;
}

std::vector<std::int32_t> operator+(std::vector<std::int32_t> a, const std::vector<std::int32_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string warning(const std::string& asked, const std::string& kept)
{
    return "\n\nWARNING: configured number range " + asked + " is too large.\nWARNING: Will truncate range to " + kept +
           ".\n\n\n";
}

} // namespace

TEST(NumberList, ItemsRangesAndSeparators)
{
    struct Case {
        const char* text;
        std::vector<std::int32_t> values;
        std::string warnings;
    };
    const std::vector<Case> cases = {
        {"", {}, ""},
        {"7", {7}, ""},
        {"1,5,10-12", {1, 5, 10, 11, 12}, ""},
        {"12-10", {10, 11, 12}, ""},
        {"-5", range(0, 5), ""},
        {"5-", range(0, 5), ""},
        {"1,,2", {1, 0, 2}, ""},
        {"7;8", {7, 8}, ""},
        {"x", {0}, ""},
        {"5--3", range(0, 5) + std::vector<std::int32_t>{3}, ""},
        {"1 2,", {1, 2}, ""},
        {"99999999999", {0}, ""},
        {"2147483647", {INT_MAX}, ""},
        {"1-20001", range(1, 20001), ""},
        {"1-30000", range(1, 20000), warning("1-30000", "1-20000")},
        {"5-40000,7", range(5, 20004) + std::vector<std::int32_t>{7}, warning("5-40000", "5-20004")},
        // Counted in 64 bits: the range ends.
        {"2147483600-2147483647", range(2147483600, INT_MAX), ""},
        {"2147483647-0", range(0, 19999), warning("0-2147483647", "0-19999")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::int32_t> values{-1};
        testing::internal::CaptureStderr();
        U_String::parseNumberList(std::back_inserter(values), c.text);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.warnings);
        EXPECT_EQ(values, std::vector<std::int32_t>{-1} + c.values);
    }
}
