#include "cmdline/C_OptionVia.h"

#include "cmdline/C_CmdArgStreamBuffer.h"
#include "cmdline/C_OptionExceptions.h"
#include "encoding/U_Encoding.h"
#include "encoding/U_FilePath.h"

C_OptionVia::C_OptionVia(std::string keyword) : C_OptionStringList(std::move(keyword)) {}

std::string C_OptionVia::toString() const
{
    return std::string();
}

bool C_OptionVia::parse(std::istream& words, const bool&)
{
    const std::string fileName = readValue(name(), words);
    return openFile(*this, fileName.c_str(), words);
}

bool C_OptionVia::openFile(C_OptionVia& option, const char* text, std::istream& words)
{
    const std::string path = U_FilePath::toSlashes(U_Encoding::fromNative(text));
    option.append(text);
    const std::string nativePath = U_Encoding::toNative(path);
    auto* buffer = dynamic_cast<C_CmdArgStreamBuffer*>(words.rdbuf());
    if (buffer && !buffer->mayReadAnotherFile())
        throw C_ViaLimitException(nativePath);
    if (buffer && U_FilePath::isFile(path) && U_FilePath::isReadableFile(path) && buffer->pushFile(nativePath))
        return true;
    throw C_InvalidViaException(nativePath);
}
