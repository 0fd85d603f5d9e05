#pragma once
// Where a service's answers and broadcasts go: one plaintext message to one
// client endpoint. The network binding enciphers and sends it reliably;
// tests collect it.
#include <cstdint>
#include <vector>

namespace kel::server {

class IMessageSink {
public:
    virtual ~IMessageSink() = default;
    virtual void Send(uint32_t ip_net, uint16_t port, const std::vector<uint8_t>& plain) = 0;
};

// A service's view of one arriving message.
struct Inbound {
    uint32_t Ip = 0;       // network byte order
    uint16_t Port = 0;
    const std::vector<uint8_t>& Plain;
};

} // namespace kel::server
