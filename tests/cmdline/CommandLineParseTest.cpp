#include "cmdline/C_CmdArgStreamBuffer.h"
#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_NamedFileRegistry.h"
#include "cmdline/C_OptionExceptions.h"
#include "cmdline/C_Options.h"
#include "cmdline/C_OrphanHandler.h"
#include "encoding/ProductEnvironment.h"
#include "support/ScopedCurrentDirectory.h"
#include "util/U_Exception.h"
#include "util/U_Product.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Words = std::vector<std::string>;

// An input file as the run sees it: the name as given and its directory.
using Input = std::pair<std::string, std::string>;
using Inputs = std::vector<Input>;

// The outcome of one whole parse.
struct Parsed {
    U_RefPtr<C_CmdArgs> commandLine;
    Inputs files;
    std::string out, err;
    std::optional<std::string> error;  // what() of an exception that left parse
    int code = 0;                      // its exit code, for configuration errors
};

// A product in a temporary directory of its own: BIN, the work directory
// (current and temporary directory), an RCPATH directory and HOME.
class CommandLineParse : public testing::Test {
protected:
    void SetUp() override
    {
        env.set("ZXCPPBIN", bin.path());
        env.set("NO_LANG_CACHE", "1");
        env.unset("LANG");
        env.set("ZXCPPTEMPFILES", work.path());
        env.unset("TMP");
        env.unset("ZXCPPOUTPATH");
        env.set("ZXCPPRCPATH", rcDir.path());
        env.set("HOME", home.path());
        cwd = std::make_unique<ScopedCurrentDirectory>(work.path());
        ASSERT_TRUE(cwd->isValid());
        writeCfg("");
    }

    // The configuration file with words after its "options" line.
    void writeCfg(const std::string& options) { bin.write("zxcpp.cfg", "#options\n" + options); }
    void writeRc(const std::string& text) { rcDir.write(".zxcpprc", text); }
    // A file in the work directory, named relative to it.
    std::string writeWork(const std::string& name, const std::string& text)
    {
        work.write(name, text);
        return name;
    }
    std::string inWork(const std::string& name) const { return work.file(name); }

    Parsed parse(const Words& args)
    {
        std::vector<std::string> copies(args);
        std::vector<char*> argv;
        for (std::string& a : copies)
            argv.push_back(a.data());
        Parsed result;
        result.commandLine = new C_CmdArgs("ZXCPP", static_cast<int>(argv.size()), argv.data());
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        try {
            result.commandLine->parse(handler);
        } catch (const C_ConfigurationException& e) {
            result.error = e.what();
            result.code = e.code();
        } catch (const U_UserException& e) {
            result.error = e.what();
        }
        result.err = testing::internal::GetCapturedStderr();
        result.out = testing::internal::GetCapturedStdout();
        for (const C_InputFile& input : handler)
            result.files.emplace_back(input.file.name(), input.outputDirectory);
        return result;
    }

    // parse with a handler that has collected nothing yet.
    Parsed parseAfresh(const Words& args)
    {
        handler = C_OrphanFileHandler();
        return parse(args);
    }

    TempDir bin, work, rcDir, home;
    EnvironmentGuard env;
    std::unique_ptr<ScopedCurrentDirectory> cwd;
    C_OrphanFileHandler handler;
};

// The input files named, all with the work directory as output directory.
Inputs inWorkDir(const std::string& dir, const Words& names)
{
    Inputs inputs;
    for (const std::string& n : names)
        inputs.emplace_back(n, dir);
    return inputs;
}

} // namespace

TEST_F(CommandLineParse, SourcesArriveAsConfigurationThenRcThenCommandLine)
{
    writeCfg("cfg.c -op cfgout -debug cfg\n");
    writeRc("rc.c -op rcout -debug rc\n");
    const Parsed p = parse({"cl.c", "-op", "clout", "-debug", "cl"});
    ASSERT_FALSE(p.error) << *p.error;
    // Each file gets the directory of the words read before it.
    EXPECT_EQ((Inputs{{"cfg.c", work.path()}, {"rc.c", inWork("cfgout")}, {"cl.c", inWork("rcout")}}), p.files);
    // A single value is replaced by later sources; a list collects from all.
    C_Options& options = *p.commandLine->options();
    EXPECT_EQ("clout", options.outputpath()->value());
    EXPECT_EQ((Words{"cfg", "rc", "cl"}), options.debug()->values());
    EXPECT_EQ("", p.err);
}

