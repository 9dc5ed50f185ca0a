// Translations there and back over whole character sets, and a cross-check of
// the JIS X 0208 arithmetic against the C library's iconv.

#include "encoding/JapaneseChars.h"
#include "encoding/JapaneseTranslators.h"

#include "TranslateText.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

using namespace U_Encoding;
using testbytes::translateText;

namespace {

const U_EncodingKind kJisKinds[] = {eceOldJIS, eceNewJIS, eceNECJIS};

// The JIS X 0213 plane-2 rows that Shift_JIS lead bytes 0xF0 to 0xFC reach.
const std::vector<int>& plane2Rows()
{
    static const std::vector<int> rows = [] {
        std::vector<int> r = {1, 3, 4, 5, 8, 12, 13, 14, 15};
        for (int row = 78; row <= 94; ++row)
            r.push_back(row);
        return r;
    }();
    return rows;
}

std::string eucChar(int row, int cell)
{
    return {static_cast<char>(row + 0xA0), static_cast<char>(cell + 0xA0)};
}

// Every Shift_JIS pair of plane 1: leads 0x81-0x9F and 0xE0-0xEF, trails
// 0x40-0xFC without 0x7F.
std::vector<std::string> sjisPairs()
{
    std::vector<std::string> pairs;
    for (int lead = 0x81; lead <= 0xEF; ++lead) {
        if (lead == 0xA0)
            lead = 0xE0;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail != 0x7F)
                pairs.push_back({static_cast<char>(lead), static_cast<char>(trail)});
        }
    }
    return pairs;
}

// Every row of plane 1 on a line of its own after an ASCII label, then lines
// that alternate plane-2 characters of every reachable row with plane-1 ones.
std::string eucTextOfBothPlanes()
{
    std::string text;
    for (int row = 1; row <= 94; ++row) {
        text += "row " + std::to_string(row) + ": ";
        for (int cell = 1; cell <= 94; ++cell)
            text += eucChar(row, cell);
        text += row % 2 ? "\n" : "\r\n";
    }
    for (int row : plane2Rows()) {
        text += "plane 2 row " + std::to_string(row) + ": ";
        for (int cell = 1; cell <= 94; ++cell) {
            text += '\x8F' + eucChar(row, cell);
            if (cell % 3 == 0)
                text += eucChar(cell, row);
            if (cell % 10 == 0)
                text += ' ';
        }
        text += '\n';
    }
    return text;
}

testbytes::Translator intoJis(U_EncodingKind kind)
{
    return [kind](Source& in, Destination& out) { eucToJis(in, out, kind); };
}

bool iconvAvailable()
{
    return std::system("iconv --version >/dev/null 2>&1") == 0;
}

// What iconv -c makes of input, one line per input line ("" where it fails).
std::vector<std::string> iconvLines(const TempDir& dir, const std::string& from, const std::string& to,
                                    const std::string& input)
{
    const std::string path = dir.write("iconv-in", input);
    const std::string command = "iconv -c -f " + from + " -t " + to + " '" + path + "' 2>/dev/null";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, n);
        pclose(pipe);
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(output.substr(start, end - start));
    return lines;
}

std::string iconvText(const TempDir& dir, const std::string& from, const std::string& to,
                      const std::string& input)
{
    std::string text;
    for (const std::string& line : iconvLines(dir, from, to, input))
        text += line + "\n";
    return text;
}

} // namespace

TEST(JapaneseRoundTrip, SjisToEucAndBack)
{
    std::string sjis;
    for (const std::string& pair : sjisPairs())
        sjis += pair;
    const std::string euc = translateText(sjisToEuc, sjis);
    ASSERT_EQ(sjis.size(), euc.size());
    std::set<std::string> distinct;
    for (std::size_t i = 0; i < euc.size(); i += 2) {
        const auto first = static_cast<unsigned char>(euc[i]);
        const auto second = static_cast<unsigned char>(euc[i + 1]);
        ASSERT_TRUE(first >= 0xA1 && first <= 0xFE && second >= 0xA1 && second <= 0xFE) << i;
        distinct.insert(euc.substr(i, 2));
    }
    EXPECT_EQ(94u * 94u, distinct.size());  // onto every row and cell of plane 1
    EXPECT_EQ(sjis, translateText(eucToSjis, euc));
}

