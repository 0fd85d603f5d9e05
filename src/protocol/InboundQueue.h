#pragma once
// The queue between an endpoint's receive thread and its window: the
// receive thread appends each checked plaintext, the window's timer on the
// GUI thread takes one per tick and dispatches it. Every block keeps its own
// length. The lock is held only around the append and the removal, never
// while a message is handled.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace kel {

class InboundQueue {
public:
    using Block = std::vector<uint8_t>;

    void Push(Block block) {
        std::lock_guard<std::mutex> guard(lock_);
        blocks_.push_back(std::move(block));
    }

    // The oldest block, or nullopt when the queue is empty.
    std::optional<Block> Pop() {
        std::lock_guard<std::mutex> guard(lock_);
        if (blocks_.empty())
            return std::nullopt;
        Block b = std::move(blocks_.front());
        blocks_.pop_front();
        return b;
    }

    size_t Size() const {
        std::lock_guard<std::mutex> guard(lock_);
        return blocks_.size();
    }

    void Clear() {
        std::deque<Block> dropped;
        {
            std::lock_guard<std::mutex> guard(lock_);
            dropped.swap(blocks_);
        }
        // The blocks are freed outside the lock.
    }

private:
    mutable std::mutex lock_;
    std::deque<Block> blocks_;
};

} // namespace kel
