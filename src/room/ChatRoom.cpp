#include "room/ChatRoom.h"

#include <exception>

#include "config/Gift.h"
#include "config/RightQuery.h"
#include "foundation/Gbk.h"
#include "foundation/kelDebug.h"
#include "foundation/kelUtils.h"
#include "protocol/Encrypt.h"
#include "protocol/Envelope.h"
#include "protocol/ChatMessages.h"
#include "protocol/HallMessages.h"
#include "protocol/LayoutSupport.h"
#include "protocol/MessageChannel.h"
#include "protocol/RoomMessages.h"
#include "room/MicControl.h"
#include "room/RoomTexts.h"

namespace kel {

namespace {

constexpr const char* kSystemPrefix = "【系统】:";
constexpr const char* kSystemPrefixWide = "【系统】：";

// Cuts UTF-8 text to at most `n` characters.
std::string CutChars(const std::string& s, size_t n) {
    size_t i = 0, chars = 0;
    while (i < s.size() && chars < n) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        i += c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        ++chars;
    }
    return s.substr(0, std::min(i, s.size()));
}

} // namespace

const std::vector<TChatRoom::TSlot>& TChatRoom::Slots() {
    // Every code the room server may send to a room window. Those of later
    // features are filled by their owners through SetHandler.
    static const std::vector<TSlot> slots = {
        {8000, "MicStateList"},        {8001, "SystemAnnouncement"}, {8002, "LuxuryGiftList"},
        {8003, "Loudspeaker"},         {8004, "GiftBroadcast"},      {8005, "RoomRestart"},
        {8006, "DiceResult"},          {8007, "ChatForbidden"},      {8009, "GiftEvent"},
        {8010, "GameWin"},             {8011, "MicQueueList"},       {8013, "RoomSettingsChanged"},
        {8014, "ManagerChanged"},      {8016, "UserLeft"},           {8028, "TempManagerDismissed"},
        {8033, "MicChanged"},          {8034, "MicTimeAdded"},       {8035, "MicQueueReordered"},
        {8041, "UserEntered"},         {8098, "VideoClosed"},        {8888, "RoomNoticeBroadcast"},
        {9005, "UserRemoved"},         {9013, "ChatMessage"},        {9014, "UserLeftMic"},
        {9018, "TempManagerAppointed"}, {9019, "ManagerAppointed"},  {9083, "GiftReceived"},
        {9084, "FunPhraseDelivered"},  {10022, "KeepAliveAnswer"},   {10140, "BalanceChanged"},
        {11107, "MicGranted"},         {19002, "UserProfileAnswer"}, {19004, "KickAnswer"},
        {19010, "UserAddressAnswer"},  {19013, "PaidPriMicStopped"}, {19014, "PrivateChat"},
        {19015, "ChatRefused"},        {19112, "ForbidChatAnswer"},  {20016, "UserEnteredNotice"},
        {20017, "UserLeftNotice"},     {20021, "SendGiftAnswer"},    {20023, "FunPhraseAnswer"},
        {20031, "ExchangeGiftAnswer"}, {20090, "WatchPriMicFailed"}, {20091, "WatchPriMic"},
        {20092, "WatchPriMicAnswer"},  {20097, "WatchPriMicStart"},  {20111, "EnterRoomAnswer"},
        {20121, "UserListWithNotices"}, {20122, "UserListMicStates"}, {20123, "UserList"},
        {21098, "StopWatchPriMic"},    {21099, "ForbidPriMicViewer"}, {21100, "NewPriMicViewer"},
        {21101, "PaidPriMicPrice"},    {21106, "PayPriMicAnswer"},   {30002, "AskMicAnswer"},
        {30012, "ReleaseHeldMicAnswer"}, {30032, "HoldMicAnswer"},   {30034, "AddMicTimeAnswer"},
        {30036, "SetMicOrderAnswer"},  {80002, "RoomSettings"},      {80005, "UserBlackList"},
        {80008, "AddressBlackList"},   {80011, "ManagerList"},       {80013, "ChangeUserBlackListAnswer"},
        {80026, "TempManagerList"},    {80040, "ManagerChangeRefused"}, {81020, "LoudspeakerAnswer"},
    };
    return slots;
}

bool TChatRoom::IsRoomCode(int32_t code) {
    for (const auto& s : Slots())
        if (s.Code == code) return true;
    return false;
}

