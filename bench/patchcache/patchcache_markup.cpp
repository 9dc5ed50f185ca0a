// Loads two "patch.xml" files of the same size and shape through the reader
// the driver uses and prints the best load times of several rounds in
// seconds, and the file size: "<declarations> <attributes> <bytes>". Both
// nest elements that each carry many attributes around a long run of empty
// elements; in the first the attributes are namespace declarations
// ("xmlns:pN"), in the second plain attributes of names of the same length.
// One entry at the end shows that each file was read to its end.
#include "patch/PatchGen.h"
#include "patch/PatchGen_ReaderXML.h"
#include "patch/PatchHandler.h"
#include "patch/PatchXmlText.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string markup(const char* prefix, int nested, int attributes, int empties)
{
    std::string text = kPatchXmlHead;
    text += "<PATCHFILE sname=\"s\" sdate=\"d\">\n";
    for (int level = 0; level < nested; ++level) {
        text += "<e";
        for (int i = 0; i < attributes; ++i)
            text += std::string(" ") + prefix + std::to_string(level * attributes + i) + "=\"u\"";
        text += ">\n";
    }
    for (int i = 0; i < empties; ++i)
        text += "<x/>";
    for (int level = 0; level < nested; ++level)
        text += "</e>";
    text += "\n<FILE name=\"f\"><PATCH>1a1</PATCH></FILE>\n</PATCHFILE>\n";
    return text;
}

// The best load time of rounds, or a negative value when a load missed the entry.
double bestLoad(const std::string& path, int rounds)
{
    double best = 1e9;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        PatchHandler loaded;
        {
            PatchGen gen;
            PatchGen_ReaderXML reader;
            gen.setReader(&reader);
            reader.open(path.c_str());
            gen.read(&loaded);
            reader.close();
        }
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        if (!loaded.hasFile("f"))
            return -1;
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: patchcache_markup <patch.xml path> <nested> <attributes> <empties> [rounds]\n");
        return 2;
    }
    const std::string path = argv[1];
    const int nested = std::atoi(argv[2]);
    const int attributes = std::atoi(argv[3]);
    const int empties = std::atoi(argv[4]);
    const int rounds = argc > 5 ? std::atoi(argv[5]) : 3;

    double times[2];
    std::size_t size = 0;
    const char* prefixes[2] = {"xmlns:p", "plain_p"};
    for (int k = 0; k < 2; ++k) {
        const std::string text = markup(prefixes[k], nested, attributes, empties);
        size = text.size();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        times[k] = bestLoad(path, rounds);
        if (times[k] < 0) {
            std::fprintf(stderr, "patchcache_markup: the entry after the %s attributes was not loaded\n", prefixes[k]);
            return 1;
        }
    }
    std::printf("%.6f %.6f %zu\n", times[0], times[1], size);
    return 0;
}
