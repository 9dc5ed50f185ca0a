#include "cmdline/U_EnvDirectories.h"

#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_Options.h"
#include "encoding/U_Encoding.h"
#include "encoding/U_FilePath.h"
#include "platform/FileSystem.h"
#include "util/U_Exception.h"
#include "util/U_Path.h"
#include "util/U_Product.h"

#include <cstdlib>
#include <functional>

namespace {

// The variable tried after the product's TEMPFILES variable.
const std::string& fallbackTempVariable()
{
    static const std::string name = "TMP";
    return name;
}

// The file in directory when it is a readable regular file that accept
// takes, else "".
std::string readableFileIn(const std::string& directory, const std::string& name,
                           const std::function<bool(const std::string&)>& accept)
{
    const std::string path = U_Path::join(directory, name);
    return U_Path::isReadable(path) && U_Path::isFile(path) && accept(path) ? path : std::string();
}

} // namespace

std::string U_Env::outputDirectory(const C_CmdArgs& commandLine)
{
    const std::string& option = commandLine.options()->outputpath()->value();
    if (!option.empty())
        return option;
    const U_Product& product = commandLine.product();
    if (const char* value = std::getenv(U_Product::outPathVariable(product).c_str()))
        return U_Path::toSlashes(U_Encoding::fromNative(product, value));
    return ".";
}

std::string U_Env::outputDirectory()
{
    const C_CmdArgs* current = C_CmdArgs::current();
    return current ? outputDirectory(*current) : std::string(".");
}

std::string U_Env::tempDirectory(const U_Product& product)
{
    std::string message = "Error finding temporary directory:\n";
    // True when variable is set; found is its directory when that is usable,
    // else the attempt is added to the message.
    auto tryVariable = [&](const std::string& variable, std::string& found) {
        const char* value = std::getenv(variable.c_str());
        if (!value)
            return false;
        const std::string candidate = U_Encoding::fromNative(product, value);
        if (U_FilePath::isUsableTempDir(candidate)) {
            found = candidate;
            return true;
        }
        message += "\tTried directory from environment variable " + variable + ": " +
                   U_Encoding::toNative(candidate) + "\n";
        return true;
    };

    std::string found;
    const std::string tempFiles = U_Product::tempFilesVariable(product);
    if (tryVariable(tempFiles, found)) {
        if (found.empty())
            throw U_UserException(message);
        return found;
    }
    if (tryVariable(fallbackTempVariable(), found) && !found.empty())
        return found;
    const std::string root = U_Encoding::fromNative(product, "/");
    if (U_FilePath::isUsableTempDir(root))
        return root;
    message += "\tTried directory: " + U_Encoding::toNative(root) + "\n";
    throw U_UserException(message);
}

std::string U_Env::rcFile(const U_Product& product, std::vector<std::string>& skipped)
{
    // An rc file gives the run any option (a log to truncate, a diff command
    // to run): another user's, in a directory they own, would act with the
    // rights of whoever runs the program there.
    const auto trusted = [&skipped](const std::string& path) {
        if (platform::ownedByUserOrRoot(path))
            return true;
        skipped.push_back(path);
        return false;
    };
    const std::string name = "." + U_Product::rcName(product) + "rc";
    if (const char* list = std::getenv((U_Product::name(product) + "RCPATH").c_str())) {
        const std::string found = U_Path::searchPath(list, name, trusted);
        if (!found.empty())
            return found;
    }
    std::string found = readableFileIn(U_Path::currentDirectory(), name, trusted);
    if (found.empty())
        if (const char* home = std::getenv("HOME"))
            found = readableFileIn(U_Path::toSlashes(home), name, trusted);
    return found;
}
