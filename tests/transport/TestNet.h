#pragma once
// An in-process network of datagram endpoints for testing the reliable
// layer without sockets. Nothing moves on its own: every datagram waits in
// flight until the test delivers it, in order, reversed, or not at all, so a
// test decides exactly what is lost, duplicated and reordered.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "foundation/WireReader.h"
#include "platform/Tick.h"
#include "transport/DatagramEndpoint.h"

namespace kel::test {

struct Datagram {
    uint32_t from_ip = 0;
    uint16_t from_port = 0;
    uint32_t to_ip = 0;
    uint16_t to_port = 0;
    std::vector<uint8_t> bytes;
    Tick sent_at = 0;
    int copies = 0; // how many went in flight (set when sent)
};

// The header fields of a datagram of the reliable layer.
struct ChunkFields {
    int32_t marker = 0;
    int16_t type = 0;
    int32_t id = 0;
    uint16_t number = 0, total = 0, offset = 0, len = 0;
};

inline ChunkFields Fields(const std::vector<uint8_t>& b) {
    WireReader r(b.data(), b.size());
    ChunkFields f;
    f.marker = r.I32();
    f.type = r.I16();
    f.id = r.I32();
    if (f.type == 1000) {
        f.number = r.U16();
        f.total = r.U16();
        f.offset = r.U16();
        f.len = r.U16();
    }
    return f;
}

class TestNet {
public:
    class Endpoint : public IDatagramEndpoint {
    public:
        Endpoint(TestNet& net, uint32_t ip) : net_(net), ip_(ip) {}
        ~Endpoint() override { SetActive(false); }
        void SetPort(uint16_t port) override { port_ = port; }
        void SetActive(bool on) override {
            if (on == active_) return;
            active_ = on;
            if (on) {
                bound_ = port_ ? port_ : net_.next_port_++;
                net_.bound_[{ip_, bound_}] = this;
            } else {
                net_.bound_.erase({ip_, bound_});
                bound_ = 0;
            }
        }
        bool Active() const override { return active_; }
        uint16_t BoundPort() const override { return bound_; }
        void Send(uint32_t ip_net, uint16_t port, const void* data, int32_t len) override {
            if (!active_) return;
            const auto* p = static_cast<const uint8_t*>(data);
            net_.Post({ip_, bound_, ip_net, port, std::vector<uint8_t>(p, p + len), GetTickCount()});
        }
        uint32_t Ip() const { return ip_; }

    private:
        friend class TestNet;
        TestNet& net_;
        uint32_t ip_;
        uint16_t port_ = 0, bound_ = 0;
        bool active_ = false;
    };

    // How many copies of a datagram go in flight: 0 loses it, 2 duplicates it.
    std::function<int(const Datagram&)> copies = [](const Datagram&) { return 1; };
    std::deque<Datagram> in_flight;
    // Delivers each datagram inside the Send that sent it, as a fast link
    // can: the answer may arrive before Send has returned. (Not while the
    // resend timer runs: it sends under a lock that the answer needs.)
    bool instant = false;
    // Every datagram sent, once per Send call, whatever became of it.
    std::vector<Datagram> log;

    std::unique_ptr<Endpoint> MakeEndpoint(uint32_t ip) { return std::make_unique<Endpoint>(*this, ip); }

    void Post(Datagram d) {
        d.copies = copies(d);
        log.push_back(d);
        for (int i = d.copies; i > 0; --i) {
            if (instant)
                Inject(d);
            else
                in_flight.push_back(d);
        }
    }

    // Hands one datagram to whoever is bound at its destination (or drops it).
    void Inject(const Datagram& d) {
        auto it = bound_.find({d.to_ip, d.to_port});
        if (it != bound_.end() && it->second->OnRecv)
            it->second->OnRecv(d.from_ip, d.from_port, d.bytes.data(), static_cast<int32_t>(d.bytes.size()));
    }

    // Delivers in order until nothing is in flight, including what the
    // deliveries themselves send (acknowledgements).
    size_t DeliverAll() {
        size_t n = 0;
        while (!in_flight.empty() && n < 1000000) {
            Datagram d = std::move(in_flight.front());
            in_flight.pop_front();
            Inject(d);
            ++n;
        }
        return n;
    }

    // Delivers what is in flight now, last sent first; what they send waits.
    void DeliverReversed() {
        std::deque<Datagram> batch;
        batch.swap(in_flight);
        for (auto it = batch.rbegin(); it != batch.rend(); ++it) Inject(*it);
    }

    // Delivers what is in flight now in a random order; what they send waits.
    template <typename Rng>
    void DeliverShuffled(Rng& rng) {
        std::vector<Datagram> batch(std::make_move_iterator(in_flight.begin()), std::make_move_iterator(in_flight.end()));
        in_flight.clear();
        std::shuffle(batch.begin(), batch.end(), rng);
        for (const auto& d : batch) Inject(d);
    }

    // The datagrams in the log sent from `ip`, optionally only of one type.
    std::vector<Datagram> SentBy(uint32_t ip, int16_t type = 0) const {
        std::vector<Datagram> out;
        for (const auto& d : log)
            if (d.from_ip == ip && (type == 0 || Fields(d.bytes).type == type)) out.push_back(d);
        return out;
    }

private:
    std::map<std::pair<uint32_t, uint16_t>, Endpoint*> bound_;
    uint16_t next_port_ = 40000;
};

} // namespace kel::test
