#pragma once

#include "patch/PatchGen.h"
#include "platform/RegularFile.h"

#include <memory>

/// Saves a patch cache as "patch.xml". Everything goes to a new file beside
/// the target, which replaces the target only once every byte is written and
/// the file is closed without error; until then, and after any failure, the
/// old file stays as it was. The new file has no name until it is complete,
/// so a process killed while saving leaves nothing behind. Only a regular
/// file is ever replaced, the name itself: nothing is saved through a
/// symbolic link. The new file grants no more than the old one did: it keeps
/// the old one's owner and group, ACL and extended attributes where it can,
/// and its permission bits but the set-id, sticky and execute bits.
class PatchGen_WriterXML : public PatchGen_WriterBase {
public:
    PatchGen_WriterXML();
    // Removes a file that was opened but not successfully closed.
    ~PatchGen_WriterXML() override;

    // Creates the new file beside path, after removing the temporary files
    // that replacements in its directory left when their process was killed
    // between naming and renaming. False, creating nothing, when path names
    // something other than a regular file or nothing (a symbolic link, a
    // FIFO, a device, a directory) or when the new file cannot be created.
    bool open(const char* path) override;
    // The same for file, whose directory is the one written in.
    bool open(const platform::FileAt& file);
    // Puts the new file in the place of path; false when nothing was opened,
    // when any write failed, or when the file could not be synced, closed or
    // renamed (the new file is then removed).
    bool close() override;
    // Writes handler's cache into the new file; false when the file is not
    // open or a write failed.
    bool write(PatchHandler* handler) override;

private:
    class Output;
    std::unique_ptr<Output> output_;
};