TChatRoom::TChatRoom(ILoop& loop, TRoomContext ctx, IRoomView& view, std::unique_ptr<IRoomEndpoint> endpoint)
    : loop_(loop), ctx_(std::move(ctx)), view_(view), endpoint_(std::move(endpoint)), pump_(loop, kPumpIntervalMs),
      lists_(directory_) {
    BudgetClock = [] { return RealTickCount(); };
    pump_.Tag = 0;
    pump_.OnTimer = [this](TTimer&) { PumpInbound(); };
    waits_.OnTimeout = [this](const std::string& msg) { SystemLine(2, msg); };
    sink_->Room = this;
    if (endpoint_)
        endpoint_->OnRecv = [sink = sink_](uint32_t ip, uint16_t port, const uint8_t* data, int32_t len) {
            std::lock_guard<std::mutex> g(sink->Lock);
            if (sink->Room) sink->Room->QueueInbound(ip, port, data, len);
        };
    Register(cmd::kKeepAliveAnswer, &TChatRoom::OnKeepAliveAnswer);
    Register(cmd::kEnterRoomAnswer, &TChatRoom::OnEnterRoomAnswer);
    Register(cmd::kRoomRestart, &TChatRoom::OnRoomRestart);
    Register(cmd::kLuxuryGiftList, &TChatRoom::OnLuxuryGiftList);
    Register(cmd::kBalanceChanged, &TChatRoom::OnBalanceChanged);
    Register(cmd::kUserEntered, &TChatRoom::OnUserEntered);
    Register(cmd::kUserEnteredNotice, &TChatRoom::OnUserEnteredPlain);
    Register(cmd::kUserListWithNotices, &TChatRoom::OnUserList);
    Register(cmd::kUserList, &TChatRoom::OnUserList);
    Register(cmd::kUserLeft, &TChatRoom::OnUserLeft);
    Register(cmd::kUserLeftNotice, &TChatRoom::OnUserLeftPlain);
    Register(cmd::kUserProfileAnswer, &TChatRoom::OnProfileAnswer);
    Register(cmd::kUserAddressAnswer, &TChatRoom::OnAddressAnswer);
    Register(cmd::kManagerList, &TChatRoom::OnManagerList);
    mic_ = std::make_unique<TMicControl>(*this, view_, loop_);
}

TChatRoom::~TChatRoom() {
    *alive_ = false;
    {
        // The receive thread must not queue into a room that is going away.
        std::lock_guard<std::mutex> g(sink_->Lock);
        sink_->Room = nullptr;
    }
    pump_.SetEnabled(false);
    if (entered_) mic_->Shutdown();
    if (endpoint_) {
        if (entered_) {
            LeaveRoomRequest leave;
            leave.Head = Header();
            SendRoomMessage(Encode(leave));
        }
        LingerAndClose(loop_, std::move(endpoint_), kLeaveLingerMs);
    }
    inbound_.Clear();
}

void TChatRoom::Register(int32_t code, void (TChatRoom::*fn)(const Block&)) {
    handlers_[code] = [this, fn](const Block& m) { (this->*fn)(m); };
}

bool TChatRoom::SetHandler(int32_t code, Handler handler) {
    if (!IsRoomCode(code)) return false;
    handlers_[code] = std::move(handler);
    return true;
}

bool TChatRoom::HasHandler(int32_t code) const {
    auto it = handlers_.find(code);
    return it != handlers_.end() && it->second;
}

bool TChatRoom::InitRoom(const TRoomInit& init) {
    my_user_id_ = init.UserID;
    my_nick_ = CutChars(init.NickName, 30);
    user_type_ = init.UserType;
    manager_level_ = init.ManagerLevel;
    right_level_ = init.RightLevel;
    mic_right_ = init.MicRight;
    mic_state_ = 0;
    room_ = init.Room;
    room_id_ = room_.RoomID;
    room_ticket_ = init.RoomTicket;
    server_addr_ = init.ServerIp;
    last_alive_ = loop_.Now();
    pacing_tick_ = last_alive_;

    // A record naming no server group would send to port 0.
    if (room_.ServerGroup < 1 || room_.ServerGroup > 3 || ctx_.RoomPorts[room_.ServerGroup - 1] == 0) {
        view_.EntryRefused("房间服务器设置有误，无法进入该房间！");
        return false;
    }
    server_port_ = ctx_.RoomPorts[room_.ServerGroup - 1];
    if (!endpoint_) return false;
    try {
        endpoint_->SetActive(true);
    } catch (const std::exception& e) {
        Log(std::string("room endpoint: ") + e.what());
        view_.EntryRefused("网络初始化失败，无法进入该房间！");
        return false;
    }
    pump_.Tag = 0;
    pump_.SetEnabled(true);
    mic_->Start();
    EnterRoomRequest enter;
    enter.UserID = my_user_id_;
    enter.RoomID = room_id_;
    enter.RoomTicket = room_ticket_;
    enter.MachineId = GetAdapterAddress();
    SendRoomMessage(Encode(enter));
    entered_ = true;
    return true;
}

