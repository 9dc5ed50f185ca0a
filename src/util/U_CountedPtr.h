#pragma once

#include <cstdint>
#include <utility>

namespace u_counted_detail {

// The control block without its object's type, so that the last release can
// happen out of line (so that the compiler does not mistake a release of a
// still-shared block for a use after the delete on the other branch).
struct BlockBase {
    std::uint32_t count;
    void (*destroy)(BlockBase*) noexcept;
};

// Drops one count of block (not null); destroys the block and its object
// when it was the last one.
void releaseBlock(BlockBase* block) noexcept;

} // namespace u_counted_detail

/// Non-intrusive counted holder for shared objects that do not derive from
/// U_Ref (the current product, translated input files, record tables).
template <class T>
class U_CountedPtr {
public:
    U_CountedPtr() noexcept = default;
    // Allocates the control block even for a null pointer.
    explicit U_CountedPtr(T* p) : block_(new Block{{1, &Block::destroyBlock}, p}) {}
    U_CountedPtr(const U_CountedPtr& other) noexcept : block_(other.block_)
    {
        if (block_)
            ++block_->count;
    }
    U_CountedPtr(U_CountedPtr&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
    ~U_CountedPtr() { release(); }

    U_CountedPtr& operator=(const U_CountedPtr& other) noexcept
    {
        if (block_ == other.block_)
            return *this;
        release();
        block_ = other.block_;
        if (block_)
            ++block_->count;
        return *this;
    }
    U_CountedPtr& operator=(U_CountedPtr&& other) noexcept
    {
        if (this != &other) {
            release();
            block_ = std::exchange(other.block_, nullptr);
        }
        return *this;
    }

    T* get() const noexcept { return block_ ? block_->object : nullptr; }
    T* operator->() const noexcept { return get(); }
    T& operator*() const noexcept { return *get(); }
    bool isValid() const noexcept { return block_ && block_->object; }
    explicit operator bool() const noexcept { return isValid(); }
    // Number of holders sharing the block; 0 for an empty holder.
    std::uint32_t useCount() const noexcept { return block_ ? block_->count : 0; }

    void release() noexcept
    {
        if (block_)
            u_counted_detail::releaseBlock(block_);
        block_ = nullptr;
    }

private:
    struct Block : u_counted_detail::BlockBase {
        T* object;
        static void destroyBlock(u_counted_detail::BlockBase* base) noexcept
        {
            Block* block = static_cast<Block*>(base);
            delete block->object;
            delete block;
        }
    };
    Block* block_ = nullptr;
};
