#pragma once

// Makes a directory current for one test and goes back to the one before
// when the test ends, even when the test removed the directory meanwhile.

#include <fcntl.h>
#include <string>
#include <unistd.h>

class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::string& dir)
        : previous_(::open(".", O_RDONLY | O_DIRECTORY)), changed_(::chdir(dir.c_str()) == 0)
    {
    }
    ~ScopedCurrentDirectory()
    {
        if (previous_ >= 0) {
            if (::fchdir(previous_) != 0) {
                // Nothing sensible is left to do in a destructor.
            }
            ::close(previous_);
        }
    }
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

    // True when the directory could be made current.
    bool isValid() const { return previous_ >= 0 && changed_; }

private:
    int previous_;
    bool changed_;
};
