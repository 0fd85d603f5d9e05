#pragma once
// A pool of fixed-size memory blocks: per-datagram buffers cost a lock and a
// pop instead of a heap call once the pool has warmed up.
//
// Every block, pooled or not, is preceded by an 8-byte header (reference
// count, dedicated flag); the address handed out is 8 bytes past the header.
// Blocks come from slabs of 100; slabs are kept until the pool is destroyed.
// A request larger than the block size gets a dedicated heap allocation with
// the same header. Freeing a block that is already free changes nothing.
//
// Safe from any thread.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "foundation/DataStructure.h"

namespace kel {

class TBlockMemoryMng {
public:
    static constexpr uint32_t kHeaderSize = 8;
    static constexpr int32_t kBlocksPerSlab = 100;

    // BlockSize + header, rounded up to a multiple of 4.
    static constexpr uint32_t StrideFor(uint32_t block_size) { return (block_size + kHeaderSize + 3u) & ~3u; }

    // Whether a record of type T may live in the blocks of a pool sized for
    // it: every block address is slab start + k * stride + 8, and slabs come
    // from the heap aligned for any fundamental type.
    template <typename T>
    static constexpr bool Fits() {
        return StrideFor(sizeof(T)) % alignof(T) == 0 && kHeaderSize % alignof(T) == 0 &&
               alignof(T) <= alignof(std::max_align_t);
    }

    explicit TBlockMemoryMng(uint32_t block_size);
    ~TBlockMemoryMng();
    TBlockMemoryMng(const TBlockMemoryMng&) = delete;
    TBlockMemoryMng& operator=(const TBlockMemoryMng&) = delete;

    // A block of at least `size` bytes, or nullptr when no memory could be had.
    void* GetBlock(uint32_t size);
    void FreeBlock(void* block);

    uint32_t BlockSize() const { return block_size_; }
    uint32_t Stride() const { return stride_; }
    // Pooled blocks made so far (a multiple of 100).
    int32_t Total() const;
    // Pooled blocks currently free.
    int32_t FreeCount() const;

private:
    struct Header {
        int32_t ref_count;
        uint8_t dedicated;
    };
    static_assert(sizeof(Header) <= kHeaderSize);

    bool Grow();

    mutable std::mutex lock_;
    std::vector<void*> slabs_;
    TThreadStack free_;
    int32_t total_ = 0;
    uint32_t block_size_;
    uint32_t stride_;
};

} // namespace kel
