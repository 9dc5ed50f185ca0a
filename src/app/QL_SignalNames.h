#pragma once

#include <csignal>

// The signals the frame reports, in the order their handlers are installed,
// with the name its report gives each.
struct QL_SignalName {
    int signo;
    const char* text;
    bool fault;        // a fault that a sanitizer reports better
    bool keepIgnored;  // left ignored when the program starts with it ignored
};

// A signal the program starts with ignored stays ignored: nohup ignores
// hangups so that a run outlives its terminal, and a shell starts a
// background job with SIGINT and SIGQUIT ignored so that the terminal's keys
// reach only the foreground.
constexpr QL_SignalName kQL_SignalNames[] = {
    {SIGINT, "SIGINT)\n", false, true},
    {SIGABRT, "SIGABRT)\n", true, false},
    {SIGILL, "SIGILL)\n", true, false},
    {SIGFPE, "SIGFPE)\n", true, false},
    {SIGSEGV, "SIGSEGV)\n", true, false},
    {SIGTERM, "SIGTERM)\n", false, false},
    {SIGHUP, "SIGHUP)\n", false, true},
    {SIGQUIT, "SIGQUIT)\n", false, true},
};
