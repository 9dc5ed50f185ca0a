#pragma once

#include "util/U_Filename.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

class C_CmdArgs;

/// Receives every word of the argument stream that is not an option, with
/// the command line being parsed. The parser never hands it an empty word.
class C_OrphanHandler {
public:
    C_OrphanHandler() = default;
    C_OrphanHandler(const C_OrphanHandler&) = default;
    C_OrphanHandler& operator=(const C_OrphanHandler&) = default;

    // Takes one non-option word (native encoding).
    virtual void handle(C_CmdArgs& commandLine, const std::string& word) = 0;
    // True when nothing has been collected.
    virtual bool isEmpty() const = 0;

protected:
    ~C_OrphanHandler() = default;
};

/// One input file to process: its name and the output directory (absolute,
/// "/" separators) that was in force when it was first named, where its
/// message file is looked for.
struct C_InputFile {
    U_Filename file;
    std::string outputDirectory;
};

/// Collects the non-option words as input files, once per file (full names
/// compare without regard to letter case, so "a.c" and "A.C" in one
/// directory are one file, spelled as first named).
///
///     for (const C_InputFile& input : handler)   // in first-naming order
///         process(input.file, input.outputDirectory);
class C_OrphanFileHandler final : public C_OrphanHandler {
public:
    using const_iterator = std::vector<C_InputFile>::const_iterator;

    C_OrphanFileHandler() = default;
    ~C_OrphanFileHandler() = default;

    // Makes the word a U_Filename, registers it in C_NamedFileRegistry and,
    // when the file is new, records it with U_Env::outputDirectory
    // (commandLine) made absolute. A file named again keeps its first
    // directory and place.
    void handle(C_CmdArgs& commandLine, const std::string& word) override;
    bool isEmpty() const override { return files_.empty(); }

    // The files in the order in which they were first named.
    const_iterator begin() const noexcept { return files_.begin(); }
    const_iterator end() const noexcept { return files_.end(); }
    std::size_t size() const noexcept { return files_.size(); }

private:
    std::vector<C_InputFile> files_;
    std::map<U_Filename, std::size_t> index_;  // file -> its place in files_
};
