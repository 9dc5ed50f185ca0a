#pragma once

#include <QString>

#include <string>
#include <vector>

/// The driver's own values among the "-po" option's values.
struct DriverOptions {
    QString logName;       // the last "baseline::log" name; empty for no log
    bool nocache = false;  // "baseline::nocache" was given

    // Reads the "-po" values in order: "baseline::log" followed by one
    // character (normally "=") and the name, which may be enclosed in
    // double or single quotes and may use backslashes; "baseline::nocache".
    // Both compare case-sensitively as prefixes; other values are ignored.
    static DriverOptions fromValues(const std::vector<std::string>& values);

    // Where a file log of name goes: backslashes turned into "/", each "%Bf"
    // replaced by the last component of firstInput, and, when the result has
    // no "/", put in outputDirectory ("" meaning ".").
    static QString logPath(const QString& name, const QString& firstInput, const QString& outputDirectory);
};
