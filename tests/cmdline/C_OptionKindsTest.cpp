#include "CmdlineEnvironment.h"
#include "cmdline/C_OptionExceptions.h"
#include "cmdline/C_OptionKinds.h"
#include "support/ScopedCurrentDirectory.h"
#include "util/U_Exception.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <memory>
#include <sstream>

namespace {

using Make = std::function<std::unique_ptr<C_OptionBase>()>;

template <class Kind, class... Args>
Make make(Args... args)
{
    return [=] { return std::unique_ptr<C_OptionBase>(new Kind(args...)); };
}

struct Input {
    std::string words;
    bool attached;
};

struct KindCase {
    const char* label;
    Make makeOption;
    std::vector<Input> inputs;
    std::string printed;    // toString after the inputs
    std::string remaining;  // what is left of the last input's stream
    std::string afterReset; // toString after unset
};

std::string rest(std::istream& in)
{
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(OptionKinds, ReadPrintAndReset)
{
    CmdlineEnvironment environment;
    const auto boolOff = make<C_OptionBool>("help", false);
    const auto boolOn = make<C_OptionBool>("metrics", true);
    const auto integer = make<C_OptionInt>("tabstop", 8);
    const auto text = make<C_OptionString>("style", std::string("exdented"));
    const std::vector<KindCase> cases = {
        {"bool without text turns on and reads nothing", boolOff, {{"next\n", false}}, "+ (on)", "next\n", "- (off)"},
        {"bool attached +", boolOff, {{"+", true}}, "+ (on)", "", "- (off)"},
        {"bool attached - turns off", boolOn, {{"-", true}}, "- (off)", "", "+ (on)"},
        {"bool attached after white space", boolOn, {{" \t-", true}}, "- (off)", "", "+ (on)"},
        {"bool reads only the first character", boolOff, {{"+x", true}}, "+ (on)", "x", "- (off)"},
        {"int separate word", integer, {{"12\nnext\n", false}}, "12", "next\n", "8"},
        {"int attached with =", integer, {{"=12", true}}, "12", "", "8"},
        {"int stops at the first non-digit", integer, {{"12abc", true}}, "12", "", "8"},
        {"int negative", integer, {{"-7", true}}, "-7", "", "8"},
        {"int without number is 0", integer, {{"abc", true}}, "0", "", "8"},
        {"int empty after = is 0", integer, {{"=", true}}, "0", "", "8"},
        {"int beyond 32 bits is 0", integer, {{"99999999999", true}}, "0", "", "8"},
        {"string separate", text, {{"dir\n-x\n", false}}, "dir", "-x\n", "exdented"},
        {"string attached, one = removed", text, {{"==dir", true}}, "=dir", "", "exdented"},
        {"string empty line", text, {{"\n", false}}, "", "", "exdented"},
        {"string last value wins", text, {{"a", true}, {"b\n", false}}, "b", "", "exdented"},
        {"string without default", make<C_OptionString>("ident"), {{"x", true}}, "x", "", ""},
        {"file name gets slashes", make<C_OptionFilename>("outputpath"), {{"dir\\sub\\", true}}, "dir/sub/", "", ""},
        {"I8N string kept", make<C_OptionI8NString>("format"), {{"%f(%l) \\n", true}}, "%f(%l) \\n", "", ""},
        {"string list keeps every value", make<C_OptionStringList>("remark"), {{"a", true}, {"b\n", false}},
         "a, b, ", "", ""},
        {"int list runs", make<C_OptionIntList>("nomsg"), {{"1,2,3,5", true}, {"7-8\n", false}}, "1-3 5 7-8", "", ""},
        {"int list descending", make<C_OptionIntList>("only"), {{"3,2,1", true}}, "3 2 1", "", ""},
        {"int list repeated", make<C_OptionIntList>("only"), {{"5,5", true}}, "5 5", "", ""},
        {"int list single", make<C_OptionIntList>("only"), {{"4", true}}, "4", "", ""},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.label);
        std::unique_ptr<C_OptionBase> option = c.makeOption();
        std::string left;
        for (const Input& input : c.inputs) {
            std::istringstream words(input.words);
            EXPECT_TRUE(option->set(words, input.attached));
            left = rest(words);
        }
        EXPECT_TRUE(option->isSet());
        EXPECT_EQ(option->toString(), c.printed);
        EXPECT_EQ(left, c.remaining);
        option->unset();
        EXPECT_FALSE(option->isSet());
        EXPECT_EQ(option->toString(), c.afterReset);
    }
}

TEST(OptionKinds, FileListStoresNameAsGivenAndFullName)
{
    CmdlineEnvironment environment;
    TempDir work;
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(work.file("dir/sub"))));
    ScopedCurrentDirectory inWork(work.path());
    C_OptionFilenameList list("i");
    std::istringstream words("dir\\sub\\x.h\n");
    list.set(words, false);
    ASSERT_EQ(list.values().size(), 1u);
    const U_Filename& file = list.values()[0];
    EXPECT_EQ(file.name(), "dir/sub/x.h");
    EXPECT_EQ(file.fullName(), work.file("dir/sub/x.h"));
    // No command line current: the default of "expandfilenames", on.
    EXPECT_EQ(list.toString(nullptr), file.fullName() + ", ");
    list.reset();
    EXPECT_TRUE(list.values().empty());
}

