#include "shell/RegisterSession.h"

#include "protocol/LayoutSupport.h"
#include "shell/LoginRules.h"

namespace kel {

TRegisterSession::TRegisterSession(ILoop& loop, IRegisterView& view, std::vector<uint32_t> servers,
                                   uint16_t port_hall, TSend send)
    : view_(view),
      servers_(std::move(servers)),
      port_hall_(port_hall),
      send_(std::move(send)),
      queue_timer_(loop, kQueueMs),
      try_timer_(loop, kTryMs) {
    try_timer_.Tag = 1;
    try_timer_.OnTimer = [this](TTimer& t) { OnTryTimer(t); };
    queue_timer_.OnTimer = [this](TTimer&) { OnQueueTimer(); };
    queue_timer_.SetEnabled(true);
}

TRegisterSession::~TRegisterSession() = default;

void TRegisterSession::Register(const TRegisterForm& f) {
    if (f.nickname.empty() || f.age.empty() || TrimText(f.password).empty() || TrimText(f.password2).empty()) {
        view_.ShowMessage("资料没有填写完整！");
        return;
    }
    if (f.password != f.password2) {
        view_.ShowMessage("两次输入密码不相同！");
        return;
    }
    RegistrationRecord r;
    r.NickName = f.nickname;
    password_ = TrimText(f.password);
    r.PasswordDigest = PasswordDigest(f.password);
    r.HeadIndex = static_cast<int16_t>(f.head_index);
    r.Sex = static_cast<int16_t>(f.sex == 1 ? 1 : 0);
    r.Age = static_cast<int16_t>(ParseUserNumber(f.age).value_or(0));
    r.Country = f.country;
    r.Province = f.province;
    r.Phone = f.phone;
    r.Mobile = f.mobile;
    r.Email = f.email;
    r.QQ = f.qq;
    r.Note = f.note; // cut to its field's 250 bytes when written
    record_ = std::move(r);

    try_timer_.Tag = 1;
    try_timer_.SetEnabled(true);
    view_.SetRegisterEnabled(false);
}

void TRegisterSession::OnTryTimer(TTimer& t) {
    if (t.Tag > static_cast<intptr_t>(servers_.size())) {
        t.SetEnabled(false);
        view_.SetRegisterEnabled(true);
        view_.ShowMessage("注册失败！");
        return;
    }
    RegisterRequest req;
    req.Record = record_;
    if (send_) send_(servers_[size_t(t.Tag - 1)], port_hall_, Encode(req));
    ++t.Tag;
}

void TRegisterSession::OnQueueTimer() {
    queue_timer_.SetEnabled(false);
    if (auto msg = queue_.Pop()) {
        if (MessageCode(msg->data(), msg->size()) == RegisterAnswer::kCode) {
            if (const auto a = Decode<RegisterAnswer>(*msg)) {
                try_timer_.SetEnabled(false);
                if (a->Status != 0) {
                    view_.ShowMessage("注册失败！");
                    view_.SetRegisterEnabled(true);
                } else {
                    assigned_ = a->UserID;
                    view_.ShowMessage("您的ID是：" + std::to_string(a->UserID));
                    stopped_ = true;
                    view_.CloseOk();
                }
            }
        }
    }
    if (!stopped_) queue_timer_.SetEnabled(true);
}

void TRegisterSession::Stop() {
    stopped_ = true;
    queue_timer_.SetEnabled(false);
    try_timer_.SetEnabled(false);
    queue_.Clear();
}

} // namespace kel
