#include "encoding/TranslatedFile.h"

#include "encoding/Destination.h"
#include "encoding/QL_Codec.h"
#include "encoding/QL_TranslateException.h"
#include "encoding/Source.h"
#include "encoding/JapaneseTranslators.h"
#include "encoding/U_Encoding.h"
#include "encoding/U_FilePath.h"
#include "platform/RegularFile.h"
#include "util/U_Product.h"

#include <utility>

TranslatedFile::TranslatedFile(U_EncodingKind kind, std::string tempDirectory)
    : kind_(kind), tempDirectory_(std::move(tempDirectory))
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
        file_ = platform::openRegularStream(path);
        return file_;
    }
    if (kind_ == eceUTF)
        return openUtf8(path);
    return openConverted(path);
}

std::FILE* TranslatedFile::openConverted(const std::string& path)
{
    FileSource source;
    if (!source.open(U_RcString(path.c_str())))
        return nullptr;
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

std::FILE* TranslatedFile::openUtf8(const std::string& path)
{
    path_ = U_Encoding::toNative(U_FilePath::temporaryName(tempDirectory_));
    if (!QL_Codec::translateFileToFile(U_Product::current(), path_, U_Product::currentWorkingKind(), path,
                                       eceUTF)) {
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
