#pragma once
// TBufferUDP: the media endpoint. A TUDP whose datagrams pass through the
// numbered channels first: resend requests are answered from the ring, data
// packets are counted, repeated echoes dropped and gaps remembered before
// OnMediaPack sees them; anything else goes to OnRecv as on a plain TUDP. A
// sweep timer on the loop sends the resend requests every 100 ms while the
// endpoint is open.
#include <cstdint>
#include <functional>

#include "media/MediaChannels.h"
#include "platform/Timer.h"
#include "transport/Udp.h"

namespace kel {

class TBufferUDP : public TUDP {
public:
    static constexpr uint32_t kSweepMs = 100;

    explicit TBufferUDP(ILoop& loop, int slot_count = 200, int slot_size = 2048);
    ~TBufferUDP() override;

    void SetActive(bool on) override;

    // Numbers the payload on `channel` (1..32), keeps it in the ring and sends
    // it; false when refused (channel, or more than 2037 bytes). Any thread.
    bool SendPack(uint8_t channel, uint32_t ip_net, uint16_t port, const void* data, int32_t len);

    // Each valid data packet, whole (header included), on the receive thread.
    std::function<void(uint32_t ip_net, uint16_t port, const uint8_t* buf, int32_t len)> OnMediaPack;

    TMediaChannels& Channels() { return channels_; }
    // One sweep now (the timer's work).
    void Sweep();

protected:
    void DoRecv(uint32_t ip_net, uint16_t port, const uint8_t* buf, int32_t len) override;

private:
    ILoop& loop_;
    TMediaChannels channels_;
    TTimer sweep_;
};

// The channel and payload of a data packet; nullopt-like empty span when
// the bytes are not one.
struct MediaPayload {
    uint8_t channel = 0;
    const uint8_t* payload = nullptr;
    int32_t size = 0;
};
MediaPayload ParsePack(const uint8_t* buf, int32_t len);

} // namespace kel
