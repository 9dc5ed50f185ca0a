// Prints the MD5 digest of a file, read the way the driver reads it: through
// a QFile handed to MD5's device form. With "stdio" as the second argument the
// file goes through the FILE form instead.
#include "patch/MD5.h"

#include <QFile>

#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: md5_file <file> [device|stdio]\n");
        return 2;
    }
    std::unique_ptr<MD5> md5;
    if (argc > 2 && std::strcmp(argv[2], "stdio") == 0) {
        FILE* f = std::fopen(argv[1], "rb");
        if (!f)
            return 1;
        md5 = std::make_unique<MD5>(f);
    } else {
        QFile file(QString::fromLocal8Bit(argv[1]));
        if (!file.open(QIODevice::ReadOnly))
            return 1;
        md5 = std::make_unique<MD5>(&file);
    }
    std::unique_ptr<char[]> hex(md5->hex_digest());
    std::printf("%s\n", hex.get());
    return 0;
}