RoomRequestHeader TChatRoom::Header() const {
    RoomRequestHeader h;
    h.UserID = my_user_id_;
    h.RoomID = room_id_;
    h.RoomTicket = room_ticket_;
    h.EchoValue = echo_value_;
    h.EchoWord = echo_word_;
    return h;
}

void TChatRoom::SendRoomMessage(const std::vector<uint8_t>& plain) {
    if (!endpoint_ || !ctx_.Cipher || plain.empty()) return;
    try {
        std::vector<uint8_t> sealed = SealMessage(*ctx_.Cipher, plain.data(), plain.size());
        endpoint_->SendReliable(server_addr_, server_port_, sealed.data(), static_cast<int32_t>(sealed.size()));
    } catch (const std::exception& e) {
        // Sending never reports failure; loss shows as a time-out.
        Log(std::string("room send: ") + e.what());
    }
}

void TChatRoom::SendProfileQuery(int32_t user_id) {
    ProfileQuery q;
    q.Head = Header();
    q.AskedID = user_id;
    SendRoomMessage(Encode(q));
    waits_.AddWait(cmd::kUserProfileQuery, user_id);
}

void TChatRoom::SendAddressQuery(int32_t user_id) {
    AddressQuery q;
    q.UserID = my_user_id_;
    q.RoomID = room_id_;
    q.RoomTicket = room_ticket_;
    q.AskedID = user_id;
    SendRoomMessage(Encode(q));
    waits_.AddWait(cmd::kUserAddressQuery, user_id);
}

void TChatRoom::SendManagerListQuery() {
    ManagerListQuery q;
    q.Head = Header();
    SendRoomMessage(Encode(q));
}

void TChatRoom::QueueInbound(uint32_t ip_net, uint16_t port, const uint8_t* data, int32_t len) {
    // Only the room server speaks to a room window.
    if (ip_net != server_addr_ || port != server_port_ || !ctx_.Cipher) return;
    ReceiveMessage(*ctx_.Cipher, inbound_, ip_net, port, data, len);
}

void TChatRoom::PumpInbound() {
    if (closing_) return;
    pump_.SetEnabled(false);
    waits_.CheckTimeouts();

    if (++pump_.Tag > kKeepAliveTicks) {
        RoomKeepAlive ka;
        ka.Head = Header();
        SendRoomMessage(Encode(ka));
        pump_.Tag = 0;
        if (TickElapsed(loop_.Now(), last_alive_) > kAliveLossMs) {
            closing_ = true;
            view_.KeepAliveLost();
            return; // the pump stays off
        }
    }

    const Tick now = loop_.Now();
    if (room_.GiftPacingMs >= 0 && TickElapsed(now, pacing_tick_) >= static_cast<uint32_t>(room_.GiftPacingMs)) {
        pacing_tick_ = now;
        if (OnGiftPacingStep) OnGiftPacingStep();
    }

    // Work the queue off in arrival order while the tick's budget lasts, so
    // that a burst does not pile up behind a one-message-per-tick pump.
    const Tick started = BudgetClock();
    while (!closing_) {
        auto msg = inbound_.Pop();
        if (!msg) break;
        DispatchMessage(*msg);
        if (TickElapsed(BudgetClock(), started) >= kPumpBudgetMs) break;
    }
    if (!closing_) pump_.SetEnabled(true);
}

bool TChatRoom::DispatchMessage(const Block& msg) {
    const int32_t code = MessageCode(msg.data(), msg.size());
    auto it = handlers_.find(code);
    if (it == handlers_.end() || !it->second) return false;
    try {
        it->second(msg);
    } catch (const std::exception& e) {
        Log("room handler " + std::to_string(code) + ": " + e.what());
    }
    return true;
}

void TChatRoom::SystemLine(int kind, const std::string& text) { view_.PrivateSystemLine(kind, kSystemPrefix, text); }

TUserInfoUserMng TChatRoom::Cleaned(const TUserInfoUserMng& user) const {
    TUserInfoUserMng u = user;
    u.NickName = CleanNickname(u.NickName);
    return u;
}

std::string TChatRoom::RoomLabel() const {
    return CutChars("(" + std::to_string(my_user_id_) + ")" + my_nick_, 20);
}

