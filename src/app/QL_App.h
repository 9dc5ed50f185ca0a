#pragma once

#include "cmdline/C_CmdArgs.h"
#include "util/U_Ref.h"
#include "util/U_RefPtr.h"

#include <string>

class C_OrphanHandler;

/// The frame every tool of this family runs in: it prints the banner when
/// asked, turns the first argument into the product and parses the command
/// line for it, limits the memory, calls the tool's run, and alone turns
/// every escaping exception into a message on standard error and an exit
/// code. Derived frames supply the run and the collector of input files.
class QL_App : public U_Ref {
public:
    // The frame named name (for this program the banner), no command line.
    explicit QL_App(const char* name);
    ~QL_App() override;

    // The program's work; its result is the exit code.
    virtual int run() = 0;
    // The collector that receives every non-option argument while parsing.
    virtual C_OrphanHandler* orphanHandler() = 0;
    // Called after a configuration error has been reported; does nothing.
    virtual void onConfigurationError();

    // The exit codes main() picks: a normal end (not asked for by main), a
    // standard or unknown exception, the program's own exceptions, a
    // configuration error without a code, two reserved ones (not asked for),
    // an allocation failure.
    virtual int exitCodeNormal() const { return 0; }
    virtual int exitCodeSystemException() const { return 19; }
    virtual int exitCodeInternalError() const { return 18; }
    virtual int exitCodeConfigurationError() const { return 10; }
    virtual int exitCodeReserved1() const { return 10; }
    virtual int exitCodeReserved2() const { return 10; }
    virtual int exitCodeOutOfMemory() const { return 19; }

    // The frame's name: for this program the banner.
    const char* name() const noexcept { return name_.c_str(); }
    // The parsed command line; null until main() has parsed it.
    U_RefPtr<C_CmdArgs> cmdArgs() const { return cmdArgs_; }
    void setCmdArgs(const U_RefPtr<C_CmdArgs>& cmdArgs) { cmdArgs_ = cmdArgs; }

    // Frames with equal names are equal.
    bool operator==(const QL_App& other) const { return name_ == other.name_; }

    // Runs the frame over argv[0..argc), argv[0] being the product argument,
    // and returns the exit code; never throws. Releases frame before it
    // returns.
    static int main(int argc, char** argv, U_RefPtr<QL_App> frame);

    // Writes text to standard output unless the banner was printed already.
    static void printBannerOnce(const char* text);
    // Writes text to standard output, at most once, when one of argv[1..argc)
    // begins with "-ver" (A-Z folded) and the banner was not printed yet.
    static void printBannerIfVersionArgument(int argc, char** argv, const char* text);
    // Reports signo on standard error, ends any running diff command and
    // ends the process at once with exit code 19.
    static void fatalSignalHandler(int signo);

    // Forgets that the banner was printed; for tests only.
    static void resetBannerFlagForTests();

private:
    std::string name_;
    U_RefPtr<C_CmdArgs> cmdArgs_;
};
