#include "media/MediaChannels.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "protocol/MediaPackets.h"

namespace kel {

namespace {
constexpr int64_t kSeqSpace = int64_t(kMediaSeqLast) + 1;

uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
}  // namespace

int64_t MediaSeqDistance(uint32_t from, uint32_t to) {
    // Numbers above the last one never come from a well-behaved sender;
    // they are folded into the space so that the distance stays defined.
    int64_t d = (int64_t(to) % kSeqSpace - int64_t(from) % kSeqSpace) % kSeqSpace;
    if (d < 0) d += kSeqSpace;
    if (d > kSeqSpace / 2) d -= kSeqSpace;
    return d;
}

uint32_t MediaSeqNext(uint32_t s) { return s >= kMediaSeqLast ? 0 : s + 1; }

TMediaChannels::TMediaChannels(SendFn send, int slot_count, int slot_size)
    : send_(std::move(send)), slot_count_(slot_count > 0 ? slot_count : 1),
      slot_size_(slot_size > int(kMediaDataHeaderBytes) ? slot_size : int(kMediaDataHeaderBytes)) {}

bool TMediaChannels::SlotHolds(const Channel& c, uint32_t seq) const {
    if (!c.ring) return false;
    const uint8_t* slot = c.ring.get() + size_t(seq % uint32_t(slot_count_)) * size_t(slot_size_);
    return ReadU32(slot) == kMediaDataMarker && ReadU32(slot + 4) == seq;
}

void TMediaChannels::ClearChannel(Channel& c, uint32_t highest) {
    c.highest = highest;
    std::fill(c.missing.begin(), c.missing.end(), Missing{});
    if (c.ring) std::memset(c.ring.get(), 0, size_t(slot_count_) * size_t(slot_size_));
}

bool TMediaChannels::SendPack(uint8_t channel, uint32_t ip_net, uint16_t port, const void* data, int32_t len) {
    if (!MediaChannelValid(channel) || len < 0 || len > slot_size_ - int(kMediaDataHeaderBytes) ||
        size_t(len) > kMediaMaxPayload || (len > 0 && !data))
        return false;
    std::lock_guard g(lock_);
    Channel& c = ch_[channel];
    if (!c.ring) {
        // Zeroed, so that the echo check never reads a stale or random slot.
        c.ring = std::make_unique<uint8_t[]>(size_t(slot_count_) * size_t(slot_size_));
    }
    uint8_t* slot = c.ring.get() + size_t(c.send_seq % uint32_t(slot_count_)) * size_t(slot_size_);
    const size_t n = WriteMediaData(std::span<uint8_t>(slot, size_t(slot_size_)), c.send_seq, channel,
                                    std::span<const uint8_t>(static_cast<const uint8_t*>(data), size_t(len)));
    c.send_seq = MediaSeqNext(c.send_seq);
    if (n) send_(ip_net, port, slot, int32_t(n));
    return n != 0;
}

TMediaChannels::Verdict TMediaChannels::Receive(uint32_t ip_net, uint16_t port, const uint8_t* buf, int32_t len,
                                                Tick now) {
    if (!buf || len < 4) return Verdict::NotMine;
    const std::span<const uint8_t> bytes(buf, size_t(len));
    const uint32_t marker = ReadU32(buf);
    if (marker == kMediaResendMarker) {
        auto req = ReadMediaResend(bytes);
        if (!req) return Verdict::NotMine;
        if (!MediaChannelValid(req->channel)) return Verdict::Consumed;
        std::lock_guard g(lock_);
        Channel& c = ch_[req->channel];
        if (!SlotHolds(c, req->sequence)) return Verdict::Consumed;
        const uint8_t* slot = c.ring.get() + size_t(req->sequence % uint32_t(slot_count_)) * size_t(slot_size_);
        // The stored length was bounded when the slot was written; check
        // again rather than trust memory that answers go out from.
        const size_t stored = size_t(slot[8]) | size_t(slot[9]) << 8;
        if (stored + kMediaDataHeaderBytes <= size_t(slot_size_))
            send_(ip_net, port, slot, int32_t(stored + kMediaDataHeaderBytes));
        return Verdict::Consumed;
    }
    if (marker != kMediaDataMarker) return Verdict::NotMine;
    auto pack = ReadMediaData(bytes);
    if (!pack) return Verdict::NotMine;
    if (!MediaChannelValid(pack->channel)) return Verdict::Consumed;
    const uint32_t s = pack->sequence;

    std::lock_guard g(lock_);
    Channel& c = ch_[pack->channel];
    c.last_recv = now;
    c.received = true;
    if (std::abs(MediaSeqDistance(c.highest, s)) > int64_t(kResyncGap)) ClearChannel(c, s);

    if (c.ring) {
        if (SlotHolds(c, s)) {
            if (++echo_count_ <= kEchoTolerance) return Verdict::Consumed;
            echo_count_ = 0;
            ClearChannel(c, s);
        } else {
            echo_count_ = 0;
        }
    }

    Missing& own = c.missing[s % kMissingSlots];
    if (own.seq == s) own = Missing{};

    const int64_t ahead = MediaSeqDistance(c.highest, s);
    if (ahead > 1) {
        uint32_t i = MediaSeqNext(c.highest);
        for (int64_t k = 1; k < ahead; ++k, i = MediaSeqNext(i)) {
            // Sequence 0 marks a free entry and is never asked for.
            if (i == 0) continue;
            Missing& m = c.missing[i % kMissingSlots];
            if (m.seq != i) m = Missing{i, ip_net, port, 0, now};
        }
    }
    if (ahead > 0) c.highest = s;
    return Verdict::Deliver;
}

void TMediaChannels::Sweep(Tick now) {
    struct Request { uint32_t ip; uint16_t port; std::vector<uint8_t> bytes; };
    std::vector<Request> out;
    {
        std::lock_guard g(lock_);
        for (int ch = 1; ch <= kChannels; ++ch) {
            Channel& c = ch_[ch];
            if (!c.received || TickElapsed(now, c.last_recv) >= kIdleChannelMs) continue;
            for (Missing& m : c.missing) {
                if (m.seq == 0) continue;
                // The first request goes out at the first sweep after the gap
                // was seen; the second only after kResendAfterMs, so that the
                // answer to the first has time to arrive.
                if (m.tries == 0 || TickElapsed(now, m.stamp) > kResendAfterMs) {
                    ++m.tries;
                    m.stamp = now;
                    out.push_back({m.ip, m.port, WriteMediaResend({m.seq, uint8_t(ch)})});
                    ++requests_;
                }
                if (m.tries >= kMaxTries) m = Missing{};
            }
        }
    }
    for (auto& r : out) {
        send_(r.ip, r.port, r.bytes.data(), int32_t(r.bytes.size()));
        std::this_thread::yield();
    }
}

void TMediaChannels::ResetCounters() {
    std::lock_guard g(lock_);
    for (Channel& c : ch_) {
        c.send_seq = 0;
        c.highest = 0;
        c.last_recv = 0;
        c.received = false;
        std::fill(c.missing.begin(), c.missing.end(), Missing{});
    }
    echo_count_ = 0;
}

void TMediaChannels::ResetEcho() {
    std::lock_guard g(lock_);
    echo_count_ = 0;
}

uint32_t TMediaChannels::HighestReceived(uint8_t channel) const {
    std::lock_guard g(lock_);
    return MediaChannelValid(channel) ? ch_[channel].highest : 0;
}

int TMediaChannels::MissingCount(uint8_t channel) const {
    std::lock_guard g(lock_);
    if (!MediaChannelValid(channel)) return 0;
    int n = 0;
    for (const Missing& m : ch_[channel].missing) n += m.seq != 0;
    return n;
}

int TMediaChannels::EchoCount() const {
    std::lock_guard g(lock_);
    return echo_count_;
}

uint64_t TMediaChannels::RequestsSent() const {
    std::lock_guard g(lock_);
    return requests_;
}

} // namespace kel
