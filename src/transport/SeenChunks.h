#pragma once
// The receiver's memory of the chunks it has taken, for suppressing
// duplicates: (sender IP, sender port, chunk id) keys in arrival order.
// Before a new key is added while more than `limit` are held, the oldest is
// forgotten, so at most limit + 1 keys are held.
//
// The keys are fixed-size records in a hash set (no text, no per-key
// string): the receive thread looks one up for every chunk that arrives.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_set>

namespace kel {

class SeenChunks {
public:
    explicit SeenChunks(size_t limit);

    // False when the key is held already (a duplicate); otherwise it is
    // remembered and the result is true.
    bool Remember(uint32_t ip, uint16_t port, int32_t chunk_id);
    void Clear();
    size_t Count() const { return order_.size(); }

private:
    struct Key {
        uint32_t ip;
        uint16_t port;
        int32_t id;
        bool operator==(const Key&) const = default;
    };
    struct Hash {
        size_t operator()(const Key& k) const noexcept;
    };
    size_t limit_;
    std::unordered_set<Key, Hash> keys_;
    std::deque<Key> order_;
};

} // namespace kel
