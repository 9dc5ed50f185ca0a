#pragma once

// Sets up a product for one test: a BIN directory of its own in a temporary
// directory, the environment variables the encodings read, and the previous
// environment restored afterwards.

#include "support/TempDir.h"
#include "util/U_Product.h"

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

class EnvironmentGuard {
public:
    ~EnvironmentGuard()
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    void set(const std::string& name, const std::string& value)
    {
        remember(name);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    void unset(const std::string& name)
    {
        remember(name);
        ::unsetenv(name.c_str());
    }

private:
    void remember(const std::string& name)
    {
        if (saved_.count(name))
            return;
        const char* value = std::getenv(name.c_str());
        saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
    }
    std::map<std::string, std::optional<std::string>> saved_;
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
