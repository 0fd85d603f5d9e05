#include "room/PackUdpEndpoint.h"

#include "transport/PackUdp.h"

namespace kel {

TPackUdpEndpoint::TPackUdpEndpoint(ILoop& loop) : udp_(std::make_unique<TPackUdp>(loop)) {
    udp_->SetPort(0);
    udp_->OnRecv = [this](TPackUdp&, uint32_t ip, uint16_t port, const uint8_t* buf, int32_t len) {
        if (OnRecv) OnRecv(ip, port, buf, len);
    };
}

TPackUdpEndpoint::~TPackUdpEndpoint() {
    // The receive thread stops before the layer goes.
    try {
        udp_->SetActive(false);
    } catch (...) {
    }
}

void TPackUdpEndpoint::SetActive(bool on) { udp_->SetActive(on); }
bool TPackUdpEndpoint::Active() const { return udp_->Active(); }

void TPackUdpEndpoint::SendReliable(uint32_t ip_net, uint16_t port, const uint8_t* data, int32_t len) {
    udp_->SendReliable(ip_net, port, data, len);
}

int32_t TPackUdpEndpoint::PendingCount() const { return udp_->PendingCount(); }

} // namespace kel
