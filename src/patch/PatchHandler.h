#pragma once

#include "patch/PatchLines.h"

#include <cstdint>
#include <iosfwd>
#include <map>
#include <string>

/// What the patch cache keeps for one file: the change commands of its last
/// diff and the MD5 digest of the content they were made from.
struct PatchFileEntry {
    PatchLines lines;  // in the order they were added
    std::string date;               // 32 hex digits, or empty when not known
};

/// The patch cache in memory: per file name, the entry the driver replays
/// while the file's digest is unchanged, stamped with the suppression
/// database it belongs to. The modified flag decides whether "patch.xml" is
/// written back; loading and clearing never set it, so a cache that was only
/// read is not rewritten.
class PatchHandler {
public:
    using Lines = PatchLines;

    PatchHandler() = default;
    PatchHandler(const PatchHandler&) = default;
    PatchHandler& operator=(const PatchHandler&) = default;
    virtual ~PatchHandler();

    // The loading path: the entry's date becomes date and lines are appended
    // to those it has. Creates the entry; leaves the flag alone.
    virtual void addFile(const std::string& name, const std::string& date, const PatchLines& lines);
    // Removes every entry; the stamp and the flag stay.
    virtual void clear();

    const std::string& sname() const { return sname_; }
    const std::string& sdate() const { return sdate_; }
    void setSName(const std::string& text) { sname_ = text; }
    void setSDate(const std::string& text) { sdate_ = text; }

    bool isModified() const { return modified_; }

    // Whether name has an entry; names match exactly, case included.
    bool hasFile(const std::string& name) const;
    // Erases name's entry; sets the flag even when there was none.
    void removeFile(const std::string& name);
    // A copy of name's date; creates an empty entry when there is none.
    std::string date(const std::string& name);
    // Creates an empty entry for name unless it has one; sets the flag only
    // when it created one.
    void ensureFile(const std::string& name);
    // Sets name's date (creating the entry) and the flag.
    void setDate(const std::string& name, const std::string& date);
    // Appends one change command to name's entry (creating it); sets the flag.
    void addPatch(const std::string& name, const std::string& line);
    // Appends every line of lines to name's entry (creating it); sets the flag.
    void addPatches(const std::string& name, const PatchLines& lines);
    // Empties name's lines and date (creating the entry); sets the flag.
    void resetFile(const std::string& name);
    // Name's lines in order; both create an empty entry when there is none.
    Lines::const_iterator patchesBegin(const std::string& name);
    Lines::const_iterator patchesEnd(const std::string& name);
    // Name's lines; creates an empty entry when there is none.
    const PatchLines& patches(const std::string& name);

    // The entries in byte order of their names.
    const std::map<std::string, PatchFileEntry>& files() const { return files_; }

    // Writes the whole cache as the text of "patch.xml" to out. An entry whose
    // name, date or a line cannot be written so that it reads back as the same
    // bytes is left out: the driver then diffs that file again, whereas a
    // malformed file would lose every later entry. So is an entry that would
    // make the text longer than maxBytes (by default the most the reader
    // takes, PatchGen_ReaderXML::kMaxFileSize): a file the reader refuses
    // would lose every entry. Nothing else can make the reader refuse an
    // entry: its other guards look at markup only, and the tags written here
    // carry one or two attributes.
    void writeXML(std::ostream& out) const;
    void writeXML(std::ostream& out, std::uint64_t maxBytes) const;

private:
    std::map<std::string, PatchFileEntry> files_;
    bool modified_ = false;
    std::string sname_;
    std::string sdate_;
};
