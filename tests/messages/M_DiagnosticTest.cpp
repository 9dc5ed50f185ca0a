#include "CurrentOptions.h"

#include "messages/M_Diagnostic.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using recordtest::makeCurrentOptions;

namespace {

U_Filename file(const std::string& name)
{
    return U_Filename("/w/" + name, name);
}

U_Location at(const std::string& name, int line, int column = 0)
{
    return U_Location::create(file(name), line, column);
}

U_RefPtr<M_Diagnostic> diag(int number, const U_Location& location = U_Location())
{
    return new M_Diagnostic(number, location);
}

// A display name whose four forms differ, to see which ones a text uses.
class FourNames : public U_EntityDisplayName {
public:
    std::string name() const override { return "n"; }
    std::string nameForKind() const override { return "nk"; }
    std::string aliasName() const override { return "a"; }
    std::string aliasNameForKind() const override { return "ak"; }
    std::string otherName() const override { return "o"; }
};

class DiagnosticText : public ::testing::Test {
protected:
    void SetUp() override { makeCurrentOptions({}); }
    void TearDown() override { makeCurrentOptions({}); }
};

TEST_F(DiagnosticText, TextShowsPlaceNumberParametersAndFlags)
{
    struct Row {
        const char* what;
        std::function<U_RefPtr<M_Diagnostic>()> make;
        std::string text;
    };
    const std::vector<Row> rows = {
        {"no location", [] { return diag(12); }, "nofile.cc:0: Msg=12 #params=0"},
        {"column 0", [] { return diag(5, at("a.c", 3)); }, "/w/a.c:3: Msg=5 #params=0"},
        {"negative column and number", [] { return diag(-4, at("a.c", 3, -1)); }, "/w/a.c:3: Msg=-4 #params=0"},
        {"column", [] { return diag(5, at("a.c", 3, 7)); }, "/w/a.c:3:7: Msg=5 #params=0"},
        {"HL part: its file and line, own column",
         [] { return diag(5, at("a.c", 3, 7).withHLLoc(file("h.c"), 99)); }, "/w/h.c:99:7: Msg=5 #params=0"},
        {"strings",
         [] {
             auto d = diag(1, at("a.c", 1));
             d->addParam("a");
             d->addParam("b");
             return d;
         },
         "/w/a.c:1: Msg=1 #params=2 {a, b}"},
        {"lists",
         [] {
             auto d = diag(1);
             d->addParam(std::vector<std::string>{});
             d->addParam(std::vector<std::string>{"x"});
             d->addParam(std::vector<std::string>{"a", "b"});
             return d;
         },
         "nofile.cc:0: Msg=1 #params=3 {List={}, List={x}, List={a,b}}"},
        {"message lists, nested",
         [] {
             auto inner = diag(3, at("i.c", 4, 2));
             inner->addParam(std::vector<U_RefPtr<M_Diagnostic>>{});
             auto middle = diag(2, at("m.c", 2));
             middle->addParam("p");
             auto d = diag(1);
             d->addParam(std::vector<U_RefPtr<M_Diagnostic>>{middle, inner});
             return d;
         },
         "nofile.cc:0: Msg=1 #params=1 {MsgList={/w/m.c:2: Msg=2 #params=1 {p} ; "
         "/w/i.c:4:2: Msg=3 #params=1 {MsgList={}}}}"},
        {"both hidden flags",
         [] {
             auto d = diag(1);
             d->setHiddenByPragma(true);
             d->setHiddenByUser(true);
             return d;
         },
         "nofile.cc:0: Msg=1 #params=0 hidden by pragma, user"},
        {"hidden by the user only; hidden and sub-message flags never show",
         [] {
             auto d = diag(1);
             d->setHiddenByUser(true);
             d->setHidden(true);
             d->setHasSubMessages(true);
             return d;
         },
         "nofile.cc:0: Msg=1 #params=0 hidden by user"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.text, row.make()->toString());
    }
}

TEST_F(DiagnosticText, ChainsFollowTheirDebugFlags)
{
    // x.h line 5 column 1, included from b.c line 10, included from m.c line 2;
    // instantiated from t.c line 8 column 3, called from c.c line 20 column 4.
    const U_Location included = U_Location::create(U_Location::create(at("m.c", 2), file("b.c"), 10, 0),
                                                   file("x.h"), 5, 1);
    const U_Location full = included.withInstFromLoc(at("t.c", 8, 3), ObjectDisplayName::create("T<int>"))
                                .withCalledFromLoc(at("c.c", 20, 4));
    const std::string head = "/w/x.h:5:1: Msg=1 #params=0";
    const std::string incl = " incl {/w/b.c:10:0: Msg=1599 #params=0 incl {/w/m.c:2:0: Msg=1599 #params=0}}";
    const std::string inst = " inst {/w/t.c:8:3: Msg=1597 #params=0}";
    const std::string call = " call {/w/c.c:20:4: Msg=1570 #params=0}";
    struct Row {
        std::vector<std::string> flags;
        U_Location location;
        std::string text;
    };
    const std::vector<Row> rows = {
        {{}, full, head},
        {{"showInclLoc"}, full, head + incl},
        {{"showCallLoc", "showInclLoc", "showInstLoc"}, full, head + incl + inst + call},
        {{"showinclloc"}, full, head},  // flags match exactly
        {{"showInclLoc", "showInstLoc", "showCallLoc"}, at("x.h", 5, 1), head},
        {{"showInclLoc"}, U_Location(), "nofile.cc:0: Msg=1 #params=0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        makeCurrentOptions(row.flags);
        EXPECT_EQ(row.text, diag(1, row.location)->toString());
    }
}

TEST_F(DiagnosticText, FileNamesShowAsGivenWhenNotExpanded)
{
    makeCurrentOptions({}, true, false);
    EXPECT_EQ("a.c:3: Msg=5 #params=0", diag(5, at("a.c", 3))->toString());
}

TEST(DiagnosticParams, EntityTextUsesThePairOfItsKind)
{
    EXPECT_EQ("Entity={n,a}", M_ParamEntityType(new FourNames, 0).toString());
    EXPECT_EQ("Entity={nk,ak}", M_ParamEntityType(new FourNames, 3).toString());
}

TEST(DiagnosticParams, ParametersKeepTheirOrderAndEachCallAddsOne)
{
    M_Diagnostic d;
    EXPECT_EQ(0, d.number());
    EXPECT_FALSE(d.location().isValid());
    EXPECT_FALSE(d.hiddenByPragma() || d.hiddenByUser() || d.hasSubMessages());
    d.addParam("same");
    d.addParam("same");
    d.addParam(std::vector<std::string>{"l"});
    ASSERT_EQ(3u, d.paramCount());
    EXPECT_NE(d.param(0), d.param(1));
    EXPECT_EQ("same", d.param(1)->toString());
    EXPECT_EQ("List={l}", d.param(2)->toString());
}

struct StringsOnly : M_ParamTypeNav {
    std::vector<std::string> seen;
    void visitString(M_ParamStringType& param) override { seen.push_back("string " + param.text()); }
    void visitParamType(M_ParamType& param) override { seen.push_back("other " + param.toString()); }
};

TEST(DiagnosticParams, VisitorSeesEachKindOnceAndDefaultsToVisitParamType)
{
    M_Diagnostic d;
    d.addParam("s");
    d.addParam(std::vector<std::string>{"x"});
    d.addParam(std::vector<U_RefPtr<M_Diagnostic>>{});
    StringsOnly visitor;
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(d.paramCount()); ++i)
        d.param(i)->accept(visitor);
    M_ParamEntityType entity(new FourNames, 0);
    entity.accept(visitor);
    EXPECT_EQ((std::vector<std::string>{"string s", "other List={x}", "other MsgList={}", "other Entity={n,a}"}),
              visitor.seen);
}

TEST(DiagnosticOrder, CompareByPlaceNumberCountAndParameterTexts)
{
    const auto with = [](int number, const U_Location& location, std::vector<std::string> params = {}) {
        auto d = diag(number, location);
        for (const auto& p : params)
            d->addParam(p);
        return d;
    };
    const U_Location here = at("a.c", 10, 2);
    auto flagged = with(5, U_Location::create(file("a.c"), 10, 2), {"x"});
    flagged->setHiddenByPragma(true);
    flagged->setHiddenByUser(true);
    struct Row {
        const char* what;
        U_RefPtr<M_Diagnostic> a, b;
        int expected;
    };
    const std::vector<Row> rows = {
        {"smaller number first", with(5, here, {}), with(7, here, {}), -1},
        {"greater number after", with(7, here, {}), with(5, here, {}), 1},
        {"fewer parameters first", with(5, here, {"z"}), with(5, here, {"a", "b"}), -1},
        {"first differing parameter text", with(5, here, {"a", "b"}), with(5, here, {"a", "B"}), 1},
        {"flags take no part", with(5, here, {"x"}), flagged, 0},
        {"line before number", with(9, at("a.c", 9, 5)), with(1, here, {}), -1},
        {"column", with(1, at("a.c", 10, 3)), with(1, here, {}), 1},
        {"names differing in case are one file", with(1, at("CASE.c", 3)), with(1, at("case.c", 2)), 1},
        {"other files by bytes: upper case first", with(1, at("Zeta.c", 50)), with(1, at("alpha.c", 1)), -1},
        {"and the other way", with(1, at("alpha.c", 1)), with(1, at("Zeta.c", 50)), 1},
        {"HL parts take no part", with(1, at("a.c", 1).withHLLoc(file("z.c"), 1)), with(1, at("b.c", 1)), -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.expected, M_Diagnostic::compare(row.a, row.b));
        EXPECT_EQ(row.expected == -1, M_Diagnostic::less(row.a, row.b));
    }
}

TEST(DiagnosticOrder, LocationEqualityIsSameObjectOrSamePlace)
{
    const U_Location a = at("a.c", 3, 1);
    EXPECT_TRUE(U_Location::equals(a, a));
    EXPECT_TRUE(U_Location::equals(a, at("A.C", 3, 1)));
    EXPECT_FALSE(U_Location::equals(a, at("a.c", 3, 2)));
    EXPECT_FALSE(U_Location::equals(a, at("b.c", 3, 1)));
    EXPECT_TRUE(U_Location::equals(U_Location(), U_Location()));
    EXPECT_FALSE(U_Location::equals(a, U_Location()));
    EXPECT_EQ(0, U_Location::compare(a, at("a.c", 3, 1)));
    EXPECT_EQ(-U_Location::compare(a, at("b.c", 1)), U_Location::compare(at("b.c", 1), a));
}

// The "sort-messages" answer is fixed once per process, so each case runs in
// a child process of its own.
TEST(DiagnosticOrderDeathTest, SubMessagesAreSortedOnlyUnderTheDebugFlag)
{
    const auto run = [](bool sortFlag) {
        makeCurrentOptions(sortFlag ? std::vector<std::string>{"sort-messages"} : std::vector<std::string>{});
        const std::vector<U_RefPtr<M_Diagnostic>> given = {diag(7, at("a.c", 1)), diag(5, at("a.c", 1)),
                                                           diag(1, at("a.c", 9))};
        M_Diagnostic d;
        d.addParam(given);
        const auto& list = static_cast<M_ParamMsgListType*>(d.param(0))->messages();
        const bool sorted = list[0] == given[1] && list[1] == given[0] && list[2] == given[2];
        const bool kept = list == given;
        const bool callerUntouched = given[0]->number() == 7;
        std::exit(callerUntouched && (sortFlag ? sorted : kept) ? 0 : 1);
    };
    EXPECT_EXIT(run(true), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(run(false), ::testing::ExitedWithCode(0), "");
}

// A message list nested a million deep is released without recursion, and
// a deep one's text is made without recursion.
TEST(DiagnosticDepth, DeepMessageListsAreReleasedAndPrintedWithoutRecursion)
{
    const auto nest = [](int depth) {
        U_RefPtr<M_Diagnostic> d = diag(0);
        for (int i = 1; i < depth; ++i) {
            U_RefPtr<M_Diagnostic> outer = diag(i);
            outer->addParam(std::vector<U_RefPtr<M_Diagnostic>>{d});
            d = outer;
        }
        return d;
    };
    U_RefPtr<M_Diagnostic> deep = nest(1000000);
    deep.release();

    const U_RefPtr<M_Diagnostic> printed = nest(50000);
    const std::string text = printed->toString();
    EXPECT_EQ(0u, text.find("nofile.cc:0: Msg=49999 #params=1 {MsgList={nofile.cc:0: Msg=49998"));
    const std::string innermost = "nofile.cc:0: Msg=0 #params=0" + std::string(2 * (50000 - 1), '}');
    ASSERT_GE(text.size(), innermost.size());
    EXPECT_EQ(innermost, text.substr(text.size() - innermost.size()));
}

} // namespace
