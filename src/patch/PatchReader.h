#pragma once

#include "patch/FilePatch.h"
#include "patch/Patch.h"
#include "patch/PatchLines.h"
#include "util/U_RefPtr.h"

#include <cstdint>
#include <istream>
#include <string>

/// The parser behind Patch::read: "File: " section headers, each followed by
/// normal-diff change commands (N[,M], one of a, c, d, K[,L]). It reports
/// nothing: a line it cannot use adds nothing, lines before the first header
/// are passed over, and the commands of a repeated section are lost. A
/// command whose numbers, or the lines of whose mappings, leave the signed
/// 32-bit range adds nothing either: no number is ever wrapped or read as 0.
class PatchReader {
public:
    enum class PatchOp { None = -1, Add = 0, Remove = 1, Change = 2 };

    // Extends patch (may be null: a Patch is created at the first header).
    PatchReader(std::istream& in, const U_RefPtr<Patch>& patch);

    // Reads lines until the stream is no longer good.
    void readAll();

    // Reads every line of in as a change command of section (not null):
    // there are no "File: " headers here, so no text of a line can start
    // another section, and a line that is no command adds nothing. False at
    // the first command whose numbers or mapping lines leave the signed
    // 32-bit range; that line (without its "\n") is then in badLine, and the
    // mapping is incomplete.
    static bool readChangeCommands(std::istream& in, const U_RefPtr<FilePatch>& section, std::string& badLine);
    // The same over lines, read where they are.
    static bool readChangeCommands(const PatchLines& lines, const U_RefPtr<FilePatch>& section,
                                   std::string& badLine);
    // The Patch read into; null when none was given and no header came.
    const U_RefPtr<Patch>& patch() const noexcept { return patch_; }
    // Lines read so far.
    std::int32_t lineNumber() const noexcept { return lineNumber_; }

private:
    // Reads the next line up to "\n" into the current line; false when
    // nothing could be read.
    bool readLine();
    // Starts a section when the current line is a header; false otherwise.
    bool parseFileHeader();
    // Applies the change command in the current line to the current section;
    // false, and nothing applied, when it leaves the 32-bit range.
    bool parseHunkHeader();
    // N or N,M (blanks and extra commas after the first number are skipped).
    LineRange parseRange();
    // The leading digit run as a number (0 when empty; 0 and numberTooLarge_
    // set when it exceeds the signed 32-bit range).
    std::int32_t parseNumber();
    // The leading run of a, c and d; its first letter decides.
    PatchOp parseOp();
    // Drops the first n characters and the blanks after them; an all-blank
    // rest leaves the line empty.
    void consume(std::string::size_type n);

    std::int32_t lineNumber_ = 0;
    std::string line_;
    std::istream& in_;
    U_RefPtr<Patch> patch_;
    U_RefPtr<FilePatch> section_;
    bool numberTooLarge_ = false;
};
