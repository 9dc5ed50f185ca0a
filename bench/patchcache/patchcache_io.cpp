// Saves and loads a patch cache of a given number of files, ten change
// commands each, through the strategies the driver uses, and prints the best
// save and load times of several rounds in seconds: "<save> <load>".
#include "patch/PatchGen.h"
#include "patch/PatchGen_ReaderXML.h"
#include "patch/PatchGen_WriterXML.h"
#include "patch/PatchHandler.h"
#include "patch/MD5.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string digestOf(const std::string& text)
{
    MD5 md5;
    md5.update(reinterpret_cast<const unsigned char*>(text.data()), static_cast<std::uint32_t>(text.size()));
    md5.finalize();
    std::unique_ptr<char[]> hex(md5.hex_digest());
    return hex.get();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: patchcache_io <patch.xml path> <files> [rounds]\n");
        return 2;
    }
    const char* path = argv[1];
    const int files = std::atoi(argv[2]);
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;

    PatchHandler cache;
    cache.setSName("/home/user/project/baseline.sup");
    cache.setSDate(digestOf("baseline"));
    for (int i = 0; i < files; ++i) {
        const std::string name = "/home/user/project/src/module" + std::to_string(i % 97) + "/file" +
                                 std::to_string(i) + ".c";
        cache.setDate(name, digestOf(name));
        for (int k = 0; k < 10; ++k) {
            const int line = 10 * k + i % 7 + 1;
            cache.addPatch(name, std::to_string(line) + "," + std::to_string(line + 2) + "c" +
                                     std::to_string(line + k) + "," + std::to_string(line + k + 3));
        }
    }

    double bestSave = 1e9, bestLoad = 1e9;
    for (int r = 0; r < rounds; ++r) {
        auto t0 = std::chrono::steady_clock::now();
        {
            PatchGen gen;
            PatchGen_WriterXML writer;
            gen.setWriter(&writer);
            if (!writer.open(path) || !gen.write(&cache) || !writer.close()) {
                std::fprintf(stderr, "patchcache_io: save failed\n");
                return 1;
            }
        }
        bestSave = std::min(bestSave, seconds(t0));

        t0 = std::chrono::steady_clock::now();
        PatchHandler loaded;
        {
            PatchGen gen;
            PatchGen_ReaderXML reader;
            gen.setReader(&reader);
            reader.open(path);
            gen.read(&loaded);
            reader.close();
        }
        bestLoad = std::min(bestLoad, seconds(t0));
        if (loaded.files().size() != cache.files().size() || loaded.isModified()) {
            std::fprintf(stderr, "patchcache_io: loaded %zu of %zu files\n", loaded.files().size(),
                         cache.files().size());
            return 1;
        }
    }
    std::printf("%.6f %.6f\n", bestSave, bestLoad);
    return 0;
}