TEST(JapaneseRoundTrip, EucToEachJisAndBack)
{
    const std::string euc = eucTextOfBothPlanes();
    for (U_EncodingKind kind : kJisKinds) {
        const std::string jis = translateText(intoJis(kind), euc);
        EXPECT_EQ(euc, translateText(jisToEuc, jis)) << "kind " << kind;
        // Between variants only the escapes change.
        for (U_EncodingKind target : kJisKinds) {
            const std::string other = translateText(
                [target](Source& in, Destination& out) { jisToJis(in, out, target); }, jis);
            EXPECT_EQ(translateText(intoJis(target), euc), other) << kind << " to " << target;
        }
    }
}

TEST(JapaneseRoundTrip, SjisToEachJisAndBack)
{
    std::string sjis;
    int count = 0;
    for (const std::string& pair : sjisPairs()) {
        sjis += pair;
        if (++count % 94 == 0)
            sjis += "\n";
    }
    for (U_EncodingKind kind : kJisKinds) {
        const std::string jis = translateText(
            [kind](Source& in, Destination& out) { sjisToJis(in, out, kind); }, sjis);
        EXPECT_EQ(sjis, translateText(jisToSjis, jis)) << "kind " << kind;
    }
}

TEST(JapaneseRoundTrip, Plane2Arithmetic)
{
    std::set<std::pair<int, int>> distinct;
    for (int row : plane2Rows()) {
        for (int cell = 1; cell <= 94; ++cell) {
            const SjisPair s = jisPairToSjis(2, row + 0x20, cell + 0x20);
            ASSERT_TRUE(s.lead >= 0xF0 && s.lead <= 0xFC) << row << " " << cell;
            ASSERT_TRUE(s.trail >= 0x40 && s.trail <= 0xFC && s.trail != 0x7F) << row << " " << cell;
            distinct.insert({s.lead, s.trail});
            const JisChar j = sjisPairToJis(s.lead, s.trail);
            EXPECT_EQ(2, j.plane);
            EXPECT_EQ(row + 0x20, j.first);
            EXPECT_EQ(cell + 0x20, j.second);
        }
    }
    // Thirteen lead bytes, 188 trails each: every one is used once.
    EXPECT_EQ(13u * 188u, distinct.size());
}

// iconv knows the assigned characters only; where it converts one, it must
// agree with the arithmetic byte for byte.
TEST(JapaneseRoundTrip, AgreesWithIconv)
{
    if (!iconvAvailable())
        GTEST_SKIP() << "iconv not installed";
    TempDir dir;

    std::string eucLines;
    for (int row = 1; row <= 94; ++row) {
        for (int cell = 1; cell <= 94; ++cell)
            eucLines += eucChar(row, cell) + "\n";
    }
    const std::vector<std::string> theirSjis = iconvLines(dir, "EUC-JP", "SHIFT_JIS", eucLines);
    ASSERT_EQ(94u * 94u, theirSjis.size());
    std::string assigned;
    int compared = 0;
    for (std::size_t i = 0; i < theirSjis.size(); ++i) {
        if (theirSjis[i].size() != 2)
            continue;
        const std::string euc = eucLines.substr(3 * i, 2);
        EXPECT_EQ(theirSjis[i], translateText(eucToSjis, euc)) << i;
        EXPECT_EQ(euc, translateText(sjisToEuc, theirSjis[i])) << i;
        assigned += euc;
        if (++compared % 50 == 0)
            assigned += "A\n";
        if (compared % 13 == 0)
            assigned += "b";
    }
    EXPECT_EQ(6879, compared);  // the characters of JIS X 0208
    assigned += "\n";

    // iconv -c drops the lead byte of a pair it does not know and converts the
    // trail on its own: one byte, or a half-width katakana (0x8E and a byte).
    std::string sjisLines;
    for (const std::string& pair : sjisPairs())
        sjisLines += pair + "\n";
    const std::vector<std::string> theirEuc = iconvLines(dir, "SHIFT_JIS", "EUC-JP", sjisLines);
    ASSERT_EQ(sjisPairs().size(), theirEuc.size());
    int converted = 0;
    for (std::size_t i = 0; i < theirEuc.size(); ++i) {
        if (theirEuc[i].size() != 2 || theirEuc[i][0] == '\x8E')
            continue;
        EXPECT_EQ(theirEuc[i], translateText(sjisToEuc, sjisLines.substr(3 * i, 2))) << i;
        ++converted;
    }
    EXPECT_EQ(6879, converted);

    // iconv's JIS ends kanji with ESC ( B, ours with ESC ( J: both read alike.
    EXPECT_EQ(assigned, translateText(jisToEuc, iconvText(dir, "EUC-JP", "ISO-2022-JP", assigned)));
    EXPECT_EQ(assigned, iconvText(dir, "ISO-2022-JP", "EUC-JP", translateText(intoJis(eceNewJIS), assigned)));
}
