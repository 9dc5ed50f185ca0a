#pragma once

#include "patch/PatchGen.h"
#include "platform/RegularFile.h"

#include <string>

struct PatchRecord;

/// Loads "patch.xml" into a patch cache. A damaged file loads the entries
/// that were complete before the damage, since the cache only spares work. A
/// file that cannot be used as a cache (not a regular file, unreadable,
/// declaring more than the layout's document type) loads nothing, and no
/// failure while loading goes further than this reader.
class PatchGen_ReaderXML : public PatchGen_ReaderBase {
public:
    PatchGen_ReaderXML() = default;
    ~PatchGen_ReaderXML() override;
    PatchGen_ReaderXML(const PatchGen_ReaderXML&) = delete;
    PatchGen_ReaderXML& operator=(const PatchGen_ReaderXML&) = delete;

    // Remembers path, a native byte string, and opens it. Only a regular file
    // (or a link to one) is opened, never blocking on a FIFO or device. True
    // when it opened, and for an empty path (no file: nothing to load); false
    // when it cannot be opened or is no regular file. A null path changes
    // nothing and gives true.
    bool open(const char* path) override;
    // The same for file, looked up in its directory only.
    bool open(const platform::FileAt& file);
    // Closes the file; always true.
    bool close() override;
    // Loads the opened file into handler through PatchHandler::addFile,
    // setSName and setSDate, which leave the cache unmodified. True when the
    // file was read, also when it was damaged, and when no file was named.
    // False when it cannot be used: open failed, it is larger than
    // kMaxFileSize, reading it failed, it declares more than the layout's
    // document type, or anything failed while loading (memory included);
    // handler is then left with no entries and an empty stamp.
    bool read(PatchHandler* handler) override;

    // Hands one record read from the file to the owner's target cache.
    static void onRecord(PatchGen_ReaderXML* owner, const PatchRecord& record);

    // Largest file read: well over a million entries; the strings that hold its
    // text in memory could not hold much more.
    static constexpr long long kMaxFileSize = 256LL * 1024 * 1024;

private:
    void closeFile() noexcept;

    std::string fileName_;
    int fd_ = -1;
    PatchHandler* target_ = nullptr;
};
