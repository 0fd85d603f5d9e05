#include "media/MediaClients.h"

#include "protocol/MediaPackets.h"

namespace kel {

// ---- TSendClient

TSendClient::TSendClient(ILoop& loop, int32_t user, int32_t ticket, int32_t reserved)
    : loop_(loop), ep_(loop), reg_(loop, kMediaRegisterMs), user_(user), reserved_(reserved), ticket_(ticket) {
    reg_.OnTimer = [this](TTimer&) { Tick(); };
    ep_.OnRecv = [this](uint32_t, uint16_t, const uint8_t* buf, int32_t len) { OnAnswer(buf, len); };
}

TSendClient::~TSendClient() {
    alive_->store(false);
    Stop();
}

void TSendClient::Start(uint32_t ip_net, uint16_t port) {
    Stop();
    state_ = TMediaClientState::Registering;
    ip_ = ip_net;
    port_ = port;
    ++generation_;
    ep_.SetPort(0);
    try {
        ep_.SetActive(true);
    } catch (...) {
        // No socket: nothing can be registered; the stream stays silent.
        state_ = TMediaClientState::NoAnswer;
        return;
    }
    reg_.Tag = 0;
    reg_.SetInterval(kMediaRegisterMs);
    reg_.SetEnabled(true);
    Tick();
}

void TSendClient::Stop() {
    reg_.SetEnabled(false);
    state_ = TMediaClientState::Idle;
    registered_ = false;
    ++generation_;
    ep_.SetActive(false);
}

bool TSendClient::SendData(uint8_t channel, const void* data, int32_t len) {
    if (!registered_) return false;
    return ep_.SendPack(channel, ip_, port_, data, len);
}

void TSendClient::Tick() {
    ++reg_.Tag;
    if (reg_.Tag <= kMediaRegisterTries) {
        const auto msg = WriteMediaRegister({kMediaSendRegister, MediaTicketText(ticket_), user_, reserved_});
        ep_.Send(ip_, port_, msg.data(), int32_t(msg.size()));
        return;
    }
    reg_.SetEnabled(false);
    ep_.SetActive(false);
    state_ = TMediaClientState::NoAnswer;
}

void TSendClient::OnAnswer(const uint8_t* buf, int32_t len) {
    auto a = ReadMediaSendAnswer(std::span<const uint8_t>(buf, size_t(len)));
    if (!a) return;
    std::weak_ptr<std::atomic<bool>> alive = alive_;
    const uint64_t gen = generation_;
    loop_.Post([this, alive, a = *a, gen] {
        auto flag = alive.lock();
        if (flag && *flag) HandleAnswer(a.result, a.user, gen);
    });
}

void TSendClient::HandleAnswer(uint8_t result, int32_t user, uint64_t generation) {
    if (generation != generation_ || state_ == TMediaClientState::Idle) return;
    reg_.SetEnabled(false);
    if (result == 0 && user == user_) {
        state_ = TMediaClientState::Registered;
        registered_ = true;
        return;
    }
    // A refusal after an acceptance is ignored.
    if (registered_) return;
    ep_.SetActive(false);
    state_ = TMediaClientState::Refused;
}

// ---- TRecvClient

TRecvClient::TRecvClient(ILoop& loop, int32_t watched, int32_t ticket, int32_t reserved)
    : loop_(loop), data_(loop), reg_(loop, kMediaRegisterMs), watched_(watched), reserved_(reserved),
      ticket_(ticket) {
    reg_.OnTimer = [this](TTimer&) { Tick(); };
    control_.OnRecv = [this](uint32_t, uint16_t, const uint8_t* buf, int32_t len) {
        auto a = ReadMediaViewAnswer(std::span<const uint8_t>(buf, size_t(len)));
        if (!a) return;
        std::weak_ptr<std::atomic<bool>> alive = alive_;
        const uint64_t gen = generation_;
        loop_.Post([this, alive, a = std::move(*a), gen]() mutable {
            auto flag = alive.lock();
            if (flag && *flag) HandleAnswer(a.ip, a.port, std::move(a.text), gen);
        });
    };
    data_.OnMediaPack = [this](uint32_t, uint16_t, const uint8_t* buf, int32_t len) {
        const MediaPayload p = ParsePack(buf, len);
        if (p.payload && OnData) OnData(*this, p.channel, p.size, p.payload);
    };
}

TRecvClient::~TRecvClient() {
    alive_->store(false);
    Stop();
}

void TRecvClient::Start(uint32_t ip_net, uint16_t port) {
    Stop();
    state_ = TMediaClientState::Registering;
    ip_ = ip_net;
    port_ = port;
    ++generation_;
    control_.SetPort(0);
    try {
        control_.SetActive(true);
    } catch (...) {
        state_ = TMediaClientState::NoAnswer;
        return;
    }
    reg_.SetInterval(kMediaRegisterMs);
    reg_.Tag = 0;
    reg_.SetEnabled(true);
    Tick();
}

void TRecvClient::Stop() {
    reg_.SetEnabled(false);
    state_ = TMediaClientState::Idle;
    if (registered_ && data_.Active()) {
        // Twice, since a lost leave would keep the relay forwarding until it
        // notices the silence.
        const auto msg = WriteMediaUnsubscribe(watched_);
        data_.Send(data_ip_, data_port_, msg.data(), int32_t(msg.size()));
        data_.Send(data_ip_, data_port_, msg.data(), int32_t(msg.size()));
    }
    registered_ = false;
    ++generation_;
    data_.SetActive(false);
    control_.SetActive(false);
}

void TRecvClient::SetChannel(int index, bool on) {
    uint32_t mask = mask_;
    if (index == 0)
        mask = on ? 0xFFFFFFu : 0;
    else if (index >= 1 && index <= 32)
        mask = on ? (mask | (1u << (index - 1))) : (mask & ~(1u << (index - 1)));
    if (mask == mask_) return;
    mask_ = mask;
    SendSubscribe();
}

void TRecvClient::SendSubscribe() {
    if (!registered_ || !data_.Active()) return;
    const auto msg = WriteMediaSubscribe({watched_, mask_});
    data_.Send(data_ip_, data_port_, msg.data(), int32_t(msg.size()));
}

void TRecvClient::Tick() {
    if (state_ != TMediaClientState::Registering) {
        SendSubscribe();
        return;
    }
    ++reg_.Tag;
    if (reg_.Tag <= kMediaRegisterTries) {
        const auto msg = WriteMediaRegister({kMediaViewRegister, MediaTicketText(ticket_), watched_, reserved_});
        control_.Send(ip_, port_, msg.data(), int32_t(msg.size()));
        return;
    }
    reg_.SetEnabled(false);
    control_.SetActive(false);
    state_ = TMediaClientState::NoAnswer;
}

void TRecvClient::HandleAnswer(uint32_t ip, uint16_t port, std::string text, uint64_t generation) {
    if (generation != generation_ || state_ == TMediaClientState::Idle) return;
    if (ip == 0) {
        if (registered_) return;
        reg_.SetEnabled(false);
        control_.SetActive(false);
        state_ = TMediaClientState::Refused;
        return;
    }
    data_ip_ = ip;
    data_port_ = port;
    text_ = std::move(text);
    try {
        data_.SetActive(true);
    } catch (...) {
        reg_.SetEnabled(false);
        state_ = TMediaClientState::NoAnswer;
        return;
    }
    state_ = TMediaClientState::Registered;
    registered_ = true;
    reg_.SetInterval(kMediaRefreshMs);
    reg_.SetEnabled(true);
    SendSubscribe();
}

} // namespace kel
