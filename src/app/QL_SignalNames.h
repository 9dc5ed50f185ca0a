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

constexpr QL_SignalName kQL_SignalNames[] = {
    {SIGINT, "SIGINT)\n", false, false},
    {SIGABRT, "SIGABRT)\n", true, false},
    {SIGILL, "SIGILL)\n", true, false},
    {SIGFPE, "SIGFPE)\n", true, false},
    {SIGSEGV, "SIGSEGV)\n", true, false},
    {SIGTERM, "SIGTERM)\n", false, false},
    // nohup starts a program with hangups ignored so that it outlives the
    // terminal; the program keeps that promise.
    {SIGHUP, "SIGHUP)\n", false, true},
    {SIGQUIT, "SIGQUIT)\n", false, false},
};
