#pragma once
// The room window's endpoint on the reliable datagram layer: a TPackUdp of
// its own on an ephemeral port.
#include <memory>

#include "room/RoomEndpoint.h"

namespace kel {

class ILoop;
class TPackUdp;

class TPackUdpEndpoint : public IRoomEndpoint {
public:
    explicit TPackUdpEndpoint(ILoop& loop);
    ~TPackUdpEndpoint() override;

    void SetActive(bool on) override;
    bool Active() const override;
    void SendReliable(uint32_t ip_net, uint16_t port, const uint8_t* data, int32_t len) override;
    int32_t PendingCount() const override;

    TPackUdp& Udp() { return *udp_; }

private:
    std::unique_ptr<TPackUdp> udp_;
};

} // namespace kel