TEST(OptionKinds, EchoWritesAtOnceAndStoresNothing)
{
    C_OptionEcho echo("echo");
    std::istringstream words("=hello world\nnext\n");
    testing::internal::CaptureStdout();
    echo.set(words, false);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "hello world\n");
    EXPECT_EQ(echo.toString(), "");
    EXPECT_EQ(rest(words), "next\n");
}

TEST(OptionKinds, BadValuesKeepTheValueAndTheMark)
{
    struct ErrorCase {
        const char* label;
        Make makeOption;
        Input input;
        std::string message;
        std::string printed;
    };
    const std::vector<ErrorCase> cases = {
        {"bool other character", make<C_OptionBool>("help", false), {"x", true},
         "\nERROR: x is not a valid argument for option: help\n\n", "- (off)"},
        // Only white space: an empty value, never a byte from beyond the text.
        {"bool only white space", make<C_OptionBool>("metrics", true), {" \t ", true},
         "\nERROR:  is not a valid argument for option: metrics\n\n", "+ (on)"},
        {"int at the end of the words", make<C_OptionInt>("tabstop", 8), {"", false},
         "\nERROR: Argument expected after tabstop\n\n", "8"},
        {"string list at the end of the words", make<C_OptionStringList>("debug"), {"", false},
         "\nERROR: Argument expected after debug\n\n", ""},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.label);
        std::unique_ptr<C_OptionBase> option = c.makeOption();
        std::istringstream words(c.input.words);
        try {
            option->set(words, c.input.attached);
            ADD_FAILURE() << "no exception";
        } catch (const C_ConfigurationException& e) {
            EXPECT_STREQ(e.what(), c.message.c_str());
            EXPECT_EQ(e.code(), 10);
            EXPECT_FALSE(e.hasCode());
        }
        EXPECT_TRUE(option->isSet());
        EXPECT_EQ(option->toString(), c.printed);
    }
}

TEST(OptionExceptions, TextsAndOneTextPerClass)
{
    const C_ValueExpectedException expected("outputpath");
    const C_InvalidArgException invalidArg("-zz");
    const C_InvalidArgValueException invalidValue("help", "x");
    EXPECT_STREQ(expected.what(), "\nERROR: Argument expected after outputpath\n\n");
    EXPECT_STREQ(invalidArg.what(), "\nERROR: Unknown argument: -zz\n\n");
    EXPECT_STREQ(invalidValue.what(), "\nERROR: x is not a valid argument for option: help\n\n");

    // A newer object of a class rewrites what the older ones of that class say.
    const C_ValueExpectedException newer("tabstop");
    EXPECT_STREQ(expected.what(), "\nERROR: Argument expected after tabstop\n\n");
    EXPECT_STREQ(invalidArg.what(), "\nERROR: Unknown argument: -zz\n\n");

    // The via error first writes its base class's text with empty parts.
    const C_InvalidViaException via("list.txt");
    EXPECT_STREQ(via.what(), "\nERROR: Unable to open list.txt\n\n");
    EXPECT_STREQ(invalidValue.what(), "\nERROR:  is not a valid argument for option: \n\n");
    EXPECT_STREQ(static_cast<const C_InvalidArgValueException&>(via).what(), "\nERROR: Unable to open list.txt\n\n");
    // The configuration base got an empty message.
    EXPECT_STREQ(static_cast<const U_UserException&>(via).U_UserException::what(), "");
}