std::string TChatRoom::Caption() const { return "(" + std::to_string(room_id_) + ")" + room_.RoomName; }

// ---- handlers

void TChatRoom::OnKeepAliveAnswer(const Block& m) {
    auto a = Decode<KeepAliveAnswer>(m);
    if (!a) return;
    echo_value_ = a->Connection.A;
    echo_word_ = a->Connection.B;
    last_alive_ = loop_.Now();
}

void TChatRoom::OnEnterRoomAnswer(const Block& m) {
    auto a = Decode<EnterRoomAnswer>(m);
    if (!a) return;
    echo_value_ = a->Echo.A;
    echo_word_ = a->Echo.B;
    for (const auto& line : WelcomeLines(room_)) view_.PrivateHtml(line);
    if (auto wait = RegisteredWaitNotice(user_type_, manager_level_, room_.RegisteredChatWaitS))
        SystemLine(2, *wait);
    for (const auto& g : a->LuxuryGifts)
        if (g.Kind != 7) luxury_.push_back(g);
    view_.LuxuryGiftsChanged();
    if (ctx_.Gifts && ctx_.Gifts->FindGift(a->LatestGift.GiftID)) view_.GiftEventLine(a->LatestGift);
    view_.RoomDescription(StripTagsFirstLine(room_.Description));
}

// 8002 replaces the banner's list as a whole; unlike the entry answer's
// list, every record the server sends is kept, kind 7 included.
void TChatRoom::OnLuxuryGiftList(const Block& m) {
    auto l = Decode<LuxuryGiftList>(m);
    if (!l) return;
    luxury_ = std::move(l->Gifts);
    view_.LuxuryGiftsChanged();
}

void TChatRoom::OnRoomRestart(const Block& m) {
    auto n = Decode<RoomRestartNotice>(m);
    if (!n) return;
    view_.PrivateSystemLine(2, kSystemPrefixWide, RoomRestartText(n->Reason));
}

void TChatRoom::OnBalanceChanged(const Block& m) {
    auto b = Decode<BalanceChanged>(m);
    if (!b) return;
    view_.CoinsChanged(b->Coins);
}

void TChatRoom::ShowEntryNotice(const TUserInfoUserMng& user, bool announce) {
    const TEntryNotice n =
        MakeEntryNotice(user, announce, user.UserID == my_user_id_, ctx_.Levels, ctx_.AppPath);
    switch (n.What) {
    case TEntryNotice::kPlainLine: view_.EntryLine(user); break;
    case TEntryNotice::kOwnWelcome: view_.PrivateSystemLine(0, kSystemPrefix, n.Text); break;
    case TEntryNotice::kPublicHtml: view_.PublicHtml(n.Text); break;
    case TEntryNotice::kNone: break;
    }
}

void TChatRoom::OnUserEntered(const Block& m) {
    auto n = Decode<UserEnteredNotice>(m);
    if (!n || n->UserID == my_user_id_) return;
    if (TUserInfoUserMng* rec = directory_.AddUser(Cleaned(n->User))) ShowEntryNotice(*rec, true);
}

void TChatRoom::OnUserEnteredPlain(const Block& m) {
    auto n = Decode<UserEnteredPlain>(m);
    if (!n || n->UserID == my_user_id_) return;
    if (TUserInfoUserMng* rec = directory_.AddUser(Cleaned(n->User))) view_.EntryLine(*rec);
}

void TChatRoom::OnUserList(const Block& m) {
    auto l = Decode<UserListMessage>(m);
    if (!l) return;
    const bool notices = l->Code == UserListMessage::kCodeWithNotices;
    for (const auto& u : l->Users) {
        TUserInfoUserMng* rec = directory_.AddUser(Cleaned(u));
        if (!rec || !notices) continue;
        ShowEntryNotice(*rec, false);
        if (rec->ManagerLevel == 3) temp_managers_.insert(rec->UserID);
    }
}

void TChatRoom::OnUserLeft(const Block& m) {
    auto n = Decode<UserLeftNotice>(m);
    if (!n || !directory_.FindUser(n->UserID)) return;
    view_.LeaveLine(n->UserID, CleanNickname(n->NickName));
    directory_.RemoveUser(n->UserID);
    blocked_chat_.erase(n->UserID);
    on_mic_.erase(n->UserID);
    temp_managers_.erase(n->UserID);
    mic_->UserLeft(n->UserID);
    view_.UserLeft(n->UserID, true);
}

