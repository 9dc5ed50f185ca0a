// Replays kept inputs through a harness without libFuzzer: each argument is
// a file or a directory whose regular files are fed in name order. Used by
// the test suite, so an input that once found a fault keeps being tried.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool replayFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "replay: cannot read %s\n", qPrintable(path));
        return false;
    }
    const QByteArray bytes = file.readAll();
    // A copy of exactly the input's size, so reads past its end are caught
    // by the sanitizers as they are under libFuzzer.
    const std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
    static const std::uint8_t none = 0;
    LLVMFuzzerTestOneInput(data.empty() ? &none : data.data(), data.size());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <file or directory>...\n", argv[0]);
        return 2;
    }
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        QStringList files;
        if (QFileInfo(arg).isDir()) {
            const QDir dir(arg);
            for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name))
                files << dir.filePath(name);
        } else {
            files << arg;
        }
        for (const QString& path : files) {
            if (!replayFile(path))
                return 1;
            ++replayed;
        }
    }
    if (replayed == 0) {
        std::fprintf(stderr, "replay: no input found\n");
        return 1;
    }
    std::fprintf(stderr, "replay: %d inputs passed\n", replayed);
    return 0;
}
