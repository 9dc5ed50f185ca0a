#include "encoding/QL_Codec.h"

#include "encoding/Destination.h"
#include "encoding/QL_TranslateException.h"
#include "encoding/QL_Utf8Streambuf.h"
#include "encoding/Source.h"
#include "encoding/U_Encoding.h"
#include "platform/Environment.h"
#include "platform/RegularFile.h"
#include "platform/TempFile.h"
#include "util/U_Env.h"
#include "util/U_Path.h"
#include "util/U_Product.h"

#include <QCoreApplication>
#include <QLibraryInfo>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <vector>

namespace QL_Codec {

namespace {

const std::vector<QTextCodec*>& table()
{
    static const std::vector<QTextCodec*> codecs = [] {
        std::vector<QTextCodec*> t(8, nullptr);
        t[eceEUC] = QTextCodec::codecForName("EUC-JP");
        t[eceSJIS] = QTextCodec::codecForName("Shift_JIS");
        t[eceUTF] = QTextCodec::codecForName("UTF-8");
        return t;
    }();
    return codecs;
}

} // namespace

QTextCodec* codec(U_EncodingKind kind)
{
    if (kind != eceNone && kind != eceEUC && kind != eceSJIS && kind != eceUTF)
        return nullptr;
    return table()[static_cast<std::size_t>(kind)];
}

bool translateBytes(std::ostream& out, U_EncodingKind outKind, std::istream& in, U_EncodingKind inKind)
{
    StreamSource source(in);
    StreamDestination destination(&out);
    U_Encoding::translateStream(source, destination, inKind, outKind);
    return true;
}

bool copyThroughUtf8(std::ostream& out, U_EncodingKind outKind, std::istream& in, U_EncodingKind inKind,
                     bool detectBom)
{
    QL_IUTF8Streambuf inBuffer(in, codec(inKind), detectBom);
    std::istream decoded(&inBuffer);
    QL_OUTF8Streambuf outBuffer(out, codec(outKind), QTextCodec::IgnoreHeader);
    std::ostream encoded(&outBuffer);
    // An empty input inserts nothing and marks `encoded` failed; that is no
    // failure of the output.
    if (decoded.peek() != std::char_traits<char>::eof())
        encoded << decoded.rdbuf();
    encoded.flush();
    return encoded.good() && out.good();
}

bool translate(const U_Product& product, std::ostream& out, U_EncodingKind outKind, std::istream& in,
               U_EncodingKind inKind, bool detectBom)
{
    if (inKind == outKind && inKind != eceUTF) {
        out << in.rdbuf();
        return true;
    }
    if (inKind != eceUTF && outKind != eceUTF)
        return translateBytes(out, outKind, in, inKind);
    // Without the codecs the bytes pass unchanged: dropping them would turn
    // text and file names silently into empty ones.
    if (!ensurePlugins(product))
        out << in.rdbuf();
    else
        copyThroughUtf8(out, outKind, in, inKind, detectBom);
    return true;
}

bool loadPlugins(const U_Product& product, bool skipQtPluginPath)
{
    static bool recompute = true;
    static bool result = true;
    if (!recompute)
        return result;
    recompute = std::getenv("NO_LANG_CACHE") != nullptr;

    std::vector<std::string> directories;
    directories.push_back(U_Path::moduleDirectory());
    directories.push_back(U_Env::binDirectory(product));
    if (!skipQtPluginPath)
        directories.push_back(
            U_Path::toSlashes(QLibraryInfo::location(QLibraryInfo::PluginsPath).toLocal8Bit().toStdString()));
    if (const char* qtDir = std::getenv("VORA_QTDIR"))
        directories.push_back(U_Path::join(U_Path::toSlashes(qtDir), "plugins"));

    // The East-Asian codecs are part of Qt: nothing to load, only to ask
    // for.
    result = QTextCodec::codecForName("EUC-JP") != nullptr && QTextCodec::codecForName("Shift_JIS") != nullptr;

    // Qt puts each new path in front: add the last candidate first.
    for (auto it = directories.rbegin(); it != directories.rend(); ++it)
        QCoreApplication::addLibraryPath(QString::fromLocal8Bit(it->c_str()));
    platform::setEnvironment("UNICODEMAP_JP", "open-ms");
    return result;
}

bool ensurePlugins(const U_Product& product)
{
    return loadPlugins(product, false);
}

namespace {

// Converts bytes, of kind inKind with its byte-order mark detected, into out.
void translateWhole(const U_Product& product, std::ostream& out, U_EncodingKind outKind, const std::string& bytes,
                    U_EncodingKind inKind)
{
    std::istringstream in(bytes);
    translate(product, out, outKind, in, inKind, true);
}

// Creates outPath exclusively (QL_TranslateFileOpenException when it cannot
// be) and fills it with the conversion of the bytes read gives; false, with
// outPath removed again, when read fails or the copy is not written whole.
bool translateIntoNewFile(const U_Product& product, const std::string& outPath, U_EncodingKind outKind,
                          const std::function<bool(std::string& bytes)>& read, U_EncodingKind inKind)
{
    std::FILE* file = platform::createExclusive(outPath, true);
    if (!file)
        throw QL_TranslateFileOpenException(outPath);
    std::string bytes;
    bool ok = read(bytes);
    if (ok) {
        std::ostringstream converted;
        translateWhole(product, converted, outKind, bytes, inKind);
        const std::string copy = converted.str();
        ok = std::fwrite(copy.data(), 1, copy.size(), file) == copy.size();
    }
    ok = (std::fclose(file) == 0) && ok;
    if (!ok)
        std::remove(outPath.c_str());
    return ok;
}

} // namespace

bool translateFile(const U_Product& product, std::ostream& out, U_EncodingKind outKind,
                   const std::string& inPath, U_EncodingKind inKind)
{
    // Read whole, as the converted text is kept whole.
    std::string bytes;
    if (!platform::readRegularFile(inPath, bytes))
        return false;
    translateWhole(product, out, outKind, bytes, inKind);
    return true;
}

bool translateFileToFile(const U_Product& product, const std::string& outPath, U_EncodingKind outKind,
                         const std::string& inPath, U_EncodingKind inKind)
{
    return translateIntoNewFile(
        product, outPath, outKind, [&inPath](std::string& bytes) { return platform::readRegularFile(inPath, bytes); },
        inKind);
}

bool translateFileToFile(const U_Product& product, const std::string& outPath, U_EncodingKind outKind, int inFd,
                         U_EncodingKind inKind)
{
    return translateIntoNewFile(
        product, outPath, outKind,
        [inFd](std::string& bytes) { return platform::readToEnd(inFd, bytes, bytes.max_size()); }, inKind);
}

bool translateFileToFile(const std::string& outPath, U_EncodingKind outKind, const std::string& inPath,
                         U_EncodingKind inKind)
{
    return translateFileToFile(U_Product::current(), outPath, outKind, inPath, inKind);
}

} // namespace QL_Codec
