#pragma once
// The sender's and the viewer's registration with the media relay.
// TSendClient registers its one media endpoint and then sends numbered data
// to the relay; TRecvClient registers from a control endpoint, then opens a
// data endpoint towards the address in the answer and subscribes there.
// Start, Stop and the timers belong to the loop's thread; answers arrive on
// the receive thread and are handed to the loop, since an answer may close
// the very endpoint whose receive thread carries it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "media/BufferUdp.h"
#include "platform/Timer.h"
#include "transport/Udp.h"

namespace kel {

enum class TMediaClientState : uint8_t { Idle = 0, Registering = 1, Registered = 2, Refused = 3, NoAnswer = 4 };

constexpr uint32_t kMediaRegisterMs = 2000;
constexpr uint32_t kMediaRefreshMs = 30000;
constexpr int kMediaRegisterTries = 10;

class TSendClient {
public:
    TSendClient(ILoop& loop, int32_t user, int32_t ticket, int32_t reserved = 0);
    ~TSendClient();

    void Start(uint32_t ip_net, uint16_t port);
    void Stop();
    // Sent only while registered; false when dropped.
    bool SendData(uint8_t channel, const void* data, int32_t len);

    TMediaClientState State() const { return state_.load(); }
    bool Registered() const { return registered_.load(); }
    TBufferUDP& Endpoint() { return ep_; }

private:
    void Tick();
    void OnAnswer(const uint8_t* buf, int32_t len);
    void HandleAnswer(uint8_t result, int32_t user, uint64_t generation);

    ILoop& loop_;
    TBufferUDP ep_;
    TTimer reg_;
    int32_t user_, reserved_, ticket_;
    std::atomic<uint32_t> ip_{0};
    std::atomic<uint16_t> port_{0};
    std::atomic<TMediaClientState> state_{TMediaClientState::Idle};
    std::atomic<bool> registered_{false};
    // Answers posted for an earlier Start are ignored.
    std::atomic<uint64_t> generation_{0};
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
};

class TRecvClient {
public:
    TRecvClient(ILoop& loop, int32_t watched, int32_t ticket, int32_t reserved = 0);
    ~TRecvClient();

    void Start(uint32_t ip_net, uint16_t port);
    void Stop();
    // 0: all 24 channels on or off; 1..32: one channel; others ignored.
    void SetChannel(int index, bool on);

    // Each payload on the data endpoint's receive thread.
    std::function<void(TRecvClient& sender, uint8_t channel, int32_t size, const uint8_t* payload)> OnData;

    TMediaClientState State() const { return state_.load(); }
    bool Registered() const { return registered_.load(); }
    uint32_t ChannelMask() const { return mask_; }
    uint32_t DataIp() const { return data_ip_; }
    uint16_t DataPort() const { return data_port_; }
    const std::string& AnswerText() const { return text_; }
    TUDP& Control() { return control_; }
    TBufferUDP& Data() { return data_; }

private:
    void Tick();
    void SendSubscribe();
    void HandleAnswer(uint32_t ip, uint16_t port, std::string text, uint64_t generation);

    ILoop& loop_;
    TUDP control_;
    TBufferUDP data_;
    TTimer reg_;
    int32_t watched_, reserved_, ticket_;
    uint32_t ip_ = 0;
    uint16_t port_ = 0;
    std::atomic<TMediaClientState> state_{TMediaClientState::Idle};
    std::atomic<bool> registered_{false};
    uint32_t data_ip_ = 0;
    uint16_t data_port_ = 0;
    std::string text_;
    uint32_t mask_ = 0;
    std::atomic<uint64_t> generation_{0};
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
};

} // namespace kel
