#pragma once

#include "cmdline/C_ArgsSource.h"
#include "util/U_RefPtr.h"

#include <cstddef>
#include <deque>
#include <string>

/// The argument sources of one parse as a stack: the top source is read
/// until it runs dry, then dropped (closing its file), and the one below
/// goes on. A source pushed while another is being read is read first.
class C_SourceStack {
public:
    // substitute is handed to every source's next().
    explicit C_SourceStack(bool substitute) : substitute_(substitute) {}

    // Adds source on top. optionFile marks a file named by a "via" or "list"
    // option, which counts towards optionFileDepth() and optionFilesRead().
    void push(U_RefPtr<C_ArgsSource> source, bool optionFile = false);

    // The next word of the topmost source that has one (an empty word
    // included); false when every source has run dry.
    bool nextWord(std::string& word);

    // The number of "via" and "list" files on the stack now.
    std::size_t optionFileDepth() const noexcept;
    // The number of "via" and "list" files pushed since the stack was made,
    // those already read and dropped included.
    std::size_t optionFilesRead() const noexcept { return optionFilesRead_; }
    // True when a source on the stack reads the file with that identity.
    bool reads(const platform::FileIdentity& identity) const;

private:
    struct Entry {
        U_RefPtr<C_ArgsSource> source;
        bool optionFile;
    };
    std::deque<Entry> sources_;
    std::size_t optionFilesRead_ = 0;
    bool substitute_;
};
