#pragma once

#include <cstddef>

/// The fatal-signal side of the frame: which signals end the program with a
/// one-line report, and that report, written without heap or streams so that
/// it is safe inside a signal handler.
namespace QL_Signal {

using Handler = void (*)(int);

// Installs handler for SIGINT, SIGABRT, SIGILL, SIGFPE, SIGSEGV, SIGTERM,
// SIGHUP and SIGQUIT; in a sanitizer build only for the four that are not
// faults, so that the sanitizer's own reports of faults stay. A SIGINT,
// SIGHUP or SIGQUIT that the process started with ignored (a background job,
// nohup) stays ignored. While the handler runs, the other signals it handles
// wait, so one report is written. SIGPIPE and SIGXFSZ are ignored in every
// build.
void installHandler(Handler handler);

// The report's middle piece for signo ("SIGINT)\n" and so on); "" for a
// signal without a name here.
const char* signalText(int signo) noexcept;

// Writes "Caught signal: (", signalText(signo) and
// "Please contact Marrowby.\n" to descriptor fd (2 in the program).
void writeCaughtMessage(int signo, int fd = 2) noexcept;

} // namespace QL_Signal
