#pragma once
// What the reliable layer needs from a datagram endpoint: a local port, a
// start/stop pair, sending one datagram and a callback for each datagram
// that arrives. TUDP is the real one; tests plug in an in-process link.
#include <cstdint>
#include <functional>

namespace kel {

class IDatagramEndpoint {
public:
    virtual ~IDatagramEndpoint() = default;

    // Local port used at the next activation (0: any).
    virtual void SetPort(uint16_t port) = 0;
    virtual void SetActive(bool on) = 0;
    virtual bool Active() const = 0;
    // The port actually bound while active.
    virtual uint16_t BoundPort() const = 0;
    // One datagram to an IPv4 address in network byte order and a port in
    // host order. Never reports failure; does nothing while inactive.
    virtual void Send(uint32_t ip_net, uint16_t port, const void* data, int32_t len) = 0;

    // Each arriving datagram; `buf` is valid only during the call. Set it
    // before activation.
    std::function<void(uint32_t ip_net, uint16_t port, const uint8_t* buf, int32_t len)> OnRecv;
};

} // namespace kel
