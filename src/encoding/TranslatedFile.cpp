#include "encoding/TranslatedFile.h"

#include "encoding/Destination.h"
#include "encoding/QL_Codec.h"
#include "encoding/QL_TranslateException.h"
#include "encoding/Source.h"
#include "encoding/JapaneseTranslators.h"
#include "encoding/U_Encoding.h"
#include "encoding/U_FilePath.h"
#include "platform/FileSystem.h"
#include "platform/RegularFile.h"
#include "util/U_Product.h"

#include <cerrno>
#include <utility>

#include <sys/stat.h>

TranslatedFile::TranslatedFile(U_EncodingKind kind, std::string tempDirectory, Owner owner)
    : kind_(kind), owner_(owner), tempDirectory_(std::move(tempDirectory))
{
}

TranslatedFile::~TranslatedFile()
{
    close();
}

std::FILE* TranslatedFile::open(const std::string& path, bool binary)
{
    // Text and binary reads give the same bytes.
    (void)binary;
    if (kind_ == eceInvalid)
        throw QL_InvalidEncodingException();
    if (kind_ == eceNone || kind_ == eceEUC) {
        path_ = path;
        temporary_ = false;
        file_ = openOriginal(path).release();
        return file_;
    }
    // Every kind reads the one descriptor whose owner was checked.
    OpenFile original = openOriginal(path);
    if (!original)
        return nullptr;
    if (kind_ == eceUTF)
        return openUtf8(std::move(original));
    return openConverted(std::move(original));
}

TranslatedFile::OpenFile TranslatedFile::openOriginal(const std::string& path) const
{
    struct stat info;
    OpenFile file(platform::openRegularStream(path, &info));
    if (file && owner_ == Owner::UserOrRoot && !platform::ownedByUserOrRoot(info)) {
        file.reset();
        errno = EACCES;
    }
    return file;
}

std::FILE* TranslatedFile::openConverted(OpenFile original)
{
    FileSource source;
    source.open(original.release());
    if (kind_ != eceSJIS && kind_ != eceOldJIS && kind_ != eceNewJIS && kind_ != eceNECJIS) {
        source.Close();
        throw QL_InvalidEncodingException();
    }

    path_ = U_Encoding::toNative(U_FilePath::temporaryName(tempDirectory_));
    FileDestination copy;
    if (path_.empty() || !copy.openExclusive(U_RcString(path_.c_str()))) {
        source.Close();
        const std::string failed = path_;
        path_.clear();
        throw QL_TranslateFileOpenException(failed);
    }
    temporary_ = true;
    if (kind_ == eceSJIS)
        U_Encoding::sjisToEuc(source, copy);
    else
        U_Encoding::jisToEuc(source, copy);
    copy.Close();
    source.Close();
    // A copy that could not be written whole must not pass for the file.
    if (copy.failed()) {
        close();
        return nullptr;
    }
    file_ = platform::openRegularStream(path_);
    return file_;
}

std::FILE* TranslatedFile::openUtf8(OpenFile original)
{
    path_ = U_Encoding::toNative(U_FilePath::temporaryName(tempDirectory_));
    if (!QL_Codec::translateFileToFile(U_Product::current(), path_, U_Product::currentWorkingKind(),
                                       ::fileno(original.get()), eceUTF)) {
        path_.clear();
        return nullptr;
    }
    temporary_ = true;
    file_ = platform::openRegularStream(path_);
    return file_;
}

void TranslatedFile::close()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (temporary_) {
        std::remove(path_.c_str());
        path_.clear();
        temporary_ = false;
    }
}
