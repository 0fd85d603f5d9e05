#include "media/MediaComponents.h"

namespace kel {

void TkelSendUDP::Start(int32_t user, const std::string& nick, int32_t ticket, uint16_t port, uint32_t ip_net) {
    Stop();
    user_ = user;
    nick_ = nick;
    client_ = std::make_unique<TSendClient>(loop_, user, ticket, 0);
    client_->Start(ip_net, port);
}

void TkelSendUDP::Stop() {
    if (client_) client_->Stop();
    client_.reset();
}

bool TkelSendUDP::SendData(uint8_t channel, const void* data, int32_t len) {
    return client_ && client_->Registered() && client_->SendData(channel, data, len);
}

void TkelRecvUDP::Start(int32_t user, const std::string& nick, int32_t ticket, bool video, bool audio,
                        uint16_t port, uint32_t ip_net, bool is_self) {
    Stop();
    user_ = user;
    nick_ = nick;
    is_self_ = is_self;
    client_ = std::make_unique<TRecvClient>(loop_, user, ticket, 0);
    client_->SetChannel(1, video && !is_self);
    client_->SetChannel(2, audio && !is_self);
    client_->OnData = [this](TRecvClient&, uint8_t channel, int32_t size, const uint8_t* payload) {
        if (active_ && !is_self_ && OnAVPack) OnAVPack(*this, channel, payload, size);
    };
    active_ = true;
    client_->Start(ip_net, port);
}

void TkelRecvUDP::Stop() {
    active_ = false;
    if (client_) client_->Stop();
    client_.reset();
}

} // namespace kel
