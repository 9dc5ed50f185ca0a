#pragma once

#include "cmdline/C_WordReader.h"
#include "encoding/TranslatedFile.h"
#include "encoding/U_EncodingKind.h"
#include "platform/FileSystem.h"
#include "util/U_CountedPtr.h"
#include "util/U_Product.h"
#include "util/U_Ref.h"

#include <cstddef>
#include <string>
#include <vector>

/// One source of option words for the parser: the command line or an option
/// file. Sources lie on a C_SourceStack and are read until they run dry.
class C_ArgsSource : public U_Ref {
public:
    explicit C_ArgsSource(const U_Product& product) : product_(product) {}

    // Puts the next word into word and returns true; false when the source
    // has no more words. A word may be empty (an empty command-line
    // argument); the end is told by the result alone. substitute: rewrite
    // variable references of option files.
    virtual bool next(bool substitute, std::string& word) = 0;

    // True when this source reads the file with that identity.
    virtual bool reads(const platform::FileIdentity& identity) const;

protected:
    U_Product product_;
};

/// The words of the command line after the product argument, unchanged.
class C_ArgvSource : public C_ArgsSource {
public:
    C_ArgvSource(const U_Product& product, const std::vector<std::string>& arguments);

    // Every argument in turn, an empty one too; the substitute flag is
    // ignored (command-line words are never rewritten).
    bool next(bool substitute, std::string& word) override;

private:
    std::vector<std::string> arguments_;
    std::size_t position_ = 0;
};

/// The words of one option file, read through a translated copy and handed
/// on in the file's (the product's native) encoding. The file is opened when
/// the source is made and closed when the source is dropped.
class C_FileSource : public C_ArgsSource {
public:
    // Opens path when it is a readable regular file whose owner the rule
    // takes (TranslatedFile::Owner, checked on the file opened); otherwise
    // (an empty path too) the source gives no words. Throws the translation
    // exceptions of TranslatedFile::open.
    C_FileSource(const U_Product& product, const std::string& path, U_EncodingKind kind,
                 const std::string& tempDirectory, TranslatedFile::Owner owner = TranslatedFile::Owner::Anyone);
    // Reads an already open file from where it stands (the options part of
    // the configuration file); an empty holder gives no words.
    C_FileSource(const U_Product& product, U_CountedPtr<TranslatedFile> file);
    ~C_FileSource() override;

    // The next word of the file; false at its end or at a word that is
    // empty once its quotes are removed.
    bool next(bool substitute, std::string& word) override;
    bool reads(const platform::FileIdentity& identity) const override;

private:
    U_CountedPtr<TranslatedFile> file_;
    C_WordReader reader_;
    platform::FileIdentity identity_;
    bool hasIdentity_ = false;
};
