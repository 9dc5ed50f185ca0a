#pragma once

#include "cmdline/C_CmdArgs.h"

#include <exception>
#include <functional>
#include <iostream>
#include <string>

/// What the project's small tools share around their work: the message-file
/// code needs a current command line (the product ZXC's), and a failure ends
/// the tool with one line on standard error.
// Runs body with ZXC's command line current and returns its result; 1, after
// "<tool>: <reason>" on standard error, when it throws.
inline int runForProduct(const std::string& tool, const std::function<int()>& body)
{
    try {
        char product[] = "ZXC";
        U_RefPtr<C_CmdArgs> commandLine(new C_CmdArgs(product, 0, nullptr));
        commandLine->makeCurrent();
        return body();
    } catch (const std::exception& e) {
        std::cerr << tool << ": " << e.what() << '\n';
        return 1;
    } catch (...) {
        std::cerr << tool << ": failed\n";
        return 1;
    }
}
