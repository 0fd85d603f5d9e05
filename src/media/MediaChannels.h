#pragma once
// The bookkeeping of a numbered media endpoint, apart from its socket: 32
// channels, each with its own send sequence, a ring of the last packets sent
// (to answer resend requests) and a table of missing sequence numbers that
// the sweep asks the sender for again. The endpoint feeds it every datagram
// and runs the sweep from its timer; the clock is handed in, so tests run it
// in virtual time.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Tick.h"

namespace kel {

// Sequence numbers run 0 .. kMediaSeqLast and then start again at 0.
constexpr uint32_t kMediaSeqLast = 0xFFFFFFFAu;
// The signed distance from `from` to `to` in that circular space.
int64_t MediaSeqDistance(uint32_t from, uint32_t to);
uint32_t MediaSeqNext(uint32_t s);

class TMediaChannels {
public:
    using SendFn = std::function<void(uint32_t ip_net, uint16_t port, const uint8_t* data, int32_t len)>;
    static constexpr int kChannels = 32;
    static constexpr int kMissingSlots = 1000;
    // A jump further than this resynchronises instead of asking for the gap.
    static constexpr uint32_t kResyncGap = 300;
    static constexpr uint32_t kResendAfterMs = 500;
    static constexpr int kMaxTries = 2;
    // A channel that received nothing for this long is not swept.
    static constexpr uint32_t kIdleChannelMs = 180000;
    static constexpr int kEchoTolerance = 10;

    TMediaChannels(SendFn send, int slot_count = 200, int slot_size = 2048);

    // Numbers, stores and sends one packet; false when the channel is not
    // 1..32 or the payload does not fit a slot. Safe from any thread.
    bool SendPack(uint8_t channel, uint32_t ip_net, uint16_t port, const void* data, int32_t len);

    enum class Verdict { NotMine, Consumed, Deliver };
    // Resend requests are answered here (Consumed); valid data packets come
    // back as Deliver after the bookkeeping, own echoes as Consumed; anything
    // else is NotMine, for the endpoint's plain receiver.
    Verdict Receive(uint32_t ip_net, uint16_t port, const uint8_t* buf, int32_t len, Tick now);

    // Sends the resend requests that are due.
    void Sweep(Tick now);

    // Opening or closing: counters and missing tables start over; the rings stay.
    void ResetCounters();
    void ResetEcho();

    uint32_t HighestReceived(uint8_t channel) const;
    int MissingCount(uint8_t channel) const;
    int EchoCount() const;
    uint64_t RequestsSent() const;

private:
    struct Missing {
        uint32_t seq = 0;  // 0: free
        uint32_t ip = 0;
        uint16_t port = 0;
        int tries = 0;
        Tick stamp = 0;
    };
    struct Channel {
        std::unique_ptr<uint8_t[]> ring;
        uint32_t send_seq = 0;
        uint32_t highest = 0;
        Tick last_recv = 0;
        bool received = false;
        std::vector<Missing> missing = std::vector<Missing>(kMissingSlots);
    };

    bool SlotHolds(const Channel& c, uint32_t seq) const;
    void ClearChannel(Channel& c, uint32_t highest);

    SendFn send_;
    const int slot_count_;
    const int slot_size_;
    mutable std::mutex lock_;
    std::array<Channel, kChannels + 1> ch_;  // index 0 unused
    int echo_count_ = 0;
    uint64_t requests_ = 0;
};

} // namespace kel
