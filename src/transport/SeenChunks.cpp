#include "transport/SeenChunks.h"

namespace kel {

size_t SeenChunks::Hash::operator()(const Key& k) const noexcept {
    // The fields in one 64-bit word, mixed by a multiplication so that
    // consecutive ids from one sender spread over the buckets.
    const uint64_t x = (static_cast<uint64_t>(k.ip) << 32 | static_cast<uint32_t>(k.id)) ^
                       (static_cast<uint64_t>(k.port) << 20);
    return static_cast<size_t>((x * 0x9E3779B97F4A7C15ull) >> 16);
}

SeenChunks::SeenChunks(size_t limit) : limit_(limit) {
    // Room for every key the memory can hold: it never grows its table.
    keys_.reserve(limit + 2);
}

bool SeenChunks::Remember(uint32_t ip, uint16_t port, int32_t chunk_id) {
    const Key key{ip, port, chunk_id};
    if (keys_.count(key) != 0) return false;
    if (order_.size() > limit_) {
        keys_.erase(order_.front());
        order_.pop_front();
    }
    keys_.insert(key);
    order_.push_back(key);
    return true;
}

void SeenChunks::Clear() {
    keys_.clear();
    order_.clear();
}

} // namespace kel
