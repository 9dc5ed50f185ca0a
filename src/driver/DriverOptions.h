#pragma once

#include <string>
#include <vector>

/// The driver's own values among the "-po" option's values. Names are the
/// bytes of the words as given: a log name reaches open exactly as it is.
struct DriverOptions {
    std::string logName;   // the last "baseline::log" name; empty for no log
    bool nocache = false;  // "baseline::nocache" was given

    // Reads the "-po" values in order: "baseline::log" followed by one
    // character (normally "=") and the name, which may be enclosed in
    // double or single quotes and may use backslashes; "baseline::nocache".
    // Both compare case-sensitively as prefixes; other values are ignored.
    // The character after "baseline::log" is one as the locale's codec
    // reads it, or one byte where the value is not valid there.
    static DriverOptions fromValues(const std::vector<std::string>& values);

    // Where a file log of name goes: backslashes turned into "/", each "%Bf"
    // replaced by the last component of firstInput, and, when the result has
    // no "/", put in outputDirectory ("" meaning "."). All three are bytes in
    // the native encoding.
    static std::string logPath(const std::string& name, const std::string& firstInput,
                               const std::string& outputDirectory);
};
