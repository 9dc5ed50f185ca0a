#pragma once

#include "patch/FilePatch.h"
#include "util/U_RefPtr.h"

#include <istream>
#include <map>
#include <string>

/// The file patches of one patch text, by file name. Names compare exactly,
/// byte by byte: letter case and separators matter. The first file patch of
/// a name stays.
class Patch : public U_Ref {
public:
    Patch() = default;

    // The file patch named exactly name, or a null holder.
    U_RefPtr<FilePatch> getFilePatch(const std::string& name) const;
    // Adds filePatch (not null) under its name; false, and nothing changed,
    // when a file patch of that name is present.
    bool addFilePatch(const U_RefPtr<FilePatch>& filePatch);

    // Reads the whole patch text of in into patch, creating the Patch at the
    // first "File: " header when the holder is null; the holder stays null
    // when the text has no header. Never fails: unusable lines add nothing.
    static void read(std::istream& in, U_RefPtr<Patch>& patch);

    // The file patches in name order.
    const std::map<std::string, U_RefPtr<FilePatch>>& filePatches() const noexcept { return files_; }

private:
    std::map<std::string, U_RefPtr<FilePatch>> files_;
};
