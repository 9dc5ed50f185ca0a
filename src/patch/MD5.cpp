#include "patch/MD5.h"

#include <QIODevice>

#include <cstring>
#include <fstream>
#include <iostream>
#include <istream>

namespace {

constexpr std::size_t kChunk = 1024;

inline std::uint32_t load32(const unsigned char* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    return v;
}

inline void store32(unsigned char* p, std::uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

inline std::uint32_t rotl(std::uint32_t x, int s)
{
    return (x << s) | (x >> (32 - s));
}

// The round functions in forms with short dependency chains through x, the
// word computed by the step before. G is folded into its step (see below).
inline std::uint32_t F(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return z ^ (x & (y ^ z)); }
inline std::uint32_t H(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ y ^ z; }
inline std::uint32_t I(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return y ^ (x | ~z); }

void complain(const char* text)
{
    std::cerr << text << std::endl;
}

} // namespace

// One step: a = b + ((a + f(b,c,d) + x + t) <<< s). The message word and the
// constant are added first, off the critical path through a.
#define MD5_STEP(f, a, b, c, d, x, t, s) \
    a += (x) + (t);                      \
    a += f(b, c, d);                     \
    a = rotl(a, s) + b;

// G(b,c,d) = (b & d) | (c & ~d); the two halves never share a bit, so they can
// be added instead, and the half without b is ready a step early.
#define MD5_STEP_G(a, b, c, d, x, t, s) \
    a += (x) + (t) + (c & ~d);          \
    a += b & d;                         \
    a = rotl(a, s) + b;

MD5::MD5()
    : state_{0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u},
      count_{0, 0},
      buffer_{},
      digest_{},
      finalized_(false)
{
}

MD5::MD5(QIODevice* device) : MD5()
{
    update(device);
    finalize();
}

MD5::MD5(FILE* file) : MD5()
{
    update(file);
    finalize();
}

MD5::MD5(std::istream& stream) : MD5()
{
    update(stream);
    finalize();
}

MD5::MD5(std::ifstream& stream) : MD5()
{
    update(stream);
    finalize();
}

void MD5::update(const unsigned char* input, std::uint32_t length)
{
    if (finalized_) {
        complain("MD5::update:  Can't update a finalized digest!");
        return;
    }
    std::size_t index = (count_[0] >> 3) & 63;
    const std::uint32_t bits = length << 3;
    count_[0] += bits;
    if (count_[0] < bits)
        ++count_[1];
    count_[1] += length >> 29;

    std::size_t done = 0;
    if (index != 0) {
        const std::size_t room = 64 - index;
        if (length < room) {
            std::memcpy(buffer_ + index, input, length);
            return;
        }
        std::memcpy(buffer_ + index, input, room);
        transform(buffer_, 1);
        done = room;
    }
    // Whole blocks straight from the caller's bytes, without copying.
    const std::size_t blocks = (length - done) / 64;
    if (blocks != 0) {
        transform(input + done, blocks);
        done += blocks * 64;
    }
    std::memcpy(buffer_, input + done, length - done);
}

void MD5::update(QIODevice* device)
{
    unsigned char chunk[kChunk];
    for (;;) {
        const qint64 got = device->read(reinterpret_cast<char*>(chunk), kChunk);
        if (got <= 0)
            break;
        update(chunk, static_cast<std::uint32_t>(got));
    }
    device->close();
}

void MD5::update(FILE* file)
{
    unsigned char chunk[kChunk];
    std::size_t got;
    while ((got = std::fread(chunk, 1, kChunk, file)) != 0)
        update(chunk, static_cast<std::uint32_t>(got));
    std::fclose(file);
}

void MD5::update(std::istream& stream)
{
    char chunk[kChunk];
    while (stream.good()) {
        stream.read(chunk, kChunk);
        update(reinterpret_cast<const unsigned char*>(chunk), static_cast<std::uint32_t>(stream.gcount()));
    }
}

void MD5::update(std::ifstream& stream)
{
    update(static_cast<std::istream&>(stream));
}

void MD5::finalize()
{
    if (finalized_) {
        complain("MD5::finalize:  Already finalized this digest!");
        return;
    }
    unsigned char length[8];
    store32(length, count_[0]);
    store32(length + 4, count_[1]);

    static const unsigned char padding[64] = {0x80};
    const std::uint32_t index = (count_[0] >> 3) & 63;
    const std::uint32_t padLength = index < 56 ? 56 - index : 120 - index;
    update(padding, padLength);
    update(length, 8);

    for (int i = 0; i < 4; ++i)
        store32(digest_ + 4 * i, state_[i]);
    std::memset(buffer_, 0, sizeof buffer_);
    finalized_ = true;
}

unsigned char* MD5::raw_digest() const
{
    if (!finalized_) {
        complain("MD5::raw_digest:  Can't get digest if you haven't finalized the digest!");
        return nullptr;
    }
    auto* raw = new unsigned char[16];
    std::memcpy(raw, digest_, 16);
    return raw;
}

char* MD5::hex_digest() const
{
    if (!finalized_) {
        complain("MD5::hex_digest:  Can't get digest if you haven't finalized the digest!");
        return new char[1]{'\0'};
    }
    static const char digits[] = "0123456789abcdef";
    auto* hex = new char[33];
    for (int i = 0; i < 16; ++i) {
        hex[2 * i] = digits[digest_[i] >> 4];
        hex[2 * i + 1] = digits[digest_[i] & 15];
    }
    hex[32] = '\0';
    return hex;
}

void MD5::transform(const unsigned char* p, std::size_t count)
{
    std::uint32_t a0 = state_[0], b0 = state_[1], c0 = state_[2], d0 = state_[3];
    for (; count != 0; --count, p += 64) {
        const std::uint32_t x0 = load32(p), x1 = load32(p + 4), x2 = load32(p + 8), x3 = load32(p + 12),
                            x4 = load32(p + 16), x5 = load32(p + 20), x6 = load32(p + 24), x7 = load32(p + 28),
                            x8 = load32(p + 32), x9 = load32(p + 36), x10 = load32(p + 40), x11 = load32(p + 44),
                            x12 = load32(p + 48), x13 = load32(p + 52), x14 = load32(p + 56), x15 = load32(p + 60);
        std::uint32_t a = a0, b = b0, c = c0, d = d0;

        MD5_STEP(F, a, b, c, d, x0, 0xd76aa478u, 7)
        MD5_STEP(F, d, a, b, c, x1, 0xe8c7b756u, 12)
        MD5_STEP(F, c, d, a, b, x2, 0x242070dbu, 17)
        MD5_STEP(F, b, c, d, a, x3, 0xc1bdceeeu, 22)
        MD5_STEP(F, a, b, c, d, x4, 0xf57c0fafu, 7)
        MD5_STEP(F, d, a, b, c, x5, 0x4787c62au, 12)
        MD5_STEP(F, c, d, a, b, x6, 0xa8304613u, 17)
        MD5_STEP(F, b, c, d, a, x7, 0xfd469501u, 22)
        MD5_STEP(F, a, b, c, d, x8, 0x698098d8u, 7)
        MD5_STEP(F, d, a, b, c, x9, 0x8b44f7afu, 12)
        MD5_STEP(F, c, d, a, b, x10, 0xffff5bb1u, 17)
        MD5_STEP(F, b, c, d, a, x11, 0x895cd7beu, 22)
        MD5_STEP(F, a, b, c, d, x12, 0x6b901122u, 7)
        MD5_STEP(F, d, a, b, c, x13, 0xfd987193u, 12)
        MD5_STEP(F, c, d, a, b, x14, 0xa679438eu, 17)
        MD5_STEP(F, b, c, d, a, x15, 0x49b40821u, 22)

        MD5_STEP_G(a, b, c, d, x1, 0xf61e2562u, 5)
        MD5_STEP_G(d, a, b, c, x6, 0xc040b340u, 9)
        MD5_STEP_G(c, d, a, b, x11, 0x265e5a51u, 14)
        MD5_STEP_G(b, c, d, a, x0, 0xe9b6c7aau, 20)
        MD5_STEP_G(a, b, c, d, x5, 0xd62f105du, 5)
        MD5_STEP_G(d, a, b, c, x10, 0x02441453u, 9)
        MD5_STEP_G(c, d, a, b, x15, 0xd8a1e681u, 14)
        MD5_STEP_G(b, c, d, a, x4, 0xe7d3fbc8u, 20)
        MD5_STEP_G(a, b, c, d, x9, 0x21e1cde6u, 5)
        MD5_STEP_G(d, a, b, c, x14, 0xc33707d6u, 9)
        MD5_STEP_G(c, d, a, b, x3, 0xf4d50d87u, 14)
        MD5_STEP_G(b, c, d, a, x8, 0x455a14edu, 20)
        MD5_STEP_G(a, b, c, d, x13, 0xa9e3e905u, 5)
        MD5_STEP_G(d, a, b, c, x2, 0xfcefa3f8u, 9)
        MD5_STEP_G(c, d, a, b, x7, 0x676f02d9u, 14)
        MD5_STEP_G(b, c, d, a, x12, 0x8d2a4c8au, 20)

        MD5_STEP(H, a, b, c, d, x5, 0xfffa3942u, 4)
        MD5_STEP(H, d, a, b, c, x8, 0x8771f681u, 11)
        MD5_STEP(H, c, d, a, b, x11, 0x6d9d6122u, 16)
        MD5_STEP(H, b, c, d, a, x14, 0xfde5380cu, 23)
        MD5_STEP(H, a, b, c, d, x1, 0xa4beea44u, 4)
        MD5_STEP(H, d, a, b, c, x4, 0x4bdecfa9u, 11)
        MD5_STEP(H, c, d, a, b, x7, 0xf6bb4b60u, 16)
        MD5_STEP(H, b, c, d, a, x10, 0xbebfbc70u, 23)
        MD5_STEP(H, a, b, c, d, x13, 0x289b7ec6u, 4)
        MD5_STEP(H, d, a, b, c, x0, 0xeaa127fau, 11)
        MD5_STEP(H, c, d, a, b, x3, 0xd4ef3085u, 16)
        MD5_STEP(H, b, c, d, a, x6, 0x04881d05u, 23)
        MD5_STEP(H, a, b, c, d, x9, 0xd9d4d039u, 4)
        MD5_STEP(H, d, a, b, c, x12, 0xe6db99e5u, 11)
        MD5_STEP(H, c, d, a, b, x15, 0x1fa27cf8u, 16)
        MD5_STEP(H, b, c, d, a, x2, 0xc4ac5665u, 23)

        MD5_STEP(I, a, b, c, d, x0, 0xf4292244u, 6)
        MD5_STEP(I, d, a, b, c, x7, 0x432aff97u, 10)
        MD5_STEP(I, c, d, a, b, x14, 0xab9423a7u, 15)
        MD5_STEP(I, b, c, d, a, x5, 0xfc93a039u, 21)
        MD5_STEP(I, a, b, c, d, x12, 0x655b59c3u, 6)
        MD5_STEP(I, d, a, b, c, x3, 0x8f0ccc92u, 10)
        MD5_STEP(I, c, d, a, b, x10, 0xffeff47du, 15)
        MD5_STEP(I, b, c, d, a, x1, 0x85845dd1u, 21)
        MD5_STEP(I, a, b, c, d, x8, 0x6fa87e4fu, 6)
        MD5_STEP(I, d, a, b, c, x15, 0xfe2ce6e0u, 10)
        MD5_STEP(I, c, d, a, b, x6, 0xa3014314u, 15)
        MD5_STEP(I, b, c, d, a, x13, 0x4e0811a1u, 21)
        MD5_STEP(I, a, b, c, d, x4, 0xf7537e82u, 6)
        MD5_STEP(I, d, a, b, c, x11, 0xbd3af235u, 10)
        MD5_STEP(I, c, d, a, b, x2, 0x2ad7d2bbu, 15)
        MD5_STEP(I, b, c, d, a, x9, 0xeb86d391u, 21)

        a0 += a;
        b0 += b;
        c0 += c;
        d0 += d;
    }
    state_[0] = a0;
    state_[1] = b0;
    state_[2] = c0;
    state_[3] = d0;
}

#undef MD5_STEP
#undef MD5_STEP_G
