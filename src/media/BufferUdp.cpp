#include "media/BufferUdp.h"

#include "protocol/MediaPackets.h"

namespace kel {

TBufferUDP::TBufferUDP(ILoop& loop, int slot_count, int slot_size)
    : loop_(loop),
      channels_([this](uint32_t ip, uint16_t port, const uint8_t* d, int32_t n) { Send(ip, port, d, n); },
                slot_count, slot_size),
      sweep_(loop, kSweepMs) {
    sweep_.OnTimer = [this](TTimer& t) {
        // The tag guards against a sweep that re-enters through the loop.
        if (t.Tag) return;
        t.Tag = 1;
        struct Reset { TTimer& t; ~Reset() { t.Tag = 0; } } reset{t};
        Sweep();
    };
}

TBufferUDP::~TBufferUDP() {
    sweep_.SetEnabled(false);
    // The receive thread ends before the channels go away.
    TUDP::SetActive(false);
}

void TBufferUDP::SetActive(bool on) {
    const bool was = Active();
    TUDP::SetActive(on);
    if (Active() != was) channels_.ResetCounters();
    channels_.ResetEcho();
    sweep_.SetEnabled(Active());
}

bool TBufferUDP::SendPack(uint8_t channel, uint32_t ip_net, uint16_t port, const void* data, int32_t len) {
    return channels_.SendPack(channel, ip_net, port, data, len);
}

void TBufferUDP::Sweep() { channels_.Sweep(loop_.Now()); }

void TBufferUDP::DoRecv(uint32_t ip_net, uint16_t port, const uint8_t* buf, int32_t len) {
    try {
        switch (channels_.Receive(ip_net, port, buf, len, loop_.Now())) {
        case TMediaChannels::Verdict::NotMine: TUDP::DoRecv(ip_net, port, buf, len); break;
        case TMediaChannels::Verdict::Consumed: break;
        case TMediaChannels::Verdict::Deliver:
            if (OnMediaPack) OnMediaPack(ip_net, port, buf, len);
            break;
        }
    } catch (...) {
        // A failing handler costs this datagram only; the endpoint goes on.
    }
}

MediaPayload ParsePack(const uint8_t* buf, int32_t len) {
    if (!buf || len <= 0) return {};
    auto v = ReadMediaData(std::span<const uint8_t>(buf, size_t(len)));
    if (!v) return {};
    return {v->channel, v->payload.data(), int32_t(v->payload.size())};
}

} // namespace kel
