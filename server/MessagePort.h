#pragma once
// One listening port of the server: a reliable endpoint whose receive
// thread deciphers and checks each message and posts it to the loop, where
// the owning service handles it; answers are enciphered and sent reliably.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "MessageSink.h"
#include "ServerLog.h"
#include "platform/Loop.h"
#include "protocol/Encrypt.h"
#include "transport/PackUdp.h"

namespace kel::server {

class MessagePort : public IMessageSink {
public:
    // With `loopback_only` the port serves only 127.0.0.0/8 peers (the
    // endpoint itself listens on every address).
    MessagePort(std::string name, ILoop& loop, TEncrypt& cipher, DropLog& drops, bool loopback_only);
    ~MessagePort() override;

    // Opens `port` (0 = any free port); call on the loop thread.
    bool Open(uint16_t port, std::string* error);
    void Close();
    uint16_t BoundPort() const { return udp_.BoundPort(); }

    void Send(uint32_t ip_net, uint16_t port, const std::vector<uint8_t>& plain) override;

    // Each checked message, on the loop thread.
    std::function<void(const Inbound&)> OnMessage;

private:
    void Received(uint32_t ip, uint16_t port, const uint8_t* buf, int32_t len);

    std::string name_;
    ILoop& loop_;
    TEncrypt& cipher_;
    DropLog& drops_;
    bool loopback_only_;
    TPackUdp udp_;
    // Tasks posted by the receive thread check this before they run, so a
    // closed port delivers nothing more.
    std::shared_ptr<bool> alive_;
};

} // namespace kel::server
