#include "foundation/BlockMemoryMng.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace kel {

TBlockMemoryMng::TBlockMemoryMng(uint32_t block_size) : block_size_(block_size), stride_(StrideFor(block_size)) {}

TBlockMemoryMng::~TBlockMemoryMng() {
    std::lock_guard g(lock_);
    for (void* s : slabs_) std::free(s);
}

bool TBlockMemoryMng::Grow() {
    const size_t bytes = static_cast<size_t>(stride_) * kBlocksPerSlab;
    auto* slab = static_cast<uint8_t*>(std::calloc(1, bytes));
    if (!slab) return false;
    try {
        slabs_.push_back(slab);
    } catch (const std::bad_alloc&) {
        std::free(slab);
        return false;
    }
    // Pushed in address order, so the block at the highest address is on top.
    for (int32_t i = 0; i < kBlocksPerSlab; ++i) free_.Push(slab + static_cast<size_t>(i) * stride_);
    total_ += kBlocksPerSlab;
    return true;
}

void* TBlockMemoryMng::GetBlock(uint32_t size) {
    if (size > block_size_) {
        auto* raw = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size) + kHeaderSize));
        if (!raw) return nullptr;
        auto* h = reinterpret_cast<Header*>(raw);
        h->ref_count = 1;
        h->dedicated = 1;
        return raw + kHeaderSize;
    }
    std::lock_guard g(lock_);
    void* top = nullptr;
    try {
        if (free_.Count() == 0 && !Grow()) return nullptr;
        if (!free_.Pop(top)) return nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    auto* h = static_cast<Header*>(top);
    h->ref_count = 1;
    h->dedicated = 0;
    return static_cast<uint8_t*>(top) + kHeaderSize;
}

void TBlockMemoryMng::FreeBlock(void* block) {
    if (!block) return;
    auto* raw = static_cast<uint8_t*>(block) - kHeaderSize;
    auto* h = reinterpret_cast<Header*>(raw);
    std::lock_guard g(lock_);
    if (h->ref_count <= 0) return;
    if (--h->ref_count > 0) return;
    if (h->dedicated)
        std::free(raw);
    else
        free_.Push(raw);
}

int32_t TBlockMemoryMng::Total() const {
    std::lock_guard g(lock_);
    return total_;
}

int32_t TBlockMemoryMng::FreeCount() const {
    std::lock_guard g(lock_);
    return free_.Count();
}

} // namespace kel
