#include "app/QL_App.h"

#include "app/QL_Signal.h"
#include "cmdline/C_OptionKinds.h"
#include "cmdline/C_Options.h"
#include "platform/AsciiCase.h"
#include "platform/RunningChild.h"
#include "platform/Sanitizer.h"
#include "util/U_Env.h"
#include "util/U_Exception.h"
#include "util/U_Memory.h"
#include "util/U_Path.h"
#include "util/U_Product.h"

#include <cstring>
#include <iostream>
#include <new>
#include <unistd.h>

namespace {

bool bannerPrinted = false;

const char kSupportLine[] = "Please notify Marrowby support (support@marrowby.example) of this problem,";
const char kExampleLine[] = "attaching a code example that causes the problem, if possible.";

void writeSupportLines()
{
    std::cerr << kSupportLine << std::endl;
    std::cerr << kExampleLine << std::endl;
}

void printBanner(const char* text)
{
    std::cout << text;
    std::cout.flush();
    bannerPrinted = true;
}

// An address-space limit would starve a sanitizer, which reserves terabytes.
void limitMemory(const C_CmdArgs& cmdArgs)
{
    if (platform::kAddressSanitizer || C_CmdArgs::hasDebugFlag(cmdArgs, "noVirtualMemoryLimit"))
        return;
    if (C_CmdArgs::hasDebugFlag(cmdArgs, "debugVirtualMemoryLimit"))
        U_Memory::setProcessLimit(0, 98304);
    else
        U_Memory::setProcessLimit(70, 4194304);
}

} // namespace

QL_App::QL_App(const char* name) : name_(name) {}

QL_App::~QL_App() = default;

void QL_App::onConfigurationError() {}

void QL_App::printBannerOnce(const char* text)
{
    if (!bannerPrinted)
        printBanner(text);
}

void QL_App::printBannerIfVersionArgument(int argc, char** argv, const char* text)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strlen(argv[i]) >= 4 && platform::asciiCompareNoCase(argv[i], "-ver", 4) == 0 && !bannerPrinted)
            printBanner(text);
    }
}

void QL_App::fatalSignalHandler(int signo)
{
    QL_Signal::writeCaughtMessage(signo);
    platform::killRunningChildGroup();
    ::_exit(19);
}

void QL_App::resetBannerFlagForTests()
{
    bannerPrinted = false;
}

int QL_App::main(int argc, char** argv, U_RefPtr<QL_App> frame)
{
    printBannerIfVersionArgument(argc, argv, frame->name());
    int code = 0;
    try {
        QL_Signal::installHandler(&QL_App::fatalSignalHandler);
        if (argc < 1)
            throw C_ConfigurationException("ERROR: No product name specified.\n");
        const std::string productName = U_Path::baseName(U_Path::toSlashes(argv[0]));
        U_RefPtr<C_CmdArgs> cmdArgs(new C_CmdArgs(productName.c_str(), argc - 1, argv + 1));
        if (!cmdArgs->product().isValid())
            throw C_ConfigurationException("ERROR: Invalid product name specified.\n");
        if (U_Env::binDirectory(cmdArgs->product()).empty())
            throw C_ConfigurationException("\nERROR: " + U_Product::binVariable(cmdArgs->product()) +
                                           " environment variable not found\n");
        cmdArgs->parse(*frame->orphanHandler());
        if (cmdArgs->options()->version()->value())
            printBannerOnce(frame->name());
        frame->setCmdArgs(cmdArgs);
        limitMemory(*cmdArgs);
        code = frame->run();
    } catch (const C_ConfigurationException& e) {
        std::cerr << e.what();
        std::cerr.flush();
        frame->onConfigurationError();
        code = e.hasCode() ? e.code() : frame->exitCodeConfigurationError();
    } catch (const U_AssertException&) {
        code = frame->exitCodeInternalError();
    } catch (const U_UserException& e) {
        std::cerr << e.what() << std::endl;
        code = frame->exitCodeInternalError();
    } catch (const U_Exception& e) {
        std::cerr << "An internal exception occured: " << e.what() << std::endl;
        code = frame->exitCodeInternalError();
    } catch (const std::bad_alloc& e) {
        std::cerr << "A system allocation exception (: " << e.what() << ") was detected." << std::endl;
        writeSupportLines();
        code = frame->exitCodeOutOfMemory();
    } catch (const std::exception& e) {
        std::cerr << "A system exception (" << e.what() << ") was detected." << std::endl;
        writeSupportLines();
        code = frame->exitCodeSystemException();
    } catch (...) {
        std::cerr << "An unrecognised exception was detected." << std::endl;
        writeSupportLines();
        code = frame->exitCodeSystemException();
    }
    frame.release();
    return code;
}
