#pragma once

#include "patch/PatchLines.h"

#include <QByteArray>

#include <cstddef>
#include <string>
#include <vector>

/// What became of one run of the diff command.
struct DiffResult {
    enum class Status {
        Output,         // it wrote to standard output and ended (any exit code)
        NoOutput,       // it wrote nothing and ended with exit code 0
        NoCommand,      // there was no command to start (an empty one)
        FailedToStart,  // the program could not be started
        ExitCode,       // it wrote nothing and ended with a non-zero exit code
        Crashed,        // a signal ended it, whatever it wrote
        TimedOut,       // a wait expired; it was killed
        TooLarge,       // its change commands passed kMaxChangeBytes; it was killed
        LineTooLong,    // it wrote a change command longer than kMaxLineBytes; it was killed
    };
    Status status = Status::FailedToStart;
    int exitCode = 0;
    // Why it could not be started, where the system said (FailedToStart):
    // EMFILE when no descriptor was left for its pipes; 0 otherwise.
    int startError = 0;
    // The change-command lines of its output, trimmed, in output order;
    // empty unless it ended with Output.
    PatchLines changeLines;
    // Its output lines, trimmed, as far as kMaxLoggedBytes holds them; kept
    // only when asked for (for the log). outputLinesLeftOut counts the lines
    // beyond.
    PatchLines outputLines;
    std::size_t outputLinesLeftOut = 0;
    // The start of its standard error, at most kMaxErrorBytes.
    QByteArray errorOutput;

    bool failed() const { return status != Status::Output && status != Status::NoOutput; }
};

/// Runs the diff command as a child process and keeps the change commands of
/// its output. The child reads the null device, runs in a process group of
/// its own, and is killed with everything it started when a wait expires or
/// its change commands grow too large or one too long. Output is read as it
/// comes, so neither output stream is held whole.
class DiffProcess {
public:
    static constexpr int kDefaultWaitMs = 30000;
    static constexpr int kMaxErrorBytes = 64 * 1024;
    // The longest output line held, white space included. Only the start of
    // a longer one is held (for the log); it is dropped when it is no change
    // command, and one that is fails the diff, since leaving it out would
    // change the mapping.
    static constexpr int kMaxLineBytes = 64 * 1024;
    // The change commands of a diff of two real source files come to a few
    // megabytes at the very most (a million lines changed one in two); a
    // command that prints more is killed, so that an endless one cannot take
    // all memory. Each line counts with its line end, a last line without
    // one too.
    static constexpr std::size_t kMaxChangeBytes = 16 * 1024 * 1024;
    // The most of the output the log is given.
    static constexpr std::size_t kMaxLoggedBytes = 16 * 1024 * 1024;

    // waitMs bounds each of the two waits: for the first output, and for
    // the end. A command that writes nothing and never ends is killed after
    // both, one that writes and then hangs after the second alone.
    explicit DiffProcess(int waitMs = kDefaultWaitMs, bool keepOutputLines = false);

    // Runs programAndArguments (the program first), each exactly the bytes
    // given; FailedToStart when it is empty, when one of them holds a NUL
    // byte (no argument can carry it) or the program cannot be started.
    DiffResult run(const std::vector<std::string>& programAndArguments) const;

    // True for a line of a normal diff's change commands: not empty, none of
    // "<", ">" and "-" in it, an ASCII digit first. line is already trimmed.
    static bool isChangeCommand(const std::string& line);

    // text without the ASCII white space at either end.
    static std::string trimmed(const std::string& text);

private:
    int waitMs_;
    bool keepOutputLines_;
};
