#include "MessagePort.h"

#include <arpa/inet.h>

#include "protocol/Envelope.h"
#include "protocol/MessageChannel.h"

namespace kel::server {

MessagePort::MessagePort(std::string name, ILoop& loop, TEncrypt& cipher, DropLog& drops, bool loopback_only)
    : name_(std::move(name)), loop_(loop), cipher_(cipher), drops_(drops), loopback_only_(loopback_only),
      udp_(loop), alive_(std::make_shared<bool>(true)) {
    udp_.OnRecv = [this](TPackUdp&, uint32_t ip, uint16_t port, const uint8_t* buf, int32_t len) {
        Received(ip, port, buf, len);
    };
}

MessagePort::~MessagePort() { Close(); }

bool MessagePort::Open(uint16_t port, std::string* error) {
    try {
        udp_.SetPort(port);
        udp_.SetActive(true);
        return true;
    } catch (const std::exception& e) {
        if (error) *error = name_ + ": " + e.what();
        return false;
    }
}

void MessagePort::Close() {
    *alive_ = false;
    if (udp_.Active()) udp_.SetActive(false);
}

void MessagePort::Send(uint32_t ip_net, uint16_t port, const std::vector<uint8_t>& plain) {
    SendMessage(udp_, cipher_, ip_net, port, plain.data(), static_cast<int32_t>(plain.size()));
}

// Receive thread: nothing here touches the services.
void MessagePort::Received(uint32_t ip, uint16_t port, const uint8_t* buf, int32_t len) {
    if (loopback_only_ && (ntohl(ip) >> 24) != 127) {
        drops_.Dropped(ip, port, loop_.Now(), name_ + ": not a loopback peer");
        return;
    }
    auto plain = OpenMessage(cipher_, buf, len > 0 ? static_cast<size_t>(len) : 0);
    if (!plain) {
        drops_.Dropped(ip, port, loop_.Now(), name_ + ": not a valid message");
        return;
    }
    std::weak_ptr<bool> alive = alive_;
    loop_.Post([this, alive, ip, port, msg = std::move(*plain)] {
        auto a = alive.lock();
        if (!a || !*a || !OnMessage) return;
        OnMessage(Inbound{ip, port, msg});
    });
}

} // namespace kel::server
