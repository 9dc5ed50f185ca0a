#include "messages/U_IdentifierStore.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace {

constexpr std::int32_t kBottomBitIndex = 0x7FFFFFFF;

// Bit b of a key: bit b mod 8 (least significant first) of byte b div 8;
// bytes at or after the key's length read as 0. kMaxKeyLength keeps the byte
// of kBottomBitIndex past every key.
inline unsigned keyBit(const unsigned char* key, std::int32_t length, std::int32_t b) noexcept
{
    const std::int32_t byte = b >> 3;
    return byte < length ? (key[byte] >> (b & 7)) & 1u : 0u;
}

[[noreturn]] void throwTooLong()
{
    throw std::length_error("identifier too long");
}

} // namespace

// ---------------------------------------------------------------- arena

U_IdentifierArena::U_IdentifierArena()
{
    newBlock(1);
}

U_IdentifierArena::~U_IdentifierArena()
{
    while (last_) {
        Block* previous = last_->previous;
        ::operator delete(last_);
        last_ = previous;
    }
}

void U_IdentifierArena::newBlock(std::size_t more)
{
    const std::size_t built = static_cast<std::size_t>(current_ - keyStart_);
    if (more > kMaxKeyLength - built)
        throwTooLong();
    const std::size_t needed = built + more;
    // Doubling keeps the bytes copied while one long key grows linear in its
    // length; a new block per few bytes would copy the key again each time.
    const std::size_t size =
        needed <= kBlockSize ? kBlockSize : std::max(needed, std::min(2 * built, kMaxKeyLength));
    auto* block = static_cast<Block*>(::operator new(sizeof(Block) + size));
    char* begin = reinterpret_cast<char*>(block + 1);
    if (built)
        std::memcpy(begin, keyStart_, built);
    // A block that starts with the key being built holds no kept key: only
    // the copy just made, so it can go. It is the last block, which ends at
    // end_.
    Block* previous = last_;
    if (last_ && keyStart_ == reinterpret_cast<char*>(last_ + 1)) {
        previous = last_->previous;
        byteCount_ -= static_cast<std::size_t>(end_ - reinterpret_cast<char*>(last_));
        --blockCount_;
        ::operator delete(last_);
    }
    block->previous = previous;
    last_ = block;
    keyStart_ = begin;
    current_ = begin + built;
    end_ = begin + size;
    ++blockCount_;
    byteCount_ += sizeof(Block) + size;
}

void U_IdentifierArena::appendBytes(const char* bytes, std::size_t count)
{
    if (count >= static_cast<std::size_t>(end_ - current_)) {
        if (count >= kMaxKeyLength)
            throwTooLong();
        newBlock(count + 1);
    }
    if (count)
        std::memcpy(current_, bytes, count);
    current_ += count;
}

std::pair<const char*, std::int32_t> U_IdentifierArena::finishKey()
{
    appendByte('\0');
    const std::size_t length = static_cast<std::size_t>(current_ - keyStart_);
    if (length > kMaxKeyLength)
        throwTooLong();
    return {keyStart_, static_cast<std::int32_t>(length)};
}

// ---------------------------------------------------------------- trie

struct U_IdentifierStore::Node {
    std::int32_t bitIndex;
    std::uint32_t link[2];  // left (bit 0), right (bit 1)
};

struct U_IdentifierStore::NodeKey {
    const char* key;
    std::int32_t keyLength;  // including the NUL
};

U_IdentifierStore& U_IdentifierStore::instance()
{
    static U_IdentifierStore store;
    return store;
}

U_IdentifierStore::U_IdentifierStore()
{
    // The empty text is interned from the start. Its node keeps the largest bit
    // index, so it stays at the bottom of the trie and both its links stay
    // back links to itself.
    const auto [key, length] = arena_.finishKey();
    arena_.keepKey();
    reserveNode();
    nodes_.push_back(Node{kBottomBitIndex, {0, 0}});
    keys_.push_back(NodeKey{key, length});
    root_ = 0;
}

