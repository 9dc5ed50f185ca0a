#pragma once

// A BIN directory for every product in a fresh temporary directory, the
// language recomputed on every use and "LANG" unset, so that option values
// convert as plain 8-bit text; ZXCPP is made the current product. The
// environment is restored afterwards.

#include "encoding/ProductEnvironment.h"
#include "util/U_ProductTable.h"

class CmdlineEnvironment {
public:
    CmdlineEnvironment()
    {
        for (int i = 0; i < kProductCount; ++i)
            env.set(kProductTable[i].binVariable, bin.path());
        env.set("NO_LANG_CACHE", "1");
        env.unset("LANG");
        U_Product("ZXCPP");
    }

    TempDir bin;
    EnvironmentGuard env;
};
