#include "messages/U_IdentifierStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

TEST(U_IdentifierStore, SameTextSameIdentifier)
{
    struct Row {
        const char* a;
        const char* b;
        bool same;
    };
    const Row rows[] = {
        {"abc", "abc", true},
        {"abc", "abd", false},
        {"ab", "abc", false},   // one a prefix of the other
        {"", "", true},
        {"", "a", false},
        {"a\0b", "a\0c", true}, // only the bytes before the NUL count
        {"a\0b", "a", true},
        {"\x80", "\x81", false},
        {"\x01", "\x02", false},
    };
    U_IdentifierStore store;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.a) + " / " + row.b);
        const U_Identifier a = store.intern(row.a);
        const U_Identifier b = store.intern(row.b);
        EXPECT_EQ(row.same, a == b);
        EXPECT_EQ(row.same, a.c_str() == b.c_str());
        EXPECT_STREQ(row.a, a.c_str());
        EXPECT_STREQ(row.b, b.c_str());
    }
}

TEST(U_IdentifierStore, EmptyTextIsThereFromTheStart)
{
    U_IdentifierStore store;
    EXPECT_EQ(1u, store.size());
    const U_Identifier empty = store.intern("");
    EXPECT_EQ(empty, store.intern(""));
    EXPECT_STREQ("", empty.c_str());
    EXPECT_EQ(1u, store.size());
    EXPECT_EQ(1u, store.arena().blockCount());
}

TEST(U_IdentifierStore, ProcessWideIdentifiers)
{
    const U_Identifier a("MACRO_NAME");
    const std::string copy = "MACRO_NAME";
    EXPECT_EQ(a, U_Identifier(copy.c_str()));
    EXPECT_EQ(a, U_IdentifierStore::instance().intern("MACRO_NAME"));
    EXPECT_NE(a, U_Identifier("MACRO_NAMF"));
    EXPECT_STREQ("MACRO_NAME", a.c_str());
    // The order is a strict weak order by address, fit for map keys.
    const U_Identifier b("OTHER");
    EXPECT_NE(a < b, b < a);
    EXPECT_FALSE(a < a);
}

TEST(U_IdentifierStore, LongSharedPrefixesStayDistinct)
{
    const std::string prefix(300, 'p');
    std::vector<std::string> texts;
    for (int c = 1; c < 256; ++c)  // differing only in the last byte
        texts.push_back(prefix + static_cast<char>(c));
    for (int i = 0; i < 1000; ++i)
        texts.push_back(prefix + "_" + std::to_string(i));
    // Each a prefix of the next: a trie path far deeper than a usual search.
    for (std::size_t n = 1; n <= prefix.size(); ++n)
        texts.push_back(prefix.substr(0, n));

    U_IdentifierStore store;
    std::vector<const char*> first;
    for (const std::string& text : texts)
        first.push_back(store.intern(text.c_str()).c_str());
    EXPECT_EQ(texts.size() + 1, store.size());

    std::map<const char*, std::size_t> seen;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ASSERT_STREQ(texts[i].c_str(), first[i]) << i;
        ASSERT_TRUE(seen.emplace(first[i], i).second) << "texts " << i << " and " << seen[first[i]] << " share one identifier";
    }
    for (std::size_t i = texts.size(); i-- > 0;)  // found again, in the other order
        ASSERT_EQ(first[i], store.intern(texts[i].c_str()).c_str()) << i;
    EXPECT_EQ(texts.size() + 1, store.size());
}

TEST(U_IdentifierStore, AgreesWithAMapOnRandomTexts)
{
    // A small alphabet with high and low bytes makes many keys share bits.
    const char alphabet[] = {'A', 'B', '_', '\x01', '\x7f', '\x80', '\xff'};
    std::mt19937 random(4711);
    std::map<std::string, const char*> expected;
    U_IdentifierStore store;
    for (int i = 0; i < 20000; ++i) {
        std::string text(random() % 40, ' ');
        for (char& c : text)
            c = alphabet[random() % sizeof alphabet];
        const char* key = store.intern(text.c_str()).c_str();
        ASSERT_EQ(text, key);
        const auto [at, inserted] = expected.emplace(text, key);
        if (!inserted) {
            ASSERT_EQ(at->second, key) << "interned twice: " << text;
        }
    }
    EXPECT_EQ(expected.size() + (expected.count("") ? 0 : 1), store.size());
    for (const auto& [text, key] : expected)
        ASSERT_EQ(key, store.intern(text.c_str()).c_str());
}

