#pragma once
// The thin owners of the registration clients used by the per-mic
// windows: TkelSendUDP for the own stream, TkelRecvUDP for watching one.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "media/MediaClients.h"

namespace kel {

class TkelSendUDP {
public:
    explicit TkelSendUDP(ILoop& loop) : loop_(loop) {}
    void Start(int32_t user, const std::string& nick, int32_t ticket, uint16_t port, uint32_t ip_net);
    void Stop();
    // Dropped unless a client exists and is registered.
    bool SendData(uint8_t channel, const void* data, int32_t len);
    TSendClient* Client() { return client_.get(); }

private:
    ILoop& loop_;
    int32_t user_ = 0;
    std::string nick_;
    std::unique_ptr<TSendClient> client_;
};

class TkelRecvUDP {
public:
    explicit TkelRecvUDP(ILoop& loop) : loop_(loop) {}
    ~TkelRecvUDP() { Stop(); }
    void Start(int32_t user, const std::string& nick, int32_t ticket, bool video, bool audio, uint16_t port,
               uint32_t ip_net, bool is_self);
    void Stop();
    // Each payload while active, on the receive thread; set before Start.
    std::function<void(TkelRecvUDP& sender, uint8_t channel, const uint8_t* pack, int32_t size)> OnAVPack;
    TRecvClient* Client() { return client_.get(); }

private:
    ILoop& loop_;
    int32_t user_ = 0;
    std::string nick_;
    bool is_self_ = false;
    std::atomic<bool> active_{false};
    std::unique_ptr<TRecvClient> client_;
};

} // namespace kel
