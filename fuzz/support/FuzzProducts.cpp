#include "support/FuzzProducts.h"

#include "support/FuzzInput.h"
#include "util/U_Product.h"
#include "util/U_ProductTable.h"

#include <cstdlib>
#include <string>

void fuzz::setUpProducts()
{
    static const bool done = [] {
        const std::string language = "[Japanese]\nKTW_LANG=ja_JP.SJIS\n";
        for (int i = 0; i < kProductCount; ++i) {
            ::setenv(kProductTable[i].binVariable, scratchDirectory().c_str(), 1);
            writeScratchFile(std::string(kProductTable[i].name) + ".ini",
                             reinterpret_cast<const std::uint8_t*>(language.data()), language.size());
        }
        ::setenv("VT_FUZZ_A", "alpha", 1);
        ::setenv("VT_FUZZ_B", "x 'y \"z", 1);
        ::setenv("A", "$A${A}", 1);
        U_Product("ZXCPP");
        return true;
    }();
    (void)done;
}
