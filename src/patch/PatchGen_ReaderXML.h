#pragma once

#include "patch/PatchGen.h"

#include <string>

struct PatchRecord;

/// Loads "patch.xml" into a patch cache. A missing or unreadable file loads
/// nothing and a damaged one loads the entries that were complete before the
/// damage; neither is an error, since the cache only spares work.
class PatchGen_ReaderXML : public PatchGen_ReaderBase {
public:
    PatchGen_ReaderXML() = default;

    // Remembers path (a null path changes nothing); always true.
    bool open(const char* path) override;
    // Always true.
    bool close() override;
    // Loads the remembered file into handler through PatchHandler::addFile,
    // setSName and setSDate, which leave the cache unmodified. Always true.
    bool read(PatchHandler* handler) override;

    // Hands one record read from the file to the owner's target cache.
    static void onRecord(PatchGen_ReaderXML* owner, const PatchRecord& record);

private:
    std::string fileName_;
    PatchHandler* target_ = nullptr;
};
