#include "encoding/JapaneseChars.h"

#include "encoding/JapaneseBytes.h"
#include "util/U_Exception.h"

namespace U_Encoding {

namespace {

constexpr int kVoicedMark = 0xDE;
constexpr int kSemiVoicedMark = 0xDF;

// Row base of a Shift_JIS lead byte: the JIS row is the base minus one for
// trails below 0x9F, the base itself from 0x9F on.
int rowBase(int lead, int trail)
{
    if (lead < 0xA0)
        return 2 * lead - 0x100;
    if (lead < 0xF0)
        return 2 * lead - 0x180;
    // Plane 2 uses rows 1, 3-5, 8, 12-15 and 78-94 only, hence the jumps.
    const bool low = trail < 0x9F;
    if (lead == 0xF0 && low)
        return 2;
    if (lead == 0xF1 || (lead == 0xF2 && low))
        return 2 * lead - 0x1DE;
    if (lead > 0xF4 || (lead == 0xF4 && !low))
        return 2 * lead - 0x19A;
    return 2 * lead - 0x1D8;
}

bool takesVoicedMark(int kana)
{
    return kana == 0xB3 || inRange(kana, 0xB6, 0xC4) || inRange(kana, 0xCA, 0xCE);
}

bool takesSemiVoicedMark(int kana)
{
    return inRange(kana, 0xCA, 0xCE);
}

} // namespace

JisChar sjisPairToJis(int lead, int trail)
{
    const int plane = lead >= 0xF0 ? 2 : 1;
    const int base = rowBase(lead, trail);
    if (trail < 0x7F)
        return {plane, base - 1 + 0x20, trail - 0x1F};
    if (trail < 0x9F)
        return {plane, base - 1 + 0x20, trail - 0x20};
    return {plane, base + 0x20, trail - 0x7E};
}

SjisPair jisPairToSjis(int plane, int first, int second)
{
    const int a = ((first & 0xFF) - 0x20) & 0xFF;
    const int b = ((second & 0xFF) - 0x20) & 0xFF;
    int k;
    if (plane < 2)
        k = a < 0x3F ? 0x101 : 0x181;
    else if (a < 8)
        k = 0x1DF;
    else if (a >= 0x4E)
        k = 0x19B;
    else
        k = 0x1D9;
    const int lead = (a + k) / 2;
    if (a % 2 == 1)
        return {lead, b < 0x40 ? b + 0x3F : b + 0x40};
    return {lead, b + 0x9E};
}

int readEscape(Source& in)
{
    switch (in.Get()) {
    case '$': {
        int d = in.Get();
        if (d == '(')
            d = in.Get();
        if (d == 'B' || d == 'O' || d == '@')
            return kPlane1Mode;
        return d == 'P' ? kPlane2Mode : kSingleByteMode;
    }
    case '(':
        in.Get();
        return kSingleByteMode;
    case 'K':
        return kPlane1Mode;
    default:
        return kSingleByteMode;
    }
}

void writeEscape(Destination& out, const JisEscapeTable& table, int entry)
{
    out.Put(kEsc);
    out.PutString(U_RcString(table.entry[entry]));
}

SjisPair widenKana(Source& in, int halfWidth, U_EncodingKind sourceKind)
{
    if (!inRange(halfWidth, kFirstHalfWidthKana, kLastHalfWidthKana))
        throw U_AssertException();

    // In EUC a mark is itself a half-width katakana: 0x8E, then the mark.
    bool markPrefix = false;
    int mark;
    if (sourceKind == eceEUC) {
        const int next = in.Get();
        if (next == kSingleShift2) {
            markPrefix = true;
            mark = in.Get();
        } else {
            if (next >= 0)
                in.Unget(next);
            mark = -1;
        }
    } else {
        mark = in.Get();
    }

    const bool voiced = mark == kVoicedMark && takesVoicedMark(halfWidth);
    const bool semiVoiced = mark == kSemiVoicedMark && takesSemiVoicedMark(halfWidth);
    if (!voiced && !semiVoiced) {
        if (mark >= 0)
            in.Unget(mark);
        // Also a 0x8E that the input ended after: no byte may be lost.
        if (markPrefix)
            in.Unget(kSingleShift2);
    }

    const unsigned char* full = kFullWidthKana[halfWidth - kFirstHalfWidthKana];
    SjisPair pair{full[0], full[1]};
    if (voiced) {
        if (inRange(pair.trail, 0x4A, 0x67) || inRange(pair.trail, 0x6E, 0x7A))
            pair.trail += 1;
        else if (pair.lead == 0x83 && pair.trail == 0x45)
            pair.trail = 0x94;  // u with the voiced mark is vu
    } else if (semiVoiced && inRange(pair.trail, 0x6E, 0x7A)) {
        pair.trail += 2;
    }
    return pair;
}

} // namespace U_Encoding
