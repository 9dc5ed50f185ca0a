#pragma once

// Helpers for the record tests: bytes written as hex, and readers over files
// in a test's own temporary directory.

#include "encoding/HexBytes.h"
#include "messages/R_Reader.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace recordtest {

using testbytes::hex;
using testbytes::toHex;

// Hex of int value, little-endian, for building expected bytes.
inline std::string le(std::uint32_t value)
{
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

// A counted string of text.
inline std::string counted(const std::string& text)
{
    return le(static_cast<std::uint32_t>(text.size())) + text;
}

// A reader opened on a file holding bytes, in dir.
inline std::unique_ptr<R_Reader> readerOf(const TempDir& dir, const std::string& bytes,
                                          const std::string& name = "in.err")
{
    auto reader = std::make_unique<R_Reader>(dir.write(name, bytes));
    EXPECT_TRUE(reader->open());
    return reader;
}

} // namespace recordtest
