#pragma once

// Sets or unsets one environment variable for one test and puts back what
// it held before when the test ends.

#include <cstdlib>
#include <optional>
#include <string>

class ScopedEnv {
public:
    // Sets name to value, or unsets it when value is std::nullopt.
    ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name))
    {
        if (const char* old = std::getenv(name_.c_str()))
            old_ = old;
        apply(value);
    }
    ~ScopedEnv() { apply(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void apply(const std::optional<std::string>& value)
    {
        if (value)
            ::setenv(name_.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }

    std::string name_;
    std::optional<std::string> old_;
};
