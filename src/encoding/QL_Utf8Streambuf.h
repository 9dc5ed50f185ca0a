#pragma once

#include <QTextCodec>

#include <cstddef>
#include <istream>
#include <ostream>
#include <streambuf>
#include <vector>

namespace QL_Utf8 {

// The end of the last complete UTF-8 sequence in [begin, end): end when the
// range ends on a complete sequence (or on bytes that cannot be a sequence),
// else the position of the unfinished sequence's lead byte.
const char* completePrefixEnd(const char* begin, const char* end);

} // namespace QL_Utf8

/// Reads raw bytes from a stream, decodes them with a codec and serves them
/// as UTF-8. At stream position 0 a byte-order mark may replace the codec.
/// Without a codec the raw bytes are served unchanged.
class QL_IUTF8Streambuf : public std::streambuf {
public:
    QL_IUTF8Streambuf(std::istream& input, QTextCodec* codec, bool detectBom);
    ~QL_IUTF8Streambuf() override;

protected:
    int_type underflow() override;

private:
    // Reads and decodes the next chunk behind the first `keep` bytes of the
    // buffer; the number of bytes it left there, 0 at the end of the input.
    std::size_t readChunk(std::size_t keep);

    static constexpr std::size_t kPutBack = 8;
    static constexpr std::size_t kChunk = 1024;

    QTextCodec::ConverterState state_;
    std::istream* input_;
    bool detectBom_;
    QTextCodec* codec_;
    std::vector<char> buffer_;
};

/// Takes UTF-8 and writes it to a stream encoded with a codec (unchanged
/// without one). A sequence cut by the end of the put area waits for its
/// remaining bytes; one still unfinished at destruction is dropped.
class QL_OUTF8Streambuf : public std::streambuf {
public:
    // flags: the codec's conversion flags; QTextCodec::IgnoreHeader keeps
    // a byte-order mark out of the output.
    QL_OUTF8Streambuf(std::ostream& output, QTextCodec* codec, QTextCodec::ConversionFlags flags);
    ~QL_OUTF8Streambuf() override;

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    // Converts and writes the complete sequences of the put area; whether
    // the output stream is still good.
    bool convertAndWrite();

    static constexpr std::size_t kBufferSize = 1024;

    QTextCodec::ConverterState state_;
    std::ostream* output_;
    QTextCodec* codec_;
    std::vector<char> buffer_;
};