TEST_F(CommandLineParse, RcFileComesFromHomeWhenNoOtherIsThere)
{
    env.set("ZXCPPRCPATH", "");
    home.write(".zxcpprc", "home.c\n");
    EXPECT_EQ(inWorkDir(work.path(), {"home.c", "a.c"}), parse({"a.c"}).files);
}

// An rc file that neither the running user nor root owns is not read: each
// one met is named on standard error, and the lookup goes on to the next
// place, as for a file that is not there.
TEST_F(CommandLineParse, AnotherUsersRcFileIsSkippedWithAWarning)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a file of another user";
    const auto warning = [](const std::string& path) {
        return "\nWARNING: Ignoring rc file " + path + ": not owned by the running user or root\n\n";
    };
    const std::string inRcPath = rcDir.file(".zxcpprc");
    const std::string inCwd = inWork(".zxcpprc");
    const std::string inHome = home.file(".zxcpprc");
    // root's rc files name read.c, the others' an output directory and evil.c.
    struct Row {
        const char* name;
        std::vector<std::pair<std::string, uid_t>> owners;  // the rc files there are and their owners
        Words files;
        std::string err;
    };
    const std::vector<Row> rows = {
        {"RCPATH's and the current directory's skipped, HOME's read",
         {{inRcPath, 4242}, {inCwd, 4242}, {inHome, 0}},
         {"read.c", "a.c"},
         warning(inRcPath) + warning(inCwd)},
        {"all skipped", {{inRcPath, 4242}, {inCwd, 4242}, {inHome, 4242}}, {"a.c"},
         warning(inRcPath) + warning(inCwd) + warning(inHome)},
        {"root's own in RCPATH", {{inRcPath, 0}, {inCwd, 4242}}, {"read.c", "a.c"}, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        for (const std::string& rc : {inRcPath, inCwd, inHome})
            std::remove(rc.c_str());
        for (const auto& [rc, owner] : r.owners) {
            std::ofstream(rc) << (owner == 0 ? "read.c\n" : "-op evil evil.c\n");
            ASSERT_EQ(0, ::chown(rc.c_str(), owner, owner));
        }
        const Parsed p = parseAfresh({"a.c"});
        ASSERT_FALSE(p.error) << *p.error;
        EXPECT_EQ(inWorkDir(work.path(), r.files), p.files);
        EXPECT_EQ("", p.commandLine->options()->outputpath()->value());
        EXPECT_EQ(r.err, p.err);
    }
}

