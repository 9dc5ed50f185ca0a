#pragma once

// Sets up a product for one test: a BIN directory of its own in a temporary
// directory, the environment variables the encodings read, and the previous
// environment restored afterwards.

#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "util/U_Exception.h"
#include "util/U_Product.h"

#include <memory>
#include <string>
#include <vector>

// Any number of environment changes, undone in reverse order at the end.
class EnvironmentGuard {
public:
    ~EnvironmentGuard()
    {
        while (!changes_.empty())
            changes_.pop_back();
    }
    void set(const std::string& name, const std::string& value)
    {
        changes_.push_back(std::make_unique<ScopedEnv>(name, value));
    }
    void unset(const std::string& name) { changes_.push_back(std::make_unique<ScopedEnv>(name, std::nullopt)); }

private:
    std::vector<std::unique_ptr<ScopedEnv>> changes_;
};

// The ZXCPP product with BIN in a fresh directory, the language recomputed
// on every use, "LANG" unset and no language file.
class ProductEnvironment {
public:
    ProductEnvironment() : product("ZXCPP")
    {
        env.set("ZXCPPBIN", bin.path());
        env.set("NO_LANG_CACHE", "1");
        env.unset("LANG");
    }
    // Writes the product's language file with KTW_LANG = value.
    void setLanguageFile(const std::string& value)
    {
        bin.write("ZXCPP.ini", "[Japanese]\nKTW_LANG=" + value + "\n");
    }

    TempDir bin;
    EnvironmentGuard env;
    U_Product product;
};
