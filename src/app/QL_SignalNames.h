#pragma once

#include <csignal>

// The signals the frame reports, in the order their handlers are installed,
// with the name its report gives each.
struct QL_SignalName {
    int signo;
    const char* text;
    bool fault;  // a fault that a sanitizer reports better
};

constexpr QL_SignalName kQL_SignalNames[] = {
    {SIGINT, "SIGINT)\n", false},
    {SIGABRT, "SIGABRT)\n", true},
    {SIGILL, "SIGILL)\n", true},
    {SIGFPE, "SIGFPE)\n", true},
    {SIGSEGV, "SIGSEGV)\n", true},
    {SIGTERM, "SIGTERM)\n", false},
};