U_IdentifierStore::~U_IdentifierStore() = default;

std::size_t U_IdentifierStore::size() const noexcept
{
    return nodes_.size();
}

void U_IdentifierStore::reserveNode()
{
    constexpr std::size_t kFirstNodes = 16;
    constexpr std::size_t kMaxNodes = 0xFFFFFFFFu;  // numbered in 32 bits
    const std::size_t count = nodes_.size();
    if (count < nodes_.capacity() && count < keys_.capacity())
        return;
    if (count >= kMaxNodes)
        throw std::length_error("too many identifiers");
    const std::size_t capacity = count < kFirstNodes ? kFirstNodes : std::min(count * 2, kMaxNodes);
    nodes_.reserve(capacity);
    keys_.reserve(capacity);
}

U_Identifier U_IdentifierStore::intern(const char* text)
{
    try {
        arena_.appendBytes(text, std::strlen(text));
        return U_Identifier(U_Identifier::Interned{}, keys_[lookupOrInsert()].key);
    } catch (...) {
        arena_.dropKey();
        throw;
    }
}

std::uint32_t U_IdentifierStore::lookupOrInsert()
{
    const auto [key, length] = arena_.finishKey();
    const auto* bytes = reinterpret_cast<const unsigned char*>(key);
    // Room for a new node is made first: the links kept below point into the
    // node array, which must not move until the new node is linked in.
    reserveNode();
    Node* const nodes = nodes_.data();

    // The first steps of the search are kept, so that an insertion need not
    // descend again: step s is the s-th node reached by a downward link (step
    // 0 is the top node, reached through root_), with the link that led there.
    constexpr int kKeptSteps = 64;
    std::uint32_t* stepLink[kKeptSteps];
    std::int32_t stepBit[kKeptSteps];

    std::uint32_t* link = &root_;
    std::uint32_t candidate = root_;
    std::int32_t index = nodes[candidate].bitIndex;
    int steps = 0;
    stepLink[0] = link;
    stepBit[0] = index;
    for (;;) {
        link = &nodes[candidate].link[keyBit(bytes, length, index)];
        candidate = *link;
        const std::int32_t next = nodes[candidate].bitIndex;
        if (next <= index)
            break;
        index = next;
        if (++steps < kKeptSteps) {
            stepLink[steps] = link;
            stepBit[steps] = next;
        }
    }

    const NodeKey& found = keys_[candidate];
    if (found.keyLength == length && std::memcmp(found.key, key, length) == 0) {
        arena_.dropKey();
        return candidate;
    }

    // Both keys end in a NUL, so they differ at or before the shorter one's end.
    const auto* other = reinterpret_cast<const unsigned char*>(found.key);
    std::int32_t at = 0;
    while (bytes[at] == other[at])
        ++at;
    const std::int32_t d = at * 8 + __builtin_ctz(bytes[at] ^ other[at]);

    // The new node goes above the first node on the search path whose bit
    // index is not below d; past the path's end, in place of the back link
    // that ended the search.
    std::uint32_t x = candidate;
    if (steps < kKeptSteps) {
        for (int s = 0; s <= steps; ++s) {
            if (d <= stepBit[s]) {
                link = stepLink[s];
                x = *link;
                break;
            }
        }
    } else {
        link = &root_;
        x = root_;
        std::int32_t previous = -1;
        while (d > nodes[x].bitIndex && previous < nodes[x].bitIndex) {
            previous = nodes[x].bitIndex;
            link = &nodes[x].link[keyBit(bytes, length, previous)];
            x = *link;
        }
    }

    arena_.keepKey();
    const auto added = static_cast<std::uint32_t>(nodes_.size());
    const unsigned side = keyBit(bytes, length, d);
    Node made{d, {0, 0}};
    made.link[side] = added;
    made.link[1 - side] = x;
    nodes_.push_back(made);  // fits: reserved above
    keys_.push_back(NodeKey{key, length});
    *link = added;
    return added;
}
