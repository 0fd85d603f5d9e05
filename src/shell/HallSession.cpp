#include "shell/HallSession.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "config/ChatCFG.h"
#include "config/RightQuery.h"
#include "foundation/kelUtils.h"
#include "platform/IniFile.h"
#include "protocol/LayoutSupport.h"
#include "shell/LoginRules.h"
#include "shell/RoomLink.h"

namespace kel {

namespace {

// Rights the hall asks about.
constexpr int32_t kRightSeveralRooms = 0;
constexpr int32_t kRightHidden = 5;
bool MayHide(int32_t rights) { return TRightQuery::HasRight(rights, kRightHidden); }
bool MaySeveralRooms(int32_t rights) { return TRightQuery::HasRight(rights, kRightSeveralRooms); }

} // namespace

THallSettings HallSettingsFrom(TkelChatCFG& cfg) {
    THallSettings s;
    const int n = std::clamp(cfg.ServerCount, 0, kMaxServers);
    s.servers.assign(cfg.ServerIP.begin(), cfg.ServerIP.begin() + n);
    s.port_hall = cfg.PortHall;
    s.room_ports = {cfg.PortRoom1, cfg.PortRoom2, cfg.PortRoom3};
    s.hall_url_id = cfg.HallURLID;
    s.cfg = &cfg;
    return s;
}

int32_t VideoDeviceIndex(const std::string& app_folder) {
    return TIniFile(app_folder + "AVSet.ini").ReadInteger("AVSet", "VideoDrvIndex", 0);
}

THallSession::THallSession(ILoop& loop, IHallView& view, TOwnUser& own, THallSettings settings, TSend send)
    : loop_(loop),
      view_(view),
      own_(own),
      settings_(std::move(settings)),
      send_(std::move(send)),
      queue_timer_(loop, kQueueMs),
      connect_timer_(loop, kProbeMs),
      keepalive_timer_(loop, kKeepAliveMs) {
    last_entry_ = loop_.Now();
    last_answer_ = loop_.Now();
    hall_server_ = settings_.servers.empty() ? 0 : settings_.servers.front();
    queue_timer_.OnTimer = [this](TTimer&) { OnQueueTimer(); };
    queue_timer_.SetEnabled(true);
    connect_timer_.OnTimer = [this](TTimer& t) { OnConnectTimer(t); };
    keepalive_timer_.OnTimer = [this](TTimer&) { OnKeepAliveTimer(); };
    keepalive_timer_.SetEnabled(true);
}

THallSession::~THallSession() = default;

void THallSession::Start() { connect_timer_.SetEnabled(true); }

void THallSession::Shutdown() {
    if (connected_) {
        LogoutRequest out;
        out.UserID = own_.UserID;
        out.Connection = {own_.ConnA, own_.ConnB};
        out.LoginKey = login_key_;
        SendToHall(Encode(out));
    }
    closing_ = true;
    queue_timer_.SetEnabled(false);
    connect_timer_.SetEnabled(false);
    keepalive_timer_.SetEnabled(false);
    queue_.Clear();
}

bool THallSession::InboundFilter(std::vector<uint8_t>& plain, uint32_t ip, uint16_t port) {
    if (MessageCode(plain.data(), plain.size()) != HallProbeAnswer::kCode) return true;
    // The answer does not name its server, so the receive path writes the
    // sender in.
    if (plain.size() < HallProbeAnswer::kLength) return false;
    std::memcpy(plain.data() + 22, &ip, 4); // network order, as received
    plain[26] = uint8_t(port & 0xFF);
    plain[27] = uint8_t(port >> 8);
    return true;
}

void THallSession::SendToHall(const std::vector<uint8_t>& plain) {
    if (send_) send_(hall_server_, settings_.port_hall, plain);
}

void THallSession::OnQueueTimer() {
    queue_timer_.SetEnabled(false);
    if (auto msg = queue_.Pop()) {
        try {
            Dispatch(*msg);
        } catch (...) {
            // A handler's failure drops its message; the pump goes on.
        }
    }
    if (!closing_) queue_timer_.SetEnabled(true);
}

void THallSession::OnConnectTimer(TTimer& t) {
    if (t.Tag < kProbeRounds) {
        if (!connected_) {
            view_.SetStatus("获取服务器信息中");
            HallProbeRequest probe;
            probe.UserID = own_.UserID;
            const auto plain = Encode(probe);
            for (uint32_t ip : settings_.servers)
                if (send_) send_(ip, settings_.port_hall, plain);
        }
        ++t.Tag;
        return;
    }
    t.Tag = 0;
    t.SetEnabled(false);
    view_.ShowMessage("连接超时！");
}

void THallSession::OnKeepAliveTimer() {
    if (!connected_ || own_.UserID == 0) return; // guests keep no link alive
    HallKeepAlive ka;
    ka.UserID = own_.UserID;
    ka.Connection = {own_.ConnA, own_.ConnB};
    SendToHall(Encode(ka));
    if (TickElapsed(loop_.Now(), last_answer_) > kLinkLostMs) {
        queue_timer_.SetEnabled(false);
        closing_ = true;
        keepalive_timer_.SetEnabled(false);
        view_.ShowMessage("您因为网络连接超时而退出房间");
        view_.CloseHall();
    }
}

void THallSession::Dispatch(const std::vector<uint8_t>& msg) {
    switch (MessageCode(msg.data(), msg.size())) {
    case cmd::kServerProbeAnswer: HandleProbeAnswer(msg); break;
    case cmd::kLoginAnswer: HandleLoginAnswer(msg); break;
    case cmd::kKeepAliveAnswer: HandleKeepAliveAnswer(msg); break;
    case cmd::kLoggedInElsewhere: HandleLoggedInElsewhere(msg); break;
    case cmd::kChangeProfileAnswer: HandleSelfInfoAnswer(msg); break;
    case cmd::kRoomQueryAnswer: HandleRoomQueryAnswer(msg); break;
    case cmd::kRoomEntryAnswer: HandleRoomEntryAnswer(msg); break;
    default: break; // not the hall's
    }
}

void THallSession::HandleProbeAnswer(const std::vector<uint8_t>& msg) {
    if (connected_) return; // the first answering server won
    const auto a = Decode<HallProbeAnswer>(msg);
    if (!a) return;
    view_.SetStatus("得到应答，与服务器建立连接");
    connect_timer_.SetEnabled(false);
    connected_ = true;
    hall_server_ = a->SenderIp;

    static std::mt19937 rng{std::random_device{}()};
    login_key_ = static_cast<int32_t>(loop_.Now() + std::uniform_int_distribution<uint32_t>(0, 9999999)(rng));
    LoginRequest req;
    req.UserID = own_.UserID;
    req.LoginKey = login_key_;
    req.PasswordDigest = own_.PasswordDigest;
    req.HallURLID = settings_.hall_url_id;
    SendToHall(Encode(req));
}

void THallSession::HandleLoginAnswer(const std::vector<uint8_t>& msg) {
    auto a = Decode<LoginAnswer>(msg); // 351 bytes and the filter text, or nothing
    if (!a) return;
    view_.SetStatus("正在初始化大厅页面 ");
    a->NickName = CleanNickname(a->NickName);
    a->ErrorText = CleanNickname(a->ErrorText);
    const std::string error = TrimText(a->ErrorText);
    if (!error.empty()) {
        closing_ = true;
        queue_timer_.SetEnabled(false);
        view_.ShowMessage(error);
        view_.CloseHall();
        return;
    }
    a->RoomImagePrefix = TrimText(a->RoomImagePrefix);
    own_.UserID = a->UserID;
    own_.NickName = a->NickName;
    own_.Score = a->Score;
    own_.Coins = a->Coins;
    own_.UserType = a->UserType;
    own_.ManagerLevel = a->ManagerLevel;
    own_.Rights = a->RightsWord;
    own_.ConnA = a->Connection.A;
    own_.ConnB = a->Connection.B;
    has_camera_ = view_.HasCamera();
    RecordLogin(*a);
    view_.LoginAccepted(*a);

    view_.Navigate(TrimText(a->HallPageUrl) + "?UserID=" + std::to_string(own_.UserID) +
                   "&password=" + own_.PasswordDigest + "&IsHide=" + (MayHide(own_.Rights) ? "1" : "0"));
}

void THallSession::RecordLogin(const LoginAnswer& a) {
    TkelChatCFG* cfg = settings_.cfg;
    if (!cfg) return;
    if (own_.UserID != 0) { // a guest leaves the remembered logins alone
        cfg->WriteLoginList(std::to_string(own_.UserID));
        cfg->SaveUserPassword(own_.UserID, cfg->RememberPwd ? cfg->TypedPwd : std::string());
    }
    cfg->MediaTicket = a.MediaTicket;
    cfg->FilterText = a.WordFilter;
    cfg->RoomImagePrefix = a.RoomImagePrefix;
}

void THallSession::HandleKeepAliveAnswer(const std::vector<uint8_t>& msg) {
    const auto a = Decode<KeepAliveAnswer>(msg);
    if (!a) return;
    own_.ConnA = a->Connection.A;
    own_.ConnB = a->Connection.B;
    last_answer_ = loop_.Now();
}

void THallSession::HandleLoggedInElsewhere(const std::vector<uint8_t>& msg) {
    const auto a = Decode<LoggedInElsewhere>(msg);
    if (!a || a->UserID != own_.UserID) return;
    closing_ = true;
    queue_timer_.SetEnabled(false);
    view_.CloseAllRooms();
    view_.ShowMessage("用户在别处登陆，本地被迫下线。");
    view_.CloseHall();
}

void THallSession::ChangeSelfInfo(const std::string& nickname, const std::string& new_digest,
                                  const std::string& current_digest) {
    SelfInfoChange req;
    req.UserID = own_.UserID;
    req.Connection = {own_.ConnA, own_.ConnB};
    req.NewNickName = nickname;
    req.CurrentDigest = current_digest.substr(0, 32);
    req.NewDigest = new_digest.substr(0, 32);
    pending_nick_ = nickname;
    pending_digest_ = req.NewDigest;
    SendToHall(Encode(req));
}

void THallSession::HandleSelfInfoAnswer(const std::vector<uint8_t>& msg) {
    const auto a = Decode<SelfInfoAnswer>(msg);
    if (!a) return;
    if (a->Status == 0) {
        own_.NickName = pending_nick_;
        // The server now knows the new password; later requests carry it.
        if (!pending_digest_.empty()) own_.PasswordDigest = pending_digest_;
    }
    pending_nick_.clear();
    pending_digest_.clear();
    view_.SelfInfoAnswered(a->Status);
}

bool THallSession::BeforeNavigate(const std::string& url) {
    const auto link = ParseRoomLink(url);
    if (!link) return false;
    if (link->room_id > 0) {
        link_option_ = link->option;
        EnterRoom(link->room_id);
    }
    return true;
}

void THallSession::DocumentComplete() { view_.SetStatusVisible(false); }

void THallSession::EnterRoom(int32_t room_id) {
    if (TickElapsed(loop_.Now(), last_entry_) < kEntryPauseMs) return;
    last_entry_ = loop_.Now();
    for (int32_t open : view_.OpenRooms()) {
        if (open == room_id) {
            view_.BringRoomToFront(open);
            return;
        }
        if (!MaySeveralRooms(own_.Rights)) {
            if (!view_.Confirm("您的权限不够，不能进入多房间, 是否关闭当前开启房间？", "进入房间")) return;
            view_.CloseRoom(open);
            break;
        }
    }
    pending_room_ = room_id;
    RoomQuery q;
    q.UserID = own_.UserID;
    q.Connection = {own_.ConnA, own_.ConnB};
    q.RoomID = room_id;
    SendToHall(Encode(q));
    view_.SetStatus("正在获取服务器信息");
    view_.SetStatusVisible(true);
}

void THallSession::HandleRoomQueryAnswer(const std::vector<uint8_t>& msg) {
    const auto a = Decode<RoomQueryAnswer>(msg);
    if (!a) return;
    view_.SetStatus("得到服务器应答");
    if (a->Status != 0) {
        static const char* const kTexts[] = {"房间不存在", "房间服务器关闭！", "用户未登陆大厅！",
                                             "您的号码只能进人气房间！"};
        if (a->Status >= 1 && a->Status <= 4) view_.ShowMessage(kTexts[a->Status - 1]);
        view_.SetStatusVisible(false);
        return;
    }
    if (a->ServerGroup < 1 || a->ServerGroup > 3) return; // no such room port
    room_server_ = hall_server_;
    room_port_ = settings_.room_ports[size_t(a->ServerGroup - 1)];
    SendRoomEntry(a->RoomID, std::string());
}

void THallSession::SendRoomEntry(int32_t room_id, const std::string& room_password) {
    view_.SetStatusVisible(true);
    view_.SetStatus("请求得到房间信息");
    RoomEntryRequest req;
    req.UserID = own_.UserID;
    req.NickName = own_.NickName;
    req.RoomID = room_id;
    req.PasswordDigest = own_.PasswordDigest;
    req.RoomPassword = room_password;
    req.HasCamera = has_camera_ ? 1 : 0;
    req.LinkOption = static_cast<uint8_t>(link_option_);
    if (send_) send_(room_server_, room_port_, Encode(req));
    view_.SetStatusVisible(false);
}

void THallSession::RoomPasswordEntered(const std::string& room_password) {
    SendRoomEntry(pending_room_, room_password);
}

void THallSession::HandleRoomEntryAnswer(const std::vector<uint8_t>& msg) {
    auto a = Decode<RoomEntryAnswer>(msg); // all 1535 bytes, or nothing
    if (!a) return;
    a->Room.WelcomeStyle = TrimText(a->Room.WelcomeStyle);
    view_.SetStatusVisible(true);
    view_.SetStatus("得到房间信息");
    const std::string error = TrimText(a->ErrorText);
    if (error == kWrongRoomPasswordText) {
        view_.ShowRoomPassword();
    } else if (error == kLevelTooLowText) {
        view_.ShowUpgrade(a->UpgradeRoomID);
    } else if (!error.empty()) {
        view_.ShowMessage(error);
    } else {
        const auto open = view_.OpenRooms();
        if (std::find(open.begin(), open.end(), a->Room.RoomID) == open.end()) {
            view_.SetStatus("正在初始化房间");
            view_.OpenRoom(*a, room_server_);
        }
    }
    view_.SetStatusVisible(false);
}

} // namespace kel
