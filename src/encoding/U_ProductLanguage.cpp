// The product's language setting and the encoding kinds it gives. These
// members of U_Product live with the encodings, which they need.

#include "encoding/QL_Locale.h"
#include "platform/Profile.h"
#include "util/U_Env.h"
#include "util/U_Path.h"
#include "util/U_Product.h"

#include <cstdlib>

namespace {

struct LanguageCache {
    std::string text;
    bool recompute = true;
};

LanguageCache& languageCache()
{
    static LanguageCache cache;
    return cache;
}

std::string readLanguageFile(const std::string& path)
{
    return platform::readProfileString("Japanese", "KTW_LANG", "", path, 100);
}

} // namespace

std::string U_Product::language(const U_Product& product)
{
    LanguageCache& cache = languageCache();
    if (!cache.recompute)
        return cache.text;
    cache.recompute = std::getenv("NO_LANG_CACHE") != nullptr;
    cache.text.clear();

    const std::string fileName = U_Path::addExtension(U_Product::name(product), "ini");
    std::string binDirectory;
    try {
        binDirectory = U_Env::binDirectory(product);
    } catch (...) {
        // Nothing learnt: the next call must look again rather than answer
        // an empty language for good.
        cache.recompute = true;
        throw;
    }
    std::string value = readLanguageFile(U_Path::join(binDirectory, fileName));
    if (value.empty())
        value = readLanguageFile(fileName);
    if (value.empty()) {
        const char* lang = std::getenv("LANG");
        value = lang ? lang : "default";
    }
    cache.text = value;
    return cache.text;
}

int U_Product::nativeKind(const U_Product& product)
{
    return QL_Locale::encodingKind(language(product));
}

int U_Product::currentNativeKind()
{
    return nativeKind(current());
}

int U_Product::workingKind(const U_Product& product)
{
    return nativeKind(product) == eceNone ? eceUTF : eceEUC;
}

int U_Product::currentWorkingKind()
{
    return workingKind(current());
}
