#include "encoding/QL_Utf8Streambuf.h"

#include "encoding/QL_Bom.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstring>

namespace QL_Utf8 {

const char* completePrefixEnd(const char* begin, const char* end)
{
    if (begin == end)
        return end;
    const auto last = static_cast<unsigned char>(end[-1]);
    if (last < 0x80)
        return end;
    if (last >= 0xC0)
        return end - 1;

    const char* p = end - 1;
    int count = 1;
    while (true) {
        if (p == begin)
            return end;
        --p;
        ++count;
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 0xC0)
            break;
        if (c < 0x80 || count >= 6)
            return end;
    }
    // A lead byte announcing exactly `count` bytes closes a complete sequence.
    static const unsigned char kLeadPattern[7] = {0, 0, 0x06, 0x0E, 0x1E, 0x3E, 0x7E};
    const auto lead = static_cast<unsigned char>(*p);
    if ((lead >> (7 - count)) == kLeadPattern[count])
        return end;
    return p;
}

} // namespace QL_Utf8

QL_IUTF8Streambuf::QL_IUTF8Streambuf(std::istream& input, QTextCodec* codec, bool detectBom)
    : state_(QTextCodec::DefaultConversion),
      input_(&input),
      detectBom_(detectBom),
      codec_(codec),
      buffer_(kChunk + kPutBack)
{
    setg(buffer_.data(), buffer_.data(), buffer_.data());
}

QL_IUTF8Streambuf::~QL_IUTF8Streambuf() = default;

QL_IUTF8Streambuf::int_type QL_IUTF8Streambuf::underflow()
{
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    if (input_->fail())
        return traits_type::eof();

    // Keep the tail of the previous chunk as put-back room.
    const std::size_t previous = static_cast<std::size_t>(egptr() - eback());
    const std::size_t keep = std::min(previous, kPutBack);
    if (keep > 0)
        std::memmove(buffer_.data(), egptr() - keep, keep);

    // A chunk may decode to nothing (a lone byte-order mark, a character cut
    // by the chunk's end); the input is not over until the stream says so.
    std::size_t got = 0;
    while (got == 0 && !input_->fail())
        got = readChunk(keep);

    setg(buffer_.data(), buffer_.data() + keep, buffer_.data() + keep + got);
    if (got == 0)
        return traits_type::eof();
    return traits_type::to_int_type(*gptr());
}

std::size_t QL_IUTF8Streambuf::readChunk(std::size_t keep)
{
    const std::streampos position = input_->tellg();
    char* room = buffer_.data() + keep;
    input_->read(room, static_cast<std::streamsize>(buffer_.size() - keep));
    const auto got = static_cast<std::size_t>(input_->gcount());
    if (got == 0 || !codec_)
        return got;

    if (detectBom_ && position == std::streampos(0))
        codec_ = QL_Bom::codecForBOM(codec_, room, got);

    const QByteArray utf8 = codec_->toUnicode(room, static_cast<int>(got), &state_).toUtf8();
    const auto size = static_cast<std::size_t>(utf8.size());
    if (size > buffer_.size() - keep)
        buffer_.resize(keep + size);
    std::memcpy(buffer_.data() + keep, utf8.constData(), size);
    return size;
}

QL_OUTF8Streambuf::QL_OUTF8Streambuf(std::ostream& output, QTextCodec* codec, QTextCodec::ConversionFlags flags)
    : state_(flags), output_(&output), codec_(codec), buffer_(kBufferSize)
{
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

QL_OUTF8Streambuf::~QL_OUTF8Streambuf()
{
    convertAndWrite();
}

bool QL_OUTF8Streambuf::convertAndWrite()
{
    char* const begin = pbase();
    char* const end = pptr();
    if (!codec_ || begin == end) {
        output_->write(begin, end - begin);
        setp(buffer_.data(), buffer_.data() + buffer_.size());
        return output_->good();
    }

    const char* cut = QL_Utf8::completePrefixEnd(begin, end);
    if (cut == begin)
        cut = end;
    const QString text = QString::fromUtf8(begin, static_cast<int>(cut - begin));
    const QByteArray encoded = codec_->fromUnicode(text.constData(), text.size(), &state_);
    output_->write(encoded.constData(), encoded.size());

    const auto tail = static_cast<int>(end - cut);
    std::memmove(buffer_.data(), cut, static_cast<std::size_t>(tail));
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    pbump(tail);
    return output_->good();
}

QL_OUTF8Streambuf::int_type QL_OUTF8Streambuf::overflow(int_type c)
{
    if (!convertAndWrite() || traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::eof();
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int QL_OUTF8Streambuf::sync()
{
    return convertAndWrite() ? 0 : -1;
}
