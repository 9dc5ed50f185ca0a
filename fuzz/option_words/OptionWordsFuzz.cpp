// The option-file word reader over any file, in each encoding an option file
// may be in. The word stream the option parser reads (one word per line,
// through the source stack) must hand over exactly the words the file
// source reads: no word split, merged, lost or made up.

#include "cmdline/C_ArgsSource.h"
#include "cmdline/C_CmdArgStreamBuffer.h"
#include "cmdline/C_SourceStack.h"
#include "support/FuzzInput.h"
#include "support/FuzzProducts.h"
#include "util/U_Product.h"

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace {

struct Mode {
    U_EncodingKind kind;
    bool substitute;
};

const Mode kModes[] = {
    {eceNone, true},
    {eceSJIS, false},
    {eceNewJIS, true},
    {eceUTF, true},
};

std::vector<std::string> sourceWords(const U_Product& product, const std::string& path, const Mode& mode)
{
    C_FileSource source(product, path, mode.kind, fuzz::scratchDirectory());
    std::vector<std::string> words;
    std::string word;
    while (source.next(mode.substitute, word))
        words.push_back(word);
    return words;
}

std::vector<std::string> streamLines(const U_Product& product, const std::string& path, const Mode& mode)
{
    C_SourceStack stack(mode.substitute);
    stack.push(U_RefPtr<C_ArgsSource>(new C_FileSource(product, path, mode.kind, fuzz::scratchDirectory())));
    C_CmdArgStreamBuffer buffer(product, stack, mode.kind, fuzz::scratchDirectory());
    std::istream in(&buffer);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

bool holdsLineFeed(const std::vector<std::string>& words)
{
    for (const std::string& word : words) {
        if (word.find('\n') != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::setUpProducts();
    fuzz::silenceStandardOutput();
    const U_Product product("ZXCPP");
    const std::string path = fuzz::writeScratchFile("words.rc", data, size);
    for (const Mode& mode : kModes) {
        fuzz::expectOnlyReadingErrors([&] {
            const std::vector<std::string> words = sourceWords(product, path, mode);
            const std::vector<std::string> lines = streamLines(product, path, mode);
            // A word with a line feed in it (a conversion may make one) reads
            // as two lines; any other word is one line.
            if (!holdsLineFeed(words))
                FUZZ_CHECK(lines == words);
        });
    }
    FUZZ_CHECK(fuzz::scratchTemporaryCopies() == 0);
    return 0;
}
