#include "encoding/JapaneseTranslators.h"

#include "encoding/JapaneseBytes.h"
#include "encoding/JapaneseChars.h"

namespace U_Encoding {

namespace {

// The readers below hand what they read to a writer, one call per unit of
// text: raw (one or two bytes that form no character, or were cut off by the
// end, passed on as they are), kana (a half-width katakana byte 0xA1 to 0xDF),
// character (a two-byte character of plane 1 or 2) and replaced (a character
// without a mapping, written as "?"). step() reads one unit and is false at
// the end of the input.

/// What the readers share: the source, which the JIS writers also read ahead
/// in for voicing marks.
class Reader {
public:
    explicit Reader(Source& in) : in_(in) {}
    Source& source() const { return in_; }

protected:
    Source& in_;
};

/// Reads Shift_JIS.
class SjisReader : public Reader {
public:
    using Reader::Reader;
    static constexpr U_EncodingKind kind = eceSJIS;

    template <class Writer>
    bool step(Writer& out)
    {
        const int x = in_.Get();
        if (x < 0)
            return false;
        if (isSjisLead(x)) {
            const int y = in_.Get();
            if (y < 0)
                out.raw(x);
            else if (isSjisTrail(y))
                out.character(sjisPairToJis(x, y));
            else
                out.raw(x, y);
        } else if (isHalfWidthKana(x)) {
            out.kana(x);
        } else if (isSjisPlane2Lead(x)) {
            if (in_.Get() < 0)
                out.raw(x);
            else
                out.replaced();
        } else {
            out.raw(x);
        }
        return true;
    }
};

/// Reads EUC-JP.
class EucReader : public Reader {
public:
    using Reader::Reader;
    static constexpr U_EncodingKind kind = eceEUC;

    template <class Writer>
    bool step(Writer& out)
    {
        const int x = in_.Get();
        if (x < 0)
            return false;
        if (isEucByte(x)) {
            const int y = in_.Get();
            if (y < 0)
                out.raw(x);
            else if (isEucByte(y))
                out.character({kPlane1Mode, x & ~kHighBit, y & ~kHighBit});
            else
                out.raw(x, y);
        } else if (x == kSingleShift2) {
            const int y = in_.Get();
            if (y < 0)
                out.raw(x);
            else if (isHalfWidthKana(y))
                out.kana(y);
            else
                out.raw(x, y);
        } else if (x == kSingleShift3) {
            // No range test on the two bytes of a plane-2 character.
            const int first = in_.Get();
            const int second = first < 0 ? -1 : in_.Get();
            if (first < 0)
                out.raw(x);
            else if (second < 0)
                out.raw(x, first);
            else
                out.character({kPlane2Mode, first & ~kHighBit, second & ~kHighBit});
        } else {
            out.raw(x);
        }
        return true;
    }
};

/// Reads 7-bit JIS: the escapes set the mode, CR and LF end two-byte mode, SO
/// and SI switch half-width katakana on and off. Escapes, SO and SI are
/// consumed, never handed on.
class JisReader : public Reader {
public:
    using Reader::Reader;

    template <class Writer>
    bool step(Writer& out)
    {
        for (;;) {
            const int x = in_.Get();
            if (x < 0)
                return false;
            if (x == kEsc) {
                mode_ = readEscape(in_);
            } else if (x == kShiftOut) {
                shift_ = true;
            } else if (x == kShiftIn && shift_) {
                shift_ = false;
            } else {
                unit(x, out);
                return true;
            }
        }
    }

private:
    template <class Writer>
    void unit(int x, Writer& out)
    {
        if (isLineEnd(x)) {
            mode_ = kSingleByteMode;  // the katakana shift stays as it was
            out.raw(x);
        } else if (mode_ == kSingleByteMode) {
            if (shift_ && inRange(x, 0x21, 0x5F))
                out.kana(x | kHighBit);
            else
                out.raw(x);
        } else if (shift_ || isHalfWidthKana(x)) {
            // Two-byte modes still carry half-width katakana: shifted, or as
            // 8-bit bytes.
            out.kana((x | kHighBit) & 0xFF);
        } else {
            const int y = in_.Get();
            if (y < 0)
                out.raw(x);
            else
                out.character({mode_, x, y});
        }
    }

    int mode_ = kSingleByteMode;
    bool shift_ = false;
};

/// What the 8-bit writers share: raw bytes and "?" go out as they are.
class ByteWriter {
public:
    explicit ByteWriter(Destination& out) : out_(out) {}

