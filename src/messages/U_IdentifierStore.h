#pragma once

#include "messages/U_Identifier.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

/// The bytes of every interned text, in blocks that never move. A key is
/// built at the end of the last block; when it outgrows that block, the part
/// built so far is copied to a new block, so every kept text is contiguous. A
/// block made for a long key is at least twice the part built so far (or
/// sized at once for the bytes about to be appended), and a block that held
/// nothing but that part is freed, so a key costs a small multiple of its
/// length. Blocks holding kept keys are freed only with the arena.
class U_IdentifierArena {
public:
    // Size of the first block and of every new block made for a short key.
    static constexpr std::size_t kBlockSize = 30;
    // Longest key taken, its NUL included: bit numbers of longer keys would
    // not fit the trie's 32-bit bit indices.
    static constexpr std::size_t kMaxKeyLength = 0x0FFFFFFF;

    // An arena of one empty block of kBlockSize bytes.
    U_IdentifierArena();
    ~U_IdentifierArena();
    U_IdentifierArena(const U_IdentifierArena&) = delete;
    U_IdentifierArena& operator=(const U_IdentifierArena&) = delete;

    // Appends a byte to the key being built. Throws std::bad_alloc, or
    // std::length_error when the key grows past kMaxKeyLength.
    void appendByte(char byte)
    {
        if (current_ == end_)
            newBlock(1);
        *current_++ = byte;
    }
    // Appends count bytes to the key being built, making room for them and
    // the NUL that will finish the key in one step; throws as appendByte.
    void appendBytes(const char* bytes, std::size_t count);
    // Appends the terminating NUL and gives the key being built: its start
    // and its length including the NUL. Throws as appendByte.
    std::pair<const char*, std::int32_t> finishKey();
    // Keeps the key built so far: the next key starts after it.
    void keepKey() noexcept { keyStart_ = current_; }
    // Gives back the bytes of the key being built.
    void dropKey() noexcept { current_ = keyStart_; }

    // Number of blocks the arena holds now.
    std::size_t blockCount() const noexcept { return blockCount_; }
    // Bytes the arena holds now: every block with its header.
    std::size_t byteCount() const noexcept { return byteCount_; }

private:
    // Header of a block; the block's bytes follow it in the same allocation.
    struct Block {
        Block* previous;
    };
    // Moves the key being built to a new block with room for at least more
    // bytes after it.
    void newBlock(std::size_t more);

    Block* last_ = nullptr;
    char* current_ = nullptr;
    char* end_ = nullptr;
    char* keyStart_ = nullptr;
    std::size_t blockCount_ = 0;
    std::size_t byteCount_ = 0;
};

/// The pool that interns identifiers: a PATRICIA trie (a crit-bit trie whose
/// nodes hold the keys) over texts kept in a U_IdentifierArena. A lookup
/// follows at most one link per distinguishing bit, then compares one key in
/// full. Texts are never removed, so an identifier stays valid while its store
/// lives; the process-wide store lives until exit.
class U_IdentifierStore {
public:
    // The process-wide store, made on the first call and destroyed at exit.
    static U_IdentifierStore& instance();

    // A store that holds only the empty text. The program uses instance();
    // separate stores are for measuring and testing the store itself.
    U_IdentifierStore();
    ~U_IdentifierStore();
    U_IdentifierStore(const U_IdentifierStore&) = delete;
    U_IdentifierStore& operator=(const U_IdentifierStore&) = delete;

    // The identifier of text up to its first NUL, made on the first request.
    // Throws std::bad_alloc, or std::length_error for a text longer than the
    // arena takes; the store is then unchanged.
    U_Identifier intern(const char* text);

    // Number of distinct texts held, the empty text included.
    std::size_t size() const noexcept;
    const U_IdentifierArena& arena() const noexcept { return arena_; }

private:
    // The trie's nodes are numbered in the order they were made and refer to
    // one another by number, so they may move as their arrays grow. Each node
    // is split in two, so that the part every lookup walks stays small.
    struct Node;     // bit index and links: walked by every lookup
    struct NodeKey;  // the key and its length: read once per lookup

    // Finds the node of the key being built in the arena, or keeps the key and
    // makes a node for it; gives the node's number.
    std::uint32_t lookupOrInsert();
    // Makes sure one more node fits without moving the nodes.
    void reserveNode();

    U_IdentifierArena arena_;
    std::vector<Node> nodes_;
    std::vector<NodeKey> keys_;
    std::uint32_t root_ = 0;
};
