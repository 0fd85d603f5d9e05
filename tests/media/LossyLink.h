#pragma once
// An in-process datagram link for tests: datagrams wait in a queue until the
// test delivers them, and a fixed pattern loses, duplicates and reorders
// some of them, so that every run is the same.
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace kel::test {

struct Datagram {
    uint32_t ip = 0;
    uint16_t port = 0;
    std::vector<uint8_t> bytes;
};

class LossyLink {
public:
    // Of every `period` datagrams: the one at `lose` is lost, the one at
    // `dup` sent twice and the one at `swap` overtakes the one before it.
    // A period of 0 passes everything unchanged.
    int period = 0, lose = -1, dup = -1, swap = -1;

    void Push(uint32_t ip, uint16_t port, const uint8_t* data, int32_t len) {
        Datagram d{ip, port, std::vector<uint8_t>(data, data + len)};
        const int k = period ? int(count_++ % uint64_t(period)) : -2;
        if (k == lose) { ++lost; return; }
        if (k == swap && !queue_.empty()) {
            queue_.insert(queue_.end() - 1, d);
            return;
        }
        queue_.push_back(d);
        if (k == dup) queue_.push_back(d);
    }
    // Hands every waiting datagram (and those sent while handing) to `to`.
    void Deliver(const std::function<void(const Datagram&)>& to) {
        while (!queue_.empty()) {
            Datagram d = std::move(queue_.front());
            queue_.pop_front();
            to(d);
        }
    }
    size_t Waiting() const { return queue_.size(); }
    std::vector<Datagram> Drain() {
        std::vector<Datagram> v(queue_.begin(), queue_.end());
        queue_.clear();
        return v;
    }
    uint64_t lost = 0;

private:
    std::deque<Datagram> queue_;
    uint64_t count_ = 0;
};

} // namespace kel::test
