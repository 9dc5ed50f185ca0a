#pragma once

// Shared by every fuzzing harness: a scratch directory of the process's own
// in which readers that take a path find their input, and the guard that
// tells a reader's reported error from a fault.

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// The scratch directory ("/" separators, no trailing "/"), made on first use
// under the system's temporary directory and removed at exit. Aborts when it
// cannot be made: a harness without it would test nothing.
const std::string& scratchDirectory();

// Writes size bytes of data to name in the scratch directory (created or
// truncated; the same file is reused by every input) and returns its path.
// Aborts when the bytes cannot be written.
std::string writeScratchFile(const std::string& name, const std::uint8_t* data, std::size_t size);

// The number of converted copies of input files ("ktw..." temporary files)
// in the scratch directory: none may outlive the reader that made it.
std::size_t scratchTemporaryCopies();

// Points standard output at the null device once, for readers that report
// problems there: the reports are expected, and printing them would slow the
// fuzzer down and flood the test log.
void silenceStandardOutput();

// Runs body; an exception of the program's own family (a reading error the
// reader reports) is swallowed, anything else escapes and ends the run.
template <typename Body>
void expectOnlyReadingErrors(Body&& body);

} // namespace fuzz

#include "util/U_Exception.h"

template <typename Body>
void fuzz::expectOnlyReadingErrors(Body&& body)
{
    try {
        body();
    } catch (const U_Exception&) {
    }
}

// Fails the run (as a crash, so libFuzzer keeps the input) when cond is false.
#define FUZZ_CHECK(cond)                                                                                   \
    do {                                                                                                   \
        if (!(cond))                                                                                       \
            ::fuzz::checkFailed(#cond, __FILE__, __LINE__);                                                \
    } while (false)

namespace fuzz {
// Prints what failed and aborts.
[[noreturn]] void checkFailed(const char* condition, const char* file, int line);
} // namespace fuzz