TEST_F(CommandLineParse, OptionFilesAreReadWhereTheyAreNamed)
{
    writeWork("v.txt", "v.c\n");
    writeWork("=v.txt", "eq.c\n");
    writeWork("self.txt", "-via self.txt\nself.c\n");
    writeWork("a.txt", "-via b.txt\na.c\n");
    writeWork("b.txt", "-list a.txt\nb.c\n");
    ::mkdir(inWork("dir").c_str(), 0700);
    struct Row {
        const char* name;
        std::string rc;
        Words args;
        Words files;
        std::string err;
    };
    const std::vector<Row> rows = {
        {"separate name", "", {"x.c", "-via", "v.txt", "y.c"}, {"x.c", "v.c", "y.c"}, ""},
        {"attached name", "", {"x.c", "-viav.txt", "y.c"}, {"x.c", "v.c", "y.c"}, ""},
        {"list like via", "", {"-list", "v.txt", "-listv.txt"}, {"v.c"}, ""},
        {"attached = is part of the name", "", {"-via=v.txt"}, {"eq.c"}, ""},
        {"named in the rc file", "-via v.txt\nr.c\n", {"y.c"}, {"v.c", "r.c", "y.c"}, ""},
        {"missing file", "", {"-via", "nope.txt", "y.c"}, {"y.c"}, "\nERROR: Unable to open nope.txt\n\n"},
        {"a directory", "", {"-via", "dir", "y.c"}, {"y.c"}, "\nERROR: Unable to open dir\n\n"},
        {"backslashes become slashes", "", {"-via", "dir\\nope"}, {}, "\nERROR: Unable to open dir/nope\n\n"},
        {"a file naming itself", "", {"-via", "self.txt"}, {"self.c"}, "\nERROR: Unable to open self.txt\n\n"},
        {"a cycle through two files", "", {"-via", "a.txt"}, {"b.c", "a.c"}, "\nERROR: Unable to open a.txt\n\n"},
        {"the same file twice in a row", "", {"-via", "v.txt", "-via", "v.txt"}, {"v.c"}, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        writeRc(r.rc);
        const Parsed p = parseAfresh(r.args);
        EXPECT_FALSE(p.error);
        EXPECT_EQ(inWorkDir(work.path(), r.files), p.files);
        EXPECT_EQ(r.err, p.err);
    }
}

// Files that each name the next one twice are read 2^k times at the k-th
// level, though none is open twice at once and none nests deep: a parse reads
// kMaxOptionFilesRead option files at the most, and the next one named ends
// it with the error, fatal whatever "errorinvalidcfgvalue" says, since the
// words after it are never read. Every name given is recorded, so the names
// count the readings.
TEST_F(CommandLineParse, OptionFilesOneParseReadsAreBounded)
{
    const auto writeChain = [this](const std::string& prefix, int files) {
        for (int k = 0; k + 1 < files; ++k) {
            const std::string next = prefix + std::to_string(k + 1) + ".txt";
            writeWork(prefix + std::to_string(k) + ".txt", "-via " + next + "\n-via " + next + "\n");
        }
        writeWork(prefix + std::to_string(files - 1) + ".txt", prefix + "end.c\n");
    };
    writeChain("a", 12);  // read 4095 times in all
    writeChain("b", 13);  // 8191
    writeWork("one.txt", "one.c\n");
    const std::size_t bound = C_CmdArgStreamBuffer::kMaxOptionFilesRead;
    ASSERT_EQ(4096u, bound);
    struct Row {
        const char* name;
        Words args;
        std::optional<std::string> fatal;
        Words files;
        std::size_t named;
    };
    const std::vector<Row> rows = {
        {"under the bound", {"-via", "a0.txt", "x.c"}, std::nullopt, {"aend.c", "x.c"}, bound - 1},
        {"up to the bound", {"-via", "a0.txt", "-viaone.txt", "x.c"}, std::nullopt, {"aend.c", "one.c", "x.c"}, bound},
        {"one past it", {"-via", "a0.txt", "-viaone.txt", "-via", "one.txt", "x.c"},
         "\nERROR: Unable to open one.txt\n\n", {"aend.c", "one.c"}, bound + 1},
        // b0 and the first reading of b1 with all below it are 4096 readings.
        {"inside a chain", {"-via", "b0.txt", "x.c"}, "\nERROR: Unable to open b1.txt\n\n", {"bend.c"}, bound + 1},
        {"also with errorinvalidcfgvalue", {"-eicv", "-via", "b0.txt", "x.c"}, "\nERROR: Unable to open b1.txt\n\n",
         {"bend.c"}, bound + 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const Parsed p = parseAfresh(r.args);
        EXPECT_EQ(r.fatal, p.error);
        if (r.fatal) {
            EXPECT_EQ(10, p.code);
        }
        EXPECT_EQ("", p.err);
        EXPECT_EQ(inWorkDir(work.path(), r.files), p.files);
        EXPECT_EQ(r.named, p.commandLine->options()->via()->values().size());
    }
}

TEST_F(CommandLineParse, ViaRecordsEveryNameGiven)
{
    writeWork("v.txt", "-via nope\n");
    const Parsed p = parse({"-via", "v.txt", "-viav.txt"});
    EXPECT_EQ((Words{"v.txt", "nope", "v.txt", "nope"}), p.commandLine->options()->via()->values());
    EXPECT_EQ("", p.commandLine->options()->via()->toString());
}

TEST_F(CommandLineParse, ErrorOptionsMakeLaterErrorsFatal)
{
    const std::string unknown = "\nERROR: Unknown argument: -#bad\n\n";
    const std::string badValue = "\nERROR: x is not a valid argument for option: hdrsuppress\n\n";
    const std::string noValue = "\nERROR: Argument expected after outputpath\n\n";
    struct Row {
        const char* name;
        std::string cfg;
        Words args;
        std::string err;                   // what was printed
        std::optional<std::string> fatal;  // what left the parse
        Words files;
    };
    const std::vector<Row> rows = {
        {"unknown option printed", "", {"-#bad", "a.c"}, unknown, std::nullopt, {"a.c"}},
        {"unknown fatal after the option", "", {"-#bad", "-errorinvalidcfgarg", "-#bad", "a.c"}, unknown, unknown, {}},
        {"set in the configuration file", "-eica\n", {"a.c", "-#BAD"}, "",
         "\nERROR: Unknown argument: -#BAD\n\n", {"a.c"}},
        {"arg option leaves values alone", "", {"-eica", "-hdrsuppressx", "a.c"}, badValue, std::nullopt, {"a.c"}},
        {"bad value printed", "", {"-hdrsuppress+", "-hdrsuppressx", "a.c"}, badValue, std::nullopt, {"a.c"}},
        {"bad value fatal after the option", "", {"-hdrsuppressx", "-eicv", "-hdrsuppressx", "a.c"}, badValue, badValue, {}},
        {"value option leaves unknown ones alone", "", {"-eicv", "-#bad", "a.c"}, unknown, std::nullopt, {"a.c"}},
        {"missing via fatal", "", {"-eicv", "-via", "nope", "a.c"}, "", "\nERROR: Unable to open nope\n\n", {}},
        {"value expected at the end", "", {"a.c", "-op"}, noValue, std::nullopt, {"a.c"}},
        {"value expected fatal", "-eicv\n", {"a.c", "-op"}, "", noValue, {"a.c"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        writeCfg(r.cfg);
        const Parsed p = parseAfresh(r.args);
        EXPECT_EQ(r.err, p.err);
        EXPECT_EQ(r.fatal, p.error);
        if (r.fatal) {
            EXPECT_EQ(10, p.code);
        }
        EXPECT_EQ(inWorkDir(work.path(), r.files), p.files);
    }
}

TEST_F(CommandLineParse, ValuesComeFromTheNextWordWhateverItLooksLike)
{
    const Parsed p = parse({"-op", "-x", "-HELP", "-forgetall", "deb", "-debug=d1", "a.c"});
    ASSERT_FALSE(p.error) << *p.error;
    C_Options& options = *p.commandLine->options();
    EXPECT_EQ("-x", options.outputpath()->value());
    EXPECT_TRUE(options.help()->value());
    EXPECT_EQ((Words{"d1"}), options.debug()->values());
    EXPECT_EQ((Inputs{{"a.c", inWork("-x")}}), p.files);
}

TEST_F(CommandLineParse, ForgetRestoresTheDefault)
{
    writeRc("-op rcout -maxerrors 7\n");
    const Parsed p = parse({"-forgetall", "op", "-forgetallmaxerrors", "a.c"});
    ASSERT_FALSE(p.error) << *p.error;
    C_Options& options = *p.commandLine->options();
    EXPECT_EQ("", options.outputpath()->value());
    EXPECT_FALSE(options.outputpath()->isSet());
    EXPECT_EQ(0, options.maxerrors()->value());
    EXPECT_EQ(inWorkDir(work.path(), {"a.c"}), p.files);
}

TEST_F(CommandLineParse, InputFilesKeepTheirFirstNamingAndDirectory)
{
    ::mkdir(inWork("sub").c_str(), 0700);
    struct Row {
        const char* name;
        std::optional<std::string> outPath;
        Words args;
        Inputs files;
    };
    const std::vector<Row> rows = {
        {"directory in force when named", std::nullopt,
         {"-op", "out1", "a.c", "-op", "out2", "b.c", "a.c"},
         {{"a.c", inWork("out1")}, {"b.c", inWork("out2")}}},
        {"letter case folds, first spelling stays", std::nullopt, {"a.c", "A.C", "sub/../a.c"}, {{"a.c", work.path()}}},
        {"OUTPATH when no option", "envout", {"a.c", "-op", "opt", "b.c"},
         {{"a.c", inWork("envout")}, {"b.c", inWork("opt")}}},
        {"empty OUTPATH is the current directory", "", {"a.c"}, {{"a.c", work.path()}}},
        {"an absolute directory stays", std::nullopt, {"-op", home.path(), "a.c"}, {{"a.c", home.path()}}},
        {"no input file", std::nullopt, {"-op", "x"}, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ScopedEnv outPath("ZXCPPOUTPATH", r.outPath);
        const Parsed p = parseAfresh(r.args);
        ASSERT_FALSE(p.error) << *p.error;
        EXPECT_EQ(r.files, p.files);
        EXPECT_EQ(r.files.empty(), handler.isEmpty());
    }
}

TEST_F(CommandLineParse, EmptyArgumentsEndNothing)
{
    const Parsed p = parse({"-op", "", "a.c", "", "b.c", "c.c\n", "d.c\ne.c"});
    ASSERT_FALSE(p.error) << *p.error;
    EXPECT_EQ("", p.commandLine->options()->outputpath()->value());
    EXPECT_EQ(inWorkDir(work.path(), {"a.c", "b.c", "c.c", "d.c", "e.c"}), p.files);
}

TEST_F(CommandLineParse, EmptyQuotedWordStillEndsAnOptionFile)
{
    writeRc("r1.c \"\" r2.c\n");
    EXPECT_EQ(inWorkDir(work.path(), {"r1.c", "a.c"}), parse({"a.c"}).files);
}

TEST_F(CommandLineParse, EchoAtTheEndOfTheRcFileTakesTheFirstCommandLineWord)
{
    writeRc("-echo\n");
    const Parsed p = parse({"hello", "a.c"});
    EXPECT_EQ("hello\n", p.out);
    EXPECT_EQ(inWorkDir(work.path(), {"a.c"}), p.files);
}

TEST_F(CommandLineParse, NoUsableTemporaryDirectoryStopsBeforeAnyWord)
{
    env.set("ZXCPPTEMPFILES", inWork("missing"));
    writeRc("-echo rc\n");
    const Parsed p = parse({"a.c"});
    EXPECT_EQ("Error finding temporary directory:\n"
              "\tTried directory from environment variable ZXCPPTEMPFILES: " +
                  inWork("missing") + "\n",
              p.error.value_or(""));
    EXPECT_EQ("", p.out);
    EXPECT_TRUE(handler.isEmpty());
}

TEST_F(CommandLineParse, SelectedProductIsRestoredAndParsingHappensOnce)
{
    // Records the product index that is selected while words are handled.
    struct IndexRecorder : C_OrphanHandler {
        void handle(C_CmdArgs&, const std::string& word) override
        {
            seen.emplace_back(word, U_Product::selectedIndex());
        }
        bool isEmpty() const override { return seen.empty(); }
        std::vector<std::pair<std::string, std::int32_t>> seen;
    };
    const std::int32_t before = U_Product::selectedIndex();
    const std::int32_t zxcpp = U_Product::find("ZXCPP");
    ASSERT_NE(before, zxcpp);

    std::vector<std::string> words{"a.c", "-eica", "-#bad"};
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    U_RefPtr<C_CmdArgs> good(new C_CmdArgs("ZXCPP", 1, argv.data()));
    IndexRecorder recorder;
    good->parse(recorder);
    good->parse(recorder);
    EXPECT_EQ((std::vector<std::pair<std::string, std::int32_t>>{{"a.c", zxcpp}}), recorder.seen);
    EXPECT_EQ(before, U_Product::selectedIndex());

    U_RefPtr<C_CmdArgs> failing(new C_CmdArgs("ZXCPP", 3, argv.data()));
    EXPECT_THROW(failing->parse(recorder), C_InvalidArgException);
    EXPECT_EQ(before, U_Product::selectedIndex());
    // A parse that failed did not load the sources: it may run again.
    EXPECT_THROW(failing->parse(recorder), C_InvalidArgException);
}

TEST_F(CommandLineParse, NamedFilesAreRegistered)
{
    const std::string implicit = bin.file("implicit.h");
    const Parsed p = parse({"a.c", "-cmaf", "cross.c", implicit});
    ASSERT_FALSE(p.error) << *p.error;
    struct Row {
        std::string path;
        bool named;
    };
    const std::vector<Row> rows = {
        {"a.c", true}, {"A.C", true}, {"cross.c", true}, {"other.c", false}, {implicit, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(r.named, C_NamedFileRegistry::contains(*p.commandLine, U_Filename::fromPath(r.path)));
    }
    // An empty value registers nothing; a new parse starts a fresh registry.
    const Parsed empty = parseAfresh({"-cmaf="});
    ASSERT_FALSE(empty.error) << *empty.error;
    EXPECT_FALSE(C_NamedFileRegistry::contains(*empty.commandLine, U_Filename::fromPath("cross.c")));
    EXPECT_FALSE(C_NamedFileRegistry::contains(*empty.commandLine, U_Filename::fromPath("a.c")));
}

TEST_F(CommandLineParse, MissingConfigurationFileIsReportedAndParsingGoesOn)
{
    std::remove(bin.file("zxcpp.cfg").c_str());
    writeRc("rc.c\n");
    const Parsed p = parse({"a.c"});
    EXPECT_FALSE(p.error);
    EXPECT_EQ("\nERROR: Unable to open configuration file " + bin.file("zxcpp.cfg") + "\n\n", p.err);
    EXPECT_EQ(inWorkDir(work.path(), {"rc.c", "a.c"}), p.files);
}

TEST_F(CommandLineParse, InvalidProductIsRefusedBeforeAnyWord)
{
    writeRc("-echo rc\n");
    U_RefPtr<C_CmdArgs> invalid(new C_CmdArgs("NOPRODUCT", 0, nullptr));
    testing::internal::CaptureStdout();
    EXPECT_THROW(invalid->parse(handler), U_AssertException);
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    std::istringstream words("a.c\n");
    EXPECT_THROW(invalid->parseStream(words, handler), U_AssertException);
    EXPECT_TRUE(handler.isEmpty());
}
