#pragma once
// The registration window's conversation, without a display: checking the
// profile, trying the listed hall servers one per 2 seconds in list order,
// and the answer 10002. TfrmRegister implements IRegisterView.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Loop.h"
#include "platform/Timer.h"
#include "protocol/InboundQueue.h"
#include "protocol/RegistrationMessages.h"

namespace kel {

class IRegisterView {
public:
    virtual ~IRegisterView() = default;
    virtual void ShowMessage(const std::string& text) = 0;
    virtual void SetRegisterEnabled(bool enabled) = 0; // btn_Register
    virtual void CloseOk() = 0;                        // modal result OK
};

// What the form's fields hold.
struct TRegisterForm {
    std::string nickname, age, password, password2;
    int sex = 0;         // item index of cbb_Sex: 0 "男", 1 "女"
    int head_index = -1; // item index of the picture menu
    std::string country, province, phone, mobile, email, qq, note;
};

class TRegisterSession {
public:
    using TSend = std::function<void(uint32_t ip, uint16_t port, const std::vector<uint8_t>& plain)>;
    static constexpr uint32_t kQueueMs = 100;
    static constexpr uint32_t kTryMs = 2000;

    TRegisterSession(ILoop& loop, IRegisterView& view, std::vector<uint32_t> servers, uint16_t port_hall,
                     TSend send);
    ~TRegisterSession();

    // btn_RegisterClick.
    void Register(const TRegisterForm& form);
    // FormClose: the pump stops and queued messages are dropped.
    void Stop();
    // The queue the receive path appends to (any thread).
    InboundQueue& Queue() { return queue_; }
    void Deliver(std::vector<uint8_t> plain) { queue_.Push(std::move(plain)); }

    int32_t AssignedID() const { return assigned_; }
    // The password of the registered profile, as the login window takes it.
    const std::string& Password() const { return password_; }
    const RegistrationRecord& Record() const { return record_; }
    bool Trying() const { return try_timer_.Enabled(); }

private:
    void OnQueueTimer();
    void OnTryTimer(TTimer& t);

    IRegisterView& view_;
    std::vector<uint32_t> servers_;
    uint16_t port_hall_;
    TSend send_;
    InboundQueue queue_;
    TTimer queue_timer_;
    TTimer try_timer_; // tmr_Register
    bool stopped_ = false;
    RegistrationRecord record_;
    std::string password_;
    int32_t assigned_ = 0;
};

} // namespace kel
