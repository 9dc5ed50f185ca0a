#include "encoding/JapaneseTranslators.h"

#include "HexBytes.h"
#include "TranslateText.h"

#include <gtest/gtest.h>

using namespace U_Encoding;
using testbytes::hex;
using testbytes::toHex;
using testbytes::translateText;
using testbytes::Translator;

namespace {

// One row: input and expected output, both in hex.
struct Case {
    const char* input;
    const char* expected;
};

template <std::size_t N>
void expectCases(const Translator& translate, const Case (&cases)[N])
{
    for (const Case& c : cases) {
        const std::string got = translateText(translate, hex(c.input));
        EXPECT_EQ(c.expected, toHex(got)) << "input " << c.input;
    }
}

Translator toJis(void (*translate)(Source&, Destination&, U_EncodingKind), U_EncodingKind kind)
{
    return [=](Source& in, Destination& out) { translate(in, out, kind); };
}

} // namespace

TEST(SjisToEuc, Bytes)
{
    const Case cases[] = {
        {"81 40", "A1 A1"},
        {"88 9F", "B0 A1"},
        {"EF FC", "FE FE"},
        {"E0 40", "DF A1"},
        {"82 A0", "A4 A2"},
        {"9F FC", "DE FE"},
        {"81 FC", "A2 FE"},
        {"81 7F", "A1 DF"},                // 0x7F counts as a trail
        {"B1", "8E B1"},
        {"A1 DF", "8E A1 8E DF"},
        {"F0 40", "3F"},                   // plane 2: one "?" for two bytes
        {"FC FC 41", "3F 41"},
        {"81 0A", "81 0A"},
        {"81 3F", "81 3F"},
        {"81 FD", "81 FD"},
        {"82", "82"},                      // cut off by the end
        {"41 82", "41 82"},
        {"F0", "F0"},
        {"41 0D 0A 80 A0 FD FE FF", "41 0D 0A 80 A0 FD FE FF"},
        {"41 82 A0 42 B1 0A", "41 A4 A2 42 8E B1 0A"},
    };
    expectCases(sjisToEuc, cases);
}

TEST(EucToSjis, Bytes)
{
    const Case cases[] = {
        {"A4 A2", "82 A0"},
        {"A1 A1", "81 40"},
        {"B0 A1", "88 9F"},
        {"FE FE", "EF FC"},
        {"DF A1", "E0 40"},
        {"8E B1", "B1"},
        {"8E A1 8E DF", "A1 DF"},
        {"8E 41", "8E 41"},
        {"8E E0", "8E E0"},
        {"8F A1 A1", "F0 40"},
        {"8F FE FE", "FC FC"},
        {"8F A8 A1", "F0 9F"},             // plane 2, row 8
        {"8F AF FE", "F4 9E"},             // row 15
        {"8F EE A1", "F4 9F"},             // row 78
        {"A1 0A", "A1 0A"},
        {"A1 FF", "A1 FF"},
        {"A1", "A1"},                      // cut off by the end
        {"8E", "8E"},
        {"8F", "8F"},
        {"8F A1", "8F A1"},
        {"41 0D 0A 80 A0 FF", "41 0D 0A 80 A0 FF"},
    };
    expectCases(eucToSjis, cases);
}

TEST(JisToEuc, Bytes)
{
    const Case cases[] = {
        {"1B 24 42 24 22 1B 28 42 41", "A4 A2 41"},
        {"1B 24 40 30 21", "B0 A1"},
        {"1B 4B 24 22 1B 48 41", "A4 A2 41"},
        {"1B 24 28 4F 24 22", "A4 A2"},
        {"1B 24 50 21 21", "8F A1 A1"},
        {"1B 24 28 50 21 21 1B 24 42 24 22", "8F A1 A1 A4 A2"},
        {"0E 31 0F", "8E B1"},
        {"0E 21 5F 60 0F 31", "8E A1 8E DF 60 31"},
        {"0F 41", "0F 41"},                // SI without SO is a byte
        {"0E 0A 31", "0A 8E B1"},          // the shift outlives a line end
        {"1B 24 42 0E 31 0F 24 22", "8E B1 A4 A2"},
        {"1B 24 42 B1 24 22", "8E B1 A4 A2"},
        {"1B 24 28 50 0E 31", "8E B1"},    // no 8F before a half-width katakana
        {"1B 24 42 24 22 0A 24 22", "A4 A2 0A 24 22"},
        {"1B 24 42 24 22 0D 24", "A4 A2 0D 24"},
        {"1B 24 42 24", "24"},             // cut off by the end
        {"1B 28 49 41", "41"},
        {"1B 5A 41", "41"},                // unknown escape: single-byte
        {"41 1B", "41"},
    };
    expectCases(jisToEuc, cases);
}

