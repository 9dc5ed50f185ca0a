// Times the Shift_JIS to EUC-JP translation of a converted input file.
//   sjis_to_euc_bench generate <path> <MiB>  writes mixed ASCII and Shift_JIS text
//   sjis_to_euc_bench translate <in> <out>   translates in into out
//   sjis_to_euc_bench text <in> <KiB>        translates the first KiB of in as
//                                            a text in memory (U_Encoding::translate)
//                                            and prints the best of 5 times in seconds

#include "encoding/Destination.h"
#include "encoding/JapaneseChars.h"
#include "encoding/JapaneseTranslators.h"
#include "encoding/Source.h"
#include "encoding/U_Encoding.h"
#include "util/U_Product.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

/// A fixed-seed generator, so every run times the same text.
class Random {
public:
    std::uint32_t below(std::uint32_t n)
    {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state_ >> 33) % n;
    }

private:
    std::uint64_t state_ = 4212;
};

// Characters every Shift_JIS and EUC-JP converter knows: hiragana, katakana
// and the first-level kanji of JIS X 0208.
std::vector<std::string> commonCharacters()
{
    std::vector<std::string> chars;
    auto add = [&chars](int row, int lastCell) {
        for (int cell = 1; cell <= lastCell; ++cell) {
            const U_Encoding::SjisPair p = U_Encoding::jisPairToSjis(1, row + 0x20, cell + 0x20);
            chars.push_back({static_cast<char>(p.lead), static_cast<char>(p.trail)});
        }
    };
    add(4, 83);
    add(5, 86);
    for (int row = 16; row <= 46; ++row)
        add(row, 94);
    return chars;
}

int generate(const char* path, long mebibytes)
{
    // No backslash or tilde: converters disagree on them in Shift_JIS.
    static const char ascii[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ;(){}=+-*/<>,._";
    const std::size_t size = static_cast<std::size_t>(mebibytes) << 20;
    const std::vector<std::string> chars = commonCharacters();
    Random random;
    std::string text;
    text.reserve(size + 256);
    while (text.size() < size) {
        std::string line;
        for (std::uint32_t words = 3 + random.below(10); words > 0; --words) {
            for (std::uint32_t n = 1 + random.below(10); n > 0; --n)
                line += ascii[random.below(sizeof ascii - 1)];
            for (std::uint32_t n = 1 + random.below(8); n > 0; --n)
                line += chars[random.below(static_cast<std::uint32_t>(chars.size()))];
        }
        line += '\n';
        text += line;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return out ? 0 : 1;
}

int translate(const char* inPath, const char* outPath)
{
    FileSource in;
    FileDestination out;
    if (!in.open(U_RcString(inPath)) || !out.open(U_RcString(outPath))) {
        std::fprintf(stderr, "cannot open %s or %s\n", inPath, outPath);
        return 1;
    }
    U_Encoding::sjisToEuc(in, out);
    in.Close();
    out.Close();
    return out.failed() ? 1 : 0;
}

int translateText(const char* inPath, long kibibytes)
{
    std::ifstream in(inPath, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t size = static_cast<std::size_t>(kibibytes) << 10;
    if (text.size() < size) {
        std::fprintf(stderr, "%s holds fewer than %ld KiB\n", inPath, kibibytes);
        return 1;
    }
    text.resize(size);
    // Cut after a whole character: a lead byte alone would be translated as one.
    while (!text.empty() && static_cast<unsigned char>(text.back()) >= 0x80)
        text.pop_back();
    const U_Product product("ZXC");
    double best = 1e9;
    std::size_t translated = 0;
    for (int round = 0; round < 5; ++round) {
        const auto t0 = std::chrono::steady_clock::now();
        translated = U_Encoding::translate(product, text, eceSJIS, eceEUC).size();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    if (translated < text.size()) {
        std::fprintf(stderr, "the translation is shorter than its input\n");
        return 1;
    }
    std::printf("%.6f\n", best);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "generate") == 0)
        return generate(argv[2], std::strtol(argv[3], nullptr, 10));
    if (argc == 4 && std::strcmp(argv[1], "translate") == 0)
        return translate(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "text") == 0)
        return translateText(argv[2], std::strtol(argv[3], nullptr, 10));
    std::fprintf(stderr, "usage: %s generate <path> <MiB> | translate <in> <out> | text <in> <KiB>\n", argv[0]);
    return 2;
}
