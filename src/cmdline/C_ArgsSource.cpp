#include "cmdline/C_ArgsSource.h"

#include "encoding/U_Encoding.h"
#include "util/U_Path.h"

bool C_ArgsSource::reads(const platform::FileIdentity&) const
{
    return false;
}

C_ArgvSource::C_ArgvSource(const U_Product& product, const std::vector<std::string>& arguments)
    : C_ArgsSource(product), arguments_(arguments)
{
}

bool C_ArgvSource::next(bool, std::string& word)
{
    if (position_ >= arguments_.size())
        return false;
    word = arguments_[position_++];
    return true;
}

C_FileSource::C_FileSource(const U_Product& product, const std::string& path, U_EncodingKind kind,
                           const std::string& tempDirectory, TranslatedFile::Owner owner)
    : C_ArgsSource(product)
{
    if (path.empty() || !U_Path::isReadable(path) || !U_Path::isFile(path))
        return;
    // Known before the file is opened: a converted copy has an identity of
    // its own.
    hasIdentity_ = platform::fileIdentity(path, identity_);
    file_ = U_CountedPtr<TranslatedFile>(new TranslatedFile(kind, tempDirectory, owner));
    file_->open(path, false);
}

C_FileSource::C_FileSource(const U_Product& product, U_CountedPtr<TranslatedFile> file)
    : C_ArgsSource(product), file_(std::move(file))
{
    if (file_)
        hasIdentity_ = platform::fileIdentity(file_->file(), identity_);
}

C_FileSource::~C_FileSource()
{
    if (file_)
        file_->close();
}

bool C_FileSource::next(bool substitute, std::string& word)
{
    if (!file_ || !file_->file())
        return false;
    std::string read = reader_.nextWord(file_->file(), substitute);
    if (read.empty())
        return false;
    word = U_Encoding::toExternal(read, product_, file_->kind());
    return true;
}

bool C_FileSource::reads(const platform::FileIdentity& identity) const
{
    return hasIdentity_ && identity_ == identity;
}