TEST(JisToSjis, Bytes)
{
    const Case cases[] = {
        {"1B 24 42 24 22 1B 28 42 41", "82 A0 41"},
        {"1B 24 40 30 21", "88 9F"},
        {"1B 4B 24 22 1B 48", "82 A0"},
        {"1B 24 50 21 21", "F0 40"},
        {"1B 24 28 50 7E 7E", "FC FC"},
        {"1B 24 28 50 6E 21", "F4 9F"},
        {"0E 31 0F", "B1"},                // SO and SI are not written
        {"0E 21 5F 0F", "A1 DF"},
        {"1B 24 42 0E 31 0F 24 22", "B1 82 A0"},
        {"0F 41", "0F 41"},
        {"B1", "B1"},
        {"1B 24 42 24 22 0A 41", "82 A0 0A 41"},
        {"1B 24 42 24 22 0D 24", "82 A0 0D 24"},
        {"1B 24 42 24", "24"},
    };
    expectCases(jisToSjis, cases);
}

TEST(EucToJis, NewJisBytes)
{
    const Case cases[] = {
        {"A4 A2 0A", "1B 24 42 24 22 1B 28 4A 0A"},
        {"41 A4 A2", "41 1B 24 42 24 22 1B 28 4A"},
        {"A4 A2 A4 A4", "1B 24 42 24 22 24 24 1B 28 4A"},
        {"A4 A2 0D A4 A2", "1B 24 42 24 22 1B 28 4A 0D 1B 24 42 24 22 1B 28 4A"},
        {"8E B6 8E DE", "1B 24 42 25 2C 1B 28 4A"},       // ka + voiced = ga
        {"8E B3 8E DE", "1B 24 42 25 74 1B 28 4A"},       // u + voiced = vu
        {"8E CA 8E DF", "1B 24 42 25 51 1B 28 4A"},       // ha + semi-voiced = pa
        {"8E CA 8E DE", "1B 24 42 25 50 1B 28 4A"},       // ha + voiced = ba
        {"8E B1", "1B 24 42 25 22 1B 28 4A"},
        {"8E B1 8E DE", "1B 24 42 25 22 21 2B 1B 28 4A"}, // a takes no mark
        {"8E B6 41", "1B 24 42 25 2B 1B 28 4A 41"},
        {"8E B6 A4 A2", "1B 24 42 25 2B 24 22 1B 28 4A"},
        {"8E B6 8E", "1B 24 42 25 2B 1B 28 4A 8E"},
        {"8E 41", "8E 41"},
        {"8F A1 A1", "1B 24 28 50 21 21 1B 28 4A"},
        {"A4 A2 8F A1 A1 A4 A2",
         "1B 24 42 24 22 1B 24 28 50 21 21 1B 24 42 24 22 1B 28 4A"},
        {"8F A1 A1 8F FE FE 41", "1B 24 28 50 21 21 7E 7E 1B 28 4A 41"},
        {"A4 A2 B0", "1B 24 42 24 22 1B 28 4A B0"},       // cut off by the end
        {"A4 A2 8F A1", "1B 24 42 24 22 1B 28 4A 8F A1"},
        {"A4 A2 A1 0A", "1B 24 42 24 22 1B 28 4A A1 0A"},
        {"41 80 FF", "41 80 FF"},
    };
    expectCases(toJis(eucToJis, eceNewJIS), cases);
}

TEST(EucToJis, EscapesOfEachVariant)
{
    const Case old[] = {
        {"A4 A2 0A", "1B 24 40 24 22 1B 28 4A 0A"},
        {"8F A1 A1", "1B 24 28 50 21 21 1B 28 4A"},
    };
    expectCases(toJis(eucToJis, eceOldJIS), old);
    const Case nec[] = {
        {"A4 A2 0A", "1B 4B 24 22 1B 48 0A"},
        {"8F A1 A1 A4 A2", "1B 24 28 50 21 21 1B 4B 24 22 1B 48"},
    };
    expectCases(toJis(eucToJis, eceNECJIS), nec);
}

