#include "support/FuzzInput.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <dirent.h>

namespace {

QTemporaryDir& scratch()
{
    // Never destroyed before exit: libFuzzer may still call the harness from
    // an atexit path, and a static destructor would remove the files under it.
    static QTemporaryDir* dir = [] {
        auto* made = new QTemporaryDir(QDir::tempPath() + "/vantrel-fuzz-XXXXXX");
        if (!made->isValid()) {
            std::fprintf(stderr, "fuzz: cannot make a scratch directory under %s\n",
                         QDir::tempPath().toLocal8Bit().constData());
            std::abort();
        }
        std::atexit([] { scratch().remove(); });
        return made;
    }();
    return *dir;
}

} // namespace

const std::string& fuzz::scratchDirectory()
{
    static const std::string path = scratch().path().toStdString();
    return path;
}

std::string fuzz::writeScratchFile(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    const std::string path = scratchDirectory() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) {
        std::fprintf(stderr, "fuzz: cannot write %s\n", path.c_str());
        std::abort();
    }
    return path;
}

std::size_t fuzz::scratchTemporaryCopies()
{
    std::size_t count = 0;
    if (DIR* dir = ::opendir(scratchDirectory().c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (std::strncmp(entry->d_name, "ktw", 3) == 0)
                ++count;
        }
        ::closedir(dir);
    }
    return count;
}

void fuzz::silenceStandardOutput()
{
    static const bool done = [] {
        std::fflush(stdout);
        return std::freopen("/dev/null", "w", stdout) != nullptr;
    }();
    (void)done;
}

void fuzz::checkFailed(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "fuzz: check failed at %s:%d: %s\n", file, line, condition);
    std::abort();
}
