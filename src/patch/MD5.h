#pragma once

#include <cstdint>
#include <cstdio>
#include <iosfwd>

class QIODevice;

/// RFC 1321 message digest of a file's content; the patch cache compares
/// digests to decide whether a file changed since it was last diffed. Never
/// throws: misuse (updating or finalizing twice, reading the digest too early)
/// only writes a line to standard error and changes nothing.
class MD5 {
public:
    MD5();
    // Each of these digests the whole source at once and is finalized.
    explicit MD5(QIODevice* device);
    explicit MD5(FILE* file);
    explicit MD5(std::istream& stream);
    explicit MD5(std::ifstream& stream);

    // Adds length bytes from input.
    void update(const unsigned char* input, std::uint32_t length);
    // Adds everything the device still yields, in reads of at most 1024
    // bytes, then closes the device. An unreadable device adds nothing.
    void update(QIODevice* device);
    // Adds everything fread still yields, then closes the file with fclose.
    void update(FILE* file);
    // Adds what the stream yields while it is good; leaves it open.
    void update(std::istream& stream);
    void update(std::ifstream& stream);

    // Pads the input, appends its bit length and makes the digest.
    void finalize();

    // A new[]-allocated array of the 16 digest bytes, owned by the caller;
    // null before finalize.
    unsigned char* raw_digest() const;
    // A new[]-allocated NUL-terminated text of 32 lower-case hexadecimal
    // digits, owned by the caller; the empty text before finalize.
    char* hex_digest() const;

private:
    // Runs the compression function over count consecutive 64-byte blocks.
    void transform(const unsigned char* blocks, std::size_t count);

    std::uint32_t state_[4];
    std::uint32_t count_[2];  // input length in bits, low word first
    unsigned char buffer_[64];
    unsigned char digest_[16];
    bool finalized_;
};
