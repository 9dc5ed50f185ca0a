#pragma once

// A fresh temporary directory for one test, removed with everything in it
// when the test ends. Tests never touch the machine's own TMP or HOME.

#include <QDir>
#include <QTemporaryDir>

#include <fstream>
#include <string>

class TempDir {
public:
    TempDir() : dir_(QDir::tempPath() + "/vantrel-test-XXXXXX") {}

    bool isValid() const { return dir_.isValid(); }
    // The directory's absolute path, "/" separators, no trailing "/".
    std::string path() const { return dir_.path().toStdString(); }
    // path() + "/" + name.
    std::string file(const std::string& name) const { return path() + "/" + name; }

    // Writes bytes to name (created or truncated) and returns its path.
    std::string write(const std::string& name, const std::string& bytes) const
    {
        const std::string p = file(name);
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p;
    }

    // The whole content of name, or "" when it cannot be read.
    std::string read(const std::string& name) const
    {
        std::ifstream in(file(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    QTemporaryDir dir_;
};
