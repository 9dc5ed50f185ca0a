#include "patch/Patch.h"

#include "patch/PatchReader.h"

U_RefPtr<FilePatch> Patch::getFilePatch(const std::string& name) const
{
    const auto it = files_.find(name);
    return it == files_.end() ? U_RefPtr<FilePatch>() : it->second;
}

bool Patch::addFilePatch(const U_RefPtr<FilePatch>& filePatch)
{
    return files_.emplace(filePatch->name(), filePatch).second;
}

void Patch::read(std::istream& in, U_RefPtr<Patch>& patch)
{
    PatchReader reader(in, patch);
    reader.readAll();
    patch = reader.patch();
}