TEST(SjisToJis, Bytes)
{
    const Case cases[] = {
        {"82 A0 0A", "1B 24 42 24 22 1B 28 4A 0A"},
        {"41 88 9F 42", "41 1B 24 42 30 21 1B 28 4A 42"},
        {"82 A0 0D 0A 82 A0", "1B 24 42 24 22 1B 28 4A 0D 0A 1B 24 42 24 22 1B 28 4A"},
        {"B1", "1B 24 42 25 22 1B 28 4A"},
        {"B6 DE", "1B 24 42 25 2C 1B 28 4A"},
        {"B3 DE", "1B 24 42 25 74 1B 28 4A"},
        {"CA DF", "1B 24 42 25 51 1B 28 4A"},
        {"CA DE", "1B 24 42 25 50 1B 28 4A"},
        {"B1 DE", "1B 24 42 25 22 21 2B 1B 28 4A"},
        {"B6 DF", "1B 24 42 25 2B 21 2C 1B 28 4A"},
        {"B1 41", "1B 24 42 25 22 1B 28 4A 41"},
        {"DE", "1B 24 42 21 2B 1B 28 4A"},
        {"A1 A6 AF B0 DD", "1B 24 42 21 23 25 72 25 43 21 3C 25 73 1B 28 4A"},
        {"F0 40", "3F"},
        {"82 A0 F0 40 82 A0", "1B 24 42 24 22 1B 28 4A 3F 1B 24 42 24 22 1B 28 4A"},
        {"82 A0 82", "1B 24 42 24 22 1B 28 4A 82"},        // cut off by the end
        {"F0", "F0"},
        {"81 0A", "81 0A"},
        {"82 A0 81 0A", "1B 24 42 24 22 1B 28 4A 81 0A"},
    };
    expectCases(toJis(sjisToJis, eceNewJIS), cases);
    const Case nec[] = {{"82 A0 0A", "1B 4B 24 22 1B 48 0A"}};
    expectCases(toJis(sjisToJis, eceNECJIS), nec);
    const Case old[] = {{"88 9F", "1B 24 40 30 21 1B 28 4A"}};
    expectCases(toJis(sjisToJis, eceOldJIS), old);
}

TEST(JisToJis, Bytes)
{
    const Case toNew[] = {
        {"1B 4B 24 22 1B 48", "1B 24 42 24 22 1B 28 4A"},
        {"1B 4B 24 22 1B 4B 24 24 1B 48", "1B 24 42 24 22 24 24 1B 28 4A"},
        {"1B 24 50 21 21 1B 28 42", "1B 24 28 50 21 21 1B 28 4A"},
        {"1B 24 42 24 22 1B 24 28 50 21 21 1B 24 42 24 22 1B 28 42",
         "1B 24 42 24 22 1B 24 28 50 21 21 1B 24 42 24 22 1B 28 4A"},
        {"1B 24 42 24 22", "1B 24 42 24 22 1B 28 4A"},
        {"1B 24 42 24 22 0A 41", "1B 24 42 24 22 1B 28 4A 0A 41"},
        {"1B 24 40 24 22 0D 24 22", "1B 24 42 24 22 1B 28 4A 0D 24 22"},
        {"1B 28 42 41", "41"},
        {"1B 24 42 24", "1B 24 42 1B 28 4A 24"},           // cut off by the end
        {"0E 31 0F", "0E 31 0F"},
    };
    expectCases(toJis(jisToJis, eceNewJIS), toNew);
    const Case toNec[] = {
        {"1B 24 42 24 22 1B 28 42", "1B 4B 24 22 1B 48"},
        {"1B 24 28 50 21 21 0A", "1B 24 28 50 21 21 1B 48 0A"},
    };
    expectCases(toJis(jisToJis, eceNECJIS), toNec);
    const Case toOld[] = {{"1B 24 42 30 21 1B 28 42", "1B 24 40 30 21 1B 28 4A"}};
    expectCases(toJis(jisToJis, eceOldJIS), toOld);
}
