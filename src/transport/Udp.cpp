#include "transport/Udp.h"

namespace kel {

TUDP::TUDP() {
    socket_.OnDataArrival = [this](TqpUDPSocket&, TPeerAddr* peer) { HandleDataArrival(peer); };
    socket_.SetRecvBatch(kMaxDatagram);
}

TUDP::~TUDP() {
    // Ends the receive thread before the pool and the handlers go away.
    socket_.SetActive(false);
}

void TUDP::SetActive(bool on) {
    if (on == socket_.Active()) return;
    if (on) socket_.SetPort(port_);
    socket_.SetActive(on);
}

void TUDP::Send(uint32_t ip_net, uint16_t port, const void* data, int32_t len) {
    if (!socket_.Active()) return;
    try {
        socket_.SendTo(data, len, port, ip_net);
    } catch (...) {
        // Sending never reports failure; loss is noticed by the layers above.
    }
}

void TUDP::DoRecv(uint32_t ip_net, uint16_t port, const uint8_t* buf, int32_t len) {
    if (OnRecv) OnRecv(ip_net, port, buf, len);
}

void TUDP::HandleDataArrival(TPeerAddr* peer) {
    auto* block = static_cast<uint8_t*>(pool_.GetBlock(kMaxDatagram));
    if (!block) {
        // Out of memory: drop the datagram rather than leave it waiting.
        uint8_t discard;
        socket_.RecvFrom(&discard, 1, 0, 0);
        return;
    }
    struct Release {
        TBlockMemoryMng& pool;
        void* block;
        ~Release() { pool.FreeBlock(block); }
    } release{pool_, block};
    const int32_t n = socket_.RecvFrom(block, kMaxDatagram, static_cast<uint16_t>(peer->Port), peer->IP);
    if (n > 0) DoRecv(peer->IP, static_cast<uint16_t>(peer->Port), block, n);
}

} // namespace kel
