// The product configuration file reader over any file, for each product's
// section table and in several encodings; the options part after the
// "options" section line is then read into words as the command line does.

#include "cmdline/C_ArgsSource.h"
#include "cmdline/C_Cfg.h"
#include "support/FuzzInput.h"
#include "support/FuzzProducts.h"
#include "util/U_Product.h"
#include "util/U_ProductTable.h"

#include <cstdint>
#include <string>

namespace {

struct Mode {
    int product;  // product-table row
    U_EncodingKind kind;
    bool substitute;
};

// ZXCPP and ZXJ share a table; ZXD's has the help section alone.
const Mode kModes[] = {
    {0, eceNone, true},
    {1, eceNone, false},
    {2, eceSJIS, true},
    {3, eceOldJIS, true},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::setUpProducts();
    fuzz::silenceStandardOutput();
    for (int i = 0; i < kProductCount; ++i)
        fuzz::writeScratchFile(std::string(kProductTable[i].lowerName) + ".cfg", data, size);

    for (const Mode& mode : kModes) {
        fuzz::expectOnlyReadingErrors([&] {
            const U_Product product(kProductTable[mode.product].name);
            const std::string& directory = fuzz::scratchDirectory();
            U_CountedPtr<TranslatedFile> file =
                C_Cfg::read(mode.kind, directory, directory.c_str(), kProductTable[mode.product].lowerName,
                            C_Cfg::sectionTable(mode.product), mode.substitute);
            // The file is a regular file that exists: it always opens.
            FUZZ_CHECK(file.isValid() || mode.kind != eceNone);
            if (!file)
                return;
            C_FileSource options(product, file);
            std::string word;
            while (options.next(mode.substitute, word)) {
            }
        });
    }
    U_Product("ZXCPP");
    FUZZ_CHECK(fuzz::scratchTemporaryCopies() == 0);
    return 0;
}
