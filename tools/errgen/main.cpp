// vantrel_errgen: the analyser's side of the example, made with the
// project's own message-file writer and reader.
//
//   vantrel_errgen write <message file> [<file> <line> <column> <message>]...
//       creates the message file (generation 3) holding one diagnostic per
//       group of four arguments, in that order;
//   vantrel_errgen dump <message file>
//       prints one line per record: "diagnostic <file> <line> <column>
//       <message>" and "suppression <file> <line> <column> <first message>
//       <reason>", in file order (diagnostics first).
//
// The product's environment (ZXCBIN) must be set, as for vantrel.

#include "ToolMain.h"

#include "cmdline/C_CmdArgs.h"
#include "encoding/U_Encoding.h"
#include "messages/M_Diagnostic.h"
#include "messages/M_InputVerro.h"
#include "messages/M_Output.h"
#include "messages/M_SuppressionRecord.h"
#include "util/U_Filename.h"

#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

namespace {

int usage()
{
    std::cerr << "usage: vantrel_errgen write <message file> [<file> <line> <column> <message>]...\n"
                 "       vantrel_errgen dump <message file>\n";
    return 2;
}

void printLocation(const U_Location& location)
{
    if (!location.isValid()) {
        std::cout << "- 0 0";
        return;
    }
    std::cout << location.fileName().fullName() << ' ' << location.line() << ' ' << location.column();
}

int write(int argc, char** argv)
{
    if ((argc - 3) % 4 != 0)
        return usage();
    M_Output::openNew(argv[2]);
    for (int i = 3; i + 3 < argc; i += 4) {
        const U_Location location = U_Location::create(U_Filename::fromPath(U_Encoding::fromNative(argv[i])),
                                                       std::atoi(argv[i + 1]), std::atoi(argv[i + 2]));
        M_Output::sendUnfiltered(U_RefPtr<M_Diagnostic>(new M_Diagnostic(std::atoi(argv[i + 3]), location)));
    }
    M_Output::close();
    return 0;
}

int dump(const char* path)
{
    U_RefPtr<M_InputVerro> reader(new M_InputVerro());
    reader->setFileName(path);
    reader->open(path);
    for (auto it = reader->diagnosticsBegin(); it != reader->diagnosticsEnd(); ++it) {
        std::cout << "diagnostic ";
        printLocation((*it)->location());
        std::cout << ' ' << (*it)->number() << '\n';
    }
    for (auto it = reader->suppressionsBegin(); it != reader->suppressionsEnd(); ++it) {
        std::cout << "suppression ";
        printLocation((*it)->location());
        std::cout << ' ' << ((*it)->ranges().empty() ? std::string("-") : (*it)->ranges().front().first) << ' '
                  << (*it)->reason() << '\n';
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return usage();
    return runForProduct("vantrel_errgen", [&] {
        const std::string command = argv[1];
        if (command == "write")
            return write(argc, argv);
        if (command == "dump" && argc == 3)
            return dump(argv[2]);
        return usage();
    });
}