    void raw(int x) { out_.Put(x); }
    void raw(int x, int y)
    {
        out_.Put(x);
        out_.Put(y);
    }
    void replaced() { out_.Put('?'); }

protected:
    Destination& out_;
};

/// Writes EUC-JP.
class EucWriter : public ByteWriter {
public:
    using ByteWriter::ByteWriter;

    void character(const JisChar& c)
    {
        if (c.plane == kPlane2Mode)
            out_.Put(kSingleShift3);
        raw(c.first | kHighBit, c.second | kHighBit);
    }
    // Also from plane-2 JIS: 0x8F before 0x8E would be no EUC character.
    void kana(int x) { raw(kSingleShift2, x); }
};

/// Writes Shift_JIS.
class SjisWriter : public ByteWriter {
public:
    using ByteWriter::ByteWriter;

    void character(const JisChar& c)
    {
        const SjisPair p = jisPairToSjis(c.plane, c.first, c.second);
        raw(p.lead, p.trail);
    }
    void kana(int x) { raw(x); }
};

/// Writes 7-bit JIS: announces each change of mode with the target's escape,
/// and goes back to single-byte mode before any byte that stands for itself,
/// so that a reader never takes such a byte for half of a character.
class JisWriter {
public:
    JisWriter(Destination& out, U_EncodingKind target) : out_(out), table_(jisEscapeTable(target)) {}

    int mode() const { return mode_; }

    // Announces mode unless it is the current one.
    void enter(int mode)
    {
        if (mode_ != mode) {
            mode_ = mode;
            writeEscape(out_, table_, mode);
        }
    }
    void character(const JisChar& c)
    {
        enter(c.plane);
        out_.Put(c.first);
        out_.Put(c.second);
    }
    void raw(int x)
    {
        enter(kSingleByteMode);
        out_.Put(x);
    }
    void raw(int x, int y)
    {
        raw(x);
        out_.Put(y);
    }
    void replaced() { raw('?'); }
    void finish() { enter(kSingleByteMode); }

private:
    Destination& out_;
    const JisEscapeTable& table_;
    int mode_ = kSingleByteMode;
};

/// Writes 8-bit text as JIS, widening half-width katakana (reading ahead in the
/// reader's source for a voicing mark).
template <class EightBitReader>
class WideningJisWriter : public JisWriter {
public:
    WideningJisWriter(const EightBitReader& reader, Destination& out, U_EncodingKind target)
        : JisWriter(out, target), in_(reader.source())
    {
    }

    void kana(int x)
    {
        const SjisPair p = widenKana(in_, x, EightBitReader::kind);
        character(sjisPairToJis(p.lead, p.trail));
    }

private:
    Source& in_;
};

template <class AnyReader, class Writer>
void translateWith(Source& in, Destination& out)
{
    AnyReader reader(in);
    Writer writer(out);
    while (reader.step(writer)) {
    }
}

template <class EightBitReader>
void translateToJis(Source& in, Destination& out, U_EncodingKind target)
{
    EightBitReader reader(in);
    WideningJisWriter<EightBitReader> writer(reader, out, target);
    while (reader.step(writer)) {
    }
    writer.finish();
}

} // namespace

void sjisToEuc(Source& in, Destination& out)
{
    translateWith<SjisReader, EucWriter>(in, out);
}

void eucToSjis(Source& in, Destination& out)
{
    translateWith<EucReader, SjisWriter>(in, out);
}

void jisToEuc(Source& in, Destination& out)
{
    translateWith<JisReader, EucWriter>(in, out);
}

void jisToSjis(Source& in, Destination& out)
{
    translateWith<JisReader, SjisWriter>(in, out);
}

void eucToJis(Source& in, Destination& out, U_EncodingKind target)
{
    translateToJis<EucReader>(in, out, target);
}

void sjisToJis(Source& in, Destination& out, U_EncodingKind target)
{
    translateToJis<SjisReader>(in, out, target);
}

// Escapes are rewritten, everything else passes through as read.
void jisToJis(Source& in, Destination& out, U_EncodingKind target)
{
    JisWriter writer(out, target);
    for (int x = in.Get(); x >= 0; x = in.Get()) {
        if (x == kEsc) {
            writer.enter(readEscape(in));
        } else if (writer.mode() == kSingleByteMode || isLineEnd(x)) {
            writer.raw(x);
        } else {
            const int y = in.Get();
            if (y < 0) {
                writer.raw(x);
                break;
            }
            writer.character({writer.mode(), x, y});
        }
    }
    writer.finish();
}

} // namespace U_Encoding
