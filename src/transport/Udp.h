#pragma once
// TUDP: one socket endpoint that reads every datagram into a pooled
// 2048-byte buffer and hands it to DoRecv, whose default calls OnRecv. The
// media endpoint derives from it and overrides DoRecv and SetActive.
// Its socket reads waiting datagrams in batches (one system call for up to
// UdpSocket::kRecvBatch), and what the handlers send is sent together when
// the batch ends (TqpUDPSocket::SendTo).
#include <cstdint>

#include "foundation/BlockMemoryMng.h"
#include "transport/DatagramEndpoint.h"
#include "transport/qpUdp.h"

namespace kel {

class TUDP : public IDatagramEndpoint {
public:
    // The largest datagram the endpoint receives; longer ones are dropped.
    static constexpr int32_t kMaxDatagram = 2048;

    TUDP();
    ~TUDP() override;

    uint16_t Port() const { return port_; }
    void SetPort(uint16_t port) override { port_ = port; }
    bool Active() const override { return socket_.Active(); }
    // Copies Port into the socket before opening; raises TUDPException when
    // the socket cannot be opened.
    void SetActive(bool on) override;
    uint16_t BoundPort() const override { return Active() ? static_cast<uint16_t>(socket_.Port()) : 0; }
    // Swallows every failure; does nothing while closed.
    void Send(uint32_t ip_net, uint16_t port, const void* data, int32_t len) override;

    TqpUDPSocket& Socket() { return socket_; }

protected:
    // Runs on the receive thread for each datagram of at least one byte.
    virtual void DoRecv(uint32_t ip_net, uint16_t port, const uint8_t* buf, int32_t len);

private:
    void HandleDataArrival(TPeerAddr* peer);

    TBlockMemoryMng pool_{kMaxDatagram};
    uint16_t port_ = 0;
    TqpUDPSocket socket_;
};

} // namespace kel