void TChatRoom::OnUserLeftPlain(const Block& m) {
    auto n = Decode<UserLeftPlain>(m);
    if (!n || !directory_.FindUser(n->UserID)) return;
    view_.LeaveLine(n->UserID, CleanNickname(n->NickName));
    directory_.RemoveUser(n->UserID);
    on_mic_.erase(n->UserID);
    mic_->UserLeft(n->UserID);
    view_.UserLeft(n->UserID, false);
}

void TChatRoom::OnProfileAnswer(const Block& m) {
    auto a = Decode<ProfileAnswer>(m);
    if (!a) return;
    waits_.EndWait(cmd::kUserProfileQuery, a->Profile.UserID);
    a->Profile.NickName = CleanNickname(a->Profile.NickName);
    view_.ShowProfile(a->Profile);
}

void TChatRoom::OnAddressAnswer(const Block& m) {
    auto a = Decode<AddressAnswer>(m);
    if (!a) return;
    waits_.EndWait(cmd::kUserAddressQuery, a->UserID);
    const int32_t id = a->UserID;
    const int32_t status = a->Status;
    const uint32_t ip = a->Ip;
    if (status != AddressAnswer::kFound || !ctx_.Locator) {
        view_.PrivateSystemLine(3, "查看IP:", AddressAnswerText(status, id, ip, {}));
        return;
    }
    std::weak_ptr<bool> alive = alive_;
    ctx_.Locator->Locate(AddressToText(ip), [this, alive, id, ip](const std::string& where) {
        auto a2 = alive.lock();
        if (!a2 || !*a2) return;
        view_.PrivateSystemLine(3, "查看IP:", AddressAnswerText(AddressAnswer::kFound, id, ip, where));
    });
}

void TChatRoom::OnManagerList(const Block& m) {
    auto l = Decode<ManagerList>(m);
    if (!l) return;
    std::vector<std::string> lines;
    for (const auto& e : l->Managers) lines.push_back(std::to_string(e.UserID) + " " + CleanNickname(e.NickName));
    view_.ManagerListArrived(lines, TRightQuery::HasRight(right_level_, 4));
}

// ---- users

bool TChatRoom::ModifyUserInfo(const TUserInfoUserMng& user) {
    directory_.RefreshViews();
    if (user.UserID != my_user_id_) return false;
    user_type_ = user.UserType;
    manager_level_ = user.ManagerLevel;
    mic_state_ = user.MicState;
    right_level_ = user.RightLevel;
    mic_right_ = user.MicRight;
    view_.OwnRecordChanged(user);
    return true;
}

bool TChatRoom::MenuFor(int32_t user_id, TSubMenuState& state) const {
    if (user_id == my_user_id_) return false;
    const TUserInfoUserMng* u = directory_.FindUser(user_id);
    if (!u) return false;
    state = MakeSubMenuState(right_level_, blocked_chat_.contains(user_id), u->MicState, u->ChatForbidden != 0);
    return true;
}

void TChatRoom::OnPopEnvent(int32_t user_id, SubMenuEnum item) {
    if (!directory_.FindUser(user_id)) return;
    const char* prefix = kSystemPrefixWide;
    switch (item) {
    case SubMenuEnum::dispInfo: SendProfileQuery(user_id); return;
    case SubMenuEnum::DispIP: SendAddressQuery(user_id); return;
    case SubMenuEnum::AddCancelMic: mic_->OnAddCancelMic(user_id); return;
    case SubMenuEnum::AddMicTime: mic_->OnAddMicTime(user_id); return;
    case SubMenuEnum::smeSetMicOrder: mic_->OnSetMicOrder(); return;
    case SubMenuEnum::DisableChat:
        if (!blocked_chat_.erase(user_id)) blocked_chat_.insert(user_id);
        return;
    case SubMenuEnum::AddManager:
        if (directory_.IsGuest(user_id)) view_.PrivateSystemLine(1, prefix, "游客不能被加管！");
        else if (!TRightQuery::HasRight(right_level_, 4)) view_.PrivateSystemLine(1, prefix, "您没有添加管理员的权限！");
        else if (OnMenuAction) OnMenuAction(user_id, item);
        return;
    case SubMenuEnum::AddTempManager:
        if (directory_.IsGuest(user_id)) view_.PrivateSystemLine(1, prefix, "游客不能被加临管！");
        else if (!TRightQuery::HasRight(right_level_, 3))
            view_.PrivateSystemLine(1, prefix, "您没有添加临时管理员的权限！");
        else if (OnMenuAction) OnMenuAction(user_id, item);
        return;
    default:
        if (OnMenuAction) OnMenuAction(user_id, item);
        return;
    }
}

} // namespace kel