TEST(U_IdentifierStore, KeysMoveToNewBlocksWhole)
{
    // The first block (30 bytes) holds the empty text at its start.
    U_IdentifierStore store;
    const char* empty = store.intern("").c_str();
    const std::size_t blockHeader = store.arena().byteCount() - 30;

    const std::string ten = "abcdefghij";
    const char* tenKey = store.intern(ten.c_str()).c_str();
    EXPECT_EQ(empty + 1, tenKey);  // bytes 1 to 11 of the first block
    EXPECT_EQ(1u, store.arena().blockCount());

    // 25 bytes and the NUL do not fit in the 18 left: the key goes to a new
    // 30-byte block, and the first block stays for the keys it holds.
    const std::string twentyFive(25, 'x');
    const char* twentyFiveKey = store.intern(twentyFive.c_str()).c_str();
    EXPECT_EQ(2u, store.arena().blockCount());
    EXPECT_STREQ(twentyFive.c_str(), twentyFiveKey);
    EXPECT_TRUE(twentyFiveKey < empty || twentyFiveKey >= empty + 30);

    // Fills the second block exactly.
    const char* threeKey = store.intern("xyz").c_str();
    EXPECT_EQ(twentyFiveKey + 26, threeKey);
    EXPECT_EQ(2u, store.arena().blockCount());
    const char* oneKey = store.intern("q").c_str();
    EXPECT_EQ(3u, store.arena().blockCount());

    // A key longer than a block gets one block sized for it at once.
    const std::string hundred(100, 'L');
    const char* hundredKey = store.intern(hundred.c_str()).c_str();
    EXPECT_EQ(4u, store.arena().blockCount());
    EXPECT_EQ(4 * blockHeader + 3 * 30 + 101, store.arena().byteCount());
    EXPECT_STREQ(hundred.c_str(), hundredKey);
    const char* abcKey = store.intern("abc").c_str();
    EXPECT_EQ(5u, store.arena().blockCount());

    // Earlier identifiers kept their places and are found there again.
    EXPECT_EQ(empty, store.intern("").c_str());
    EXPECT_EQ(tenKey, store.intern(ten.c_str()).c_str());
    EXPECT_EQ(twentyFiveKey, store.intern(twentyFive.c_str()).c_str());
    EXPECT_EQ(threeKey, store.intern("xyz").c_str());
    EXPECT_EQ(oneKey, store.intern("q").c_str());
    EXPECT_EQ(hundredKey, store.intern(hundred.c_str()).c_str());
    EXPECT_EQ(abcKey, store.intern("abc").c_str());
    EXPECT_STREQ(ten.c_str(), tenKey);
    EXPECT_STREQ(twentyFive.c_str(), twentyFiveKey);
    EXPECT_EQ(7u, store.size());
}

// A key built byte by byte moves to blocks twice the size of what it has so
// far; each block it leaves held nothing else and is freed.
TEST(U_IdentifierArena, LongKeyGrowsGeometrically)
{
    U_IdentifierArena arena;
    const std::size_t blockHeader = arena.byteCount() - 30;
    std::string expected;
    std::size_t size = 30;
    for (int i = 0; i < 200; ++i) {
        const char c = static_cast<char>('a' + i % 26);
        arena.appendByte(c);
        expected += c;
        if (expected.size() > size)
            size *= 2;
        ASSERT_EQ(1u, arena.blockCount()) << i;
        ASSERT_EQ(blockHeader + size, arena.byteCount()) << i;
    }
    EXPECT_EQ(240u, size);
    const auto [key, length] = arena.finishKey();
    EXPECT_EQ(201, length);
    EXPECT_EQ(expected, key);

    // Once a key is kept, its block stays: the next long key leaves a copy
    // of its first bytes behind in it.
    arena.keepKey();
    for (int i = 0; i < 100; ++i)
        arena.appendByte('z');
    EXPECT_EQ(2u, arena.blockCount());
    EXPECT_EQ(expected, key);
}

// One identifier of a million bytes costs a small multiple of its length,
// whether interned whole or built byte by byte; identifiers interned before
// and after it keep their texts and addresses.
TEST(U_IdentifierStore, LongIdentifierCostsLinearMemory)
{
    std::string huge(1000000, ' ');
    for (std::size_t i = 0; i < huge.size(); ++i)
        huge[i] = static_cast<char>('A' + i % 23);
    const std::vector<std::string> before = {"FIRST", std::string(29, 'b'), std::string(300, 'c')};

    U_IdentifierStore store;
    std::vector<const char*> keys;
    for (const std::string& text : before)
        keys.push_back(store.intern(text.c_str()).c_str());
    const std::size_t start = store.arena().byteCount();

    const char* hugeKey = store.intern(huge.c_str()).c_str();
    EXPECT_EQ(huge, hugeKey);
    EXPECT_LT(store.arena().byteCount() - start, 2 * huge.size());
    EXPECT_EQ(hugeKey, store.intern(huge.c_str()).c_str());
    EXPECT_LT(store.arena().byteCount() - start, 3 * huge.size());
    const char* afterKey = store.intern("AFTER").c_str();

    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(before[i], keys[i]);
        EXPECT_EQ(keys[i], store.intern(before[i].c_str()).c_str());
    }
    EXPECT_EQ(huge, hugeKey);
    EXPECT_EQ(afterKey, store.intern("AFTER").c_str());

    U_IdentifierArena arena;
    for (const char c : huge)
        arena.appendByte(c);
    EXPECT_EQ(huge, arena.finishKey().first);
    EXPECT_LT(arena.byteCount(), 3 * huge.size());
}
