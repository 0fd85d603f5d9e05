#include "room/MicControl.h"

#include <algorithm>
#include <exception>
#include <limits>

#include "config/RightQuery.h"
#include "foundation/kelDebug.h"
#include "protocol/LayoutSupport.h"
#include "protocol/MicRequests.h"
#include "room/ChatRoom.h"

namespace kel {

namespace {

constexpr const char* kPrefix = "【系统】：";
constexpr const char* kAnswerPrefix = "【系统】:";
constexpr const char* kNoRight = "您的权限不够！";

constexpr uint8_t kPubMic = 1;
constexpr uint8_t kPaidMic = 5;
constexpr uint8_t kQueued = 6;

bool IsPrivateState(uint8_t s) { return s >= 2 && s <= 5; }

// Only a positive limit counts down; -1, 0 (and any other negative value
// a server might send) mean no limit.
bool HasLimit(int32_t limit) { return limit > 0; }

} // namespace

TMicControl::TMicControl(TChatRoom& room, IRoomView& view, ILoop& loop)
    : room_(room), view_(view), loop_(loop), tick_(loop, kTickMs), last_count_(loop.Now()) {
    tick_.OnTimer = [this](TTimer&) { UpdateMicTimes(); };
    auto bind = [this](int32_t code, void (TMicControl::*fn)(const std::vector<uint8_t>&)) {
        room_.SetHandler(code, [this, fn](const TChatRoom::Block& m) { (this->*fn)(m); });
    };
    bind(cmd::kAskMicAnswer, &TMicControl::OnMicAnswer);
    bind(cmd::kMicGranted, &TMicControl::OnMicGranted);
    bind(cmd::kMicChanged, &TMicControl::OnMicChanged);
    bind(cmd::kUserLeftMic, &TMicControl::OnMicDown);
    bind(cmd::kMicStateList, &TMicControl::OnMicList);
    bind(cmd::kMicQueueList, &TMicControl::OnQueueList);
    bind(cmd::kUserListMicStates, &TMicControl::OnUserMicStates);
    bind(cmd::kHoldMicAnswer, &TMicControl::OnHoldOnAnswer);
    bind(cmd::kReleaseHeldMicAnswer, &TMicControl::OnHoldOffAnswer);
    bind(cmd::kAddMicTimeAnswer, &TMicControl::OnAddMicTimeAnswer);
    bind(cmd::kMicTimeAdded, &TMicControl::OnMicTimeAdded);
    bind(cmd::kSetMicOrderAnswer, &TMicControl::OnMicOrderAnswer);
    bind(cmd::kMicQueueReordered, &TMicControl::OnMicQueueReordered);
}

TMicControl::~TMicControl() { tick_.SetEnabled(false); }

void TMicControl::Start() {
    last_count_ = loop_.Now();
    tick_.SetEnabled(true);
}

void TMicControl::Shutdown() {
    tick_.SetEnabled(false);
    // A running sender means the own user still holds a mic: leave it
    // rather than let the server keep a silent mic until the stay expires.
    if (sender_->Running()) {
        sender_->Stop();
        SendLeave();
    }
    for (int k = 0; k < kSlots; ++k) StopSlot(k);
}

// ---- texts

void TMicControl::Private(int style, const std::string& text) { view_.PrivateSystemLine(style, kPrefix, text); }

void TMicControl::PrivateAnswer(int style, const std::string& text) {
    view_.PrivateSystemLine(style, kAnswerPrefix, text);
}

void TMicControl::Public(int style, const std::string& text) { view_.PublicSystemLine(style, kPrefix, text); }

bool TMicControl::Right(int bit) const { return TRightQuery::HasRight(room_.RightLevel(), bit); }

// ---- own requests

void TMicControl::ReqMic(uint8_t state) {
    if (state == 0) {
        if (room_.MicState() != 0) SendLeaveMic();
        else Private(2, "你没有上麦,不能下麦！");
        return;
    }
    if (state == kPubMic && room_.RoomInfo().NoRegisteredOnMic == 1) {
        const TUserInfoUserMng* me = room_.Directory().FindUser(room_.MyUserID());
        const int32_t type = me ? me->UserType : room_.UserType();
        const int32_t level = me ? me->ManagerLevel : room_.ManagerLevel();
        if (type == 2 && level < 1) {
            Private(1, "本房间禁止注册用户上公麦！");
            return;
        }
    }
    if (!TRightQuery::HasMicRight(room_.MicRight(), state)) {
        Private(1, kNoRight);
        return;
    }
    if (state == kPaidMic) {
        int16_t gift = 0, count = 0;
        if (AskPaidMic && AskPaidMic(gift, count) && gift > 0 && count > 0) SendMicRequest(kPaidMic, gift, count);
        return;
    }
    SendMicRequest(state, 0, 0);
}

void TMicControl::SendMicRequest(uint8_t state, int16_t gift_id, int16_t gift_count) {
    MicRequest r;
    r.Head = room_.Header();
    r.State = state;
    r.GiftID = gift_id;
    r.GiftCount = gift_count;
    room_.SendRoomMessage(Encode(r));
    room_.Waits().AddWait(cmd::kAskMic, room_.MyUserID());
}

void TMicControl::SendLeaveMic() {
    if (room_.MicState() == 0 && my_slot_ < 0) {
        Private(2, "你没有上麦！");
        return;
    }
    SendLeave();
}

void TMicControl::SendLeave() {
    LeaveMicRequest r;
    r.Head = room_.Header();
    room_.SendRoomMessage(Encode(r));
    room_.SetMicState(0);
    my_slot_ = -1;
}

void TMicControl::EnableAudio(bool on) {
    send_audio_ = on;
    sender_->SendAudio(on);
}

// ---- on other users

bool TMicControl::IsOnMic(int32_t user_id) const {
    if (room_.OnMic().contains(user_id)) return true;
    return user_id != 0 && std::find(slots_.begin(), slots_.end(), user_id) != slots_.end();
}

void TMicControl::OnAddCancelMic(int32_t user_id) {
    const TUserInfoUserMng* u = room_.Directory().FindUser(user_id);
    if (!u) return;
    if (!Right(11)) return Private(1, kNoRight);
    if (user_id == room_.MyUserID()) return;
    if (IsOnMic(user_id) || IsPrivateState(u->MicState)) SendHoldOffMic(user_id);
    else SendHoldOnMic(user_id);
}

void TMicControl::OnAddMicTime(int32_t user_id) {
    if (Right(16)) SendAddMicTime(user_id);
    else Private(1, kNoRight);
}

template <class R>
R TMicControl::Targeted(int32_t user_id) const {
    R r;
    r.Head = room_.Header();
    r.NickName = room_.MyNick();
    r.TargetID = user_id;
    return r;
}

void TMicControl::SendHoldOnMic(int32_t user_id) { room_.SendRoomMessage(Encode(Targeted<HoldOnMicRequest>(user_id))); }

void TMicControl::SendHoldOffMic(int32_t user_id) { room_.SendRoomMessage(Encode(Targeted<HoldOffMicRequest>(user_id))); }

void TMicControl::SendAddMicTime(int32_t user_id) { room_.SendRoomMessage(Encode(Targeted<AddMicTimeRequest>(user_id))); }

std::vector<int32_t> TMicControl::QueuedUsers() const {
    std::vector<const TUserInfoUserMng*> queued;
    const TUserManage& dir = room_.Directory();
    for (size_t i = 0; i < dir.Count(); ++i)
        if (dir.Items(i)->MicState == kQueued) queued.push_back(dir.Items(i));
    std::stable_sort(queued.begin(), queued.end(),
                     [](const auto* a, const auto* b) { return a->MicOrder < b->MicOrder; });
    std::vector<int32_t> ids;
    for (const auto* u : queued) ids.push_back(u->UserID);
    return ids;
}

void TMicControl::OnSetMicOrder() {
    if (!Right(16)) return Private(1, kNoRight);
    // One dialog at a time.
    if (order_dialog_open_ || !EditMicOrder) return;
    std::vector<int32_t> order = QueuedUsers();
    order_dialog_open_ = true;
    const bool ok = EditMicOrder(order);
    order_dialog_open_ = false;
    if (ok) SendMicOrder(order);
}

void TMicControl::SendMicOrder(const std::vector<int32_t>& order) {
    if (order.empty()) return;
    try {
        MicOrderRequest r;
        r.Head = room_.Header();
        r.NickName = room_.MyNick();
        r.UserIDs = order;
        room_.SendRoomMessage(Encode(r));
    } catch (const std::exception& e) {
        Log(std::string("SendAnsUserList, ") + e.what());
    }
}

std::pair<bool, bool> TMicControl::QueryMicMenu(int32_t user_id) const {
    const TUserInfoUserMng* u = room_.Directory().FindUser(user_id);
    if (!u) return {false, false};
    const bool plain_on_pub = u->MicState == kPubMic && u->UserType <= 2 && u->ManagerLevel <= 0;
    const bool limited = u->MicTimeLimit != -1 && u->MicTimeLimit != 0;
    return {plain_on_pub || limited, u->ChatForbidden != 0};
}

int32_t TMicControl::SlotUser(int slot) const {
    return slot >= 0 && slot < kSlots ? slots_[static_cast<size_t>(slot)] : 0;
}

// ---- slots

void TMicControl::StartSlot(int slot, int32_t user_id, uint32_t media_ip, uint16_t media_port) {
    TUserInfoUserMng* u = room_.Directory().FindUser(user_id);
    if (!u || slot < 0 || slot >= kSlots) return;
    // One user shows on one slot only.
    for (int k = 0; k < kSlots; ++k)
        if (slots_[static_cast<size_t>(k)] == user_id || k == slot) StopSlot(k);
    TPublicMicView v;
    v.Slot = slot;
    v.User = *u;
    v.MediaIp = media_ip;
    v.MediaPort = media_port;
    v.MediaTicket = MediaTicket;
    v.Own = user_id == room_.MyUserID();
    if (!v.Own) {
        v.MayKick = Right(10);
        v.MayForbidChat = Right(12);
        v.MayAddTime = Right(16);
        v.MayTakeOff = Right(11);
    }
    v.AudioOn = AudioOn[static_cast<size_t>(slot)];
    v.VideoOn = VideoOn[static_cast<size_t>(slot)];
    slots_[static_cast<size_t>(slot)] = user_id;
    view_.StartPublicMicView(v);
}

void TMicControl::StopSlot(int slot) {
    int32_t& shown = slots_[static_cast<size_t>(slot)];
    if (shown == 0) return;
    shown = 0;
    view_.StopPublicMicView(slot);
}

void TMicControl::UserLeft(int32_t user_id) {
    for (int k = 0; k < kSlots; ++k)
        if (slots_[static_cast<size_t>(k)] == user_id) StopSlot(k);
}

void TMicControl::UpdateMicTimes() {
    const Tick now = loop_.Now();
    const uint32_t elapsed = TickElapsed(now, last_count_);
    if (elapsed < kCountdownMs) return;
    for (int k = 0; k < kSlots; ++k) {
        TUserInfoUserMng* u = room_.Directory().FindUser(slots_[static_cast<size_t>(k)]);
        if (!u || !HasLimit(u->MicTimeLimit)) continue;
        const int64_t used = std::max<int64_t>(0, u->MicTimeUsed) + elapsed;
        u->MicTimeUsed = static_cast<int32_t>(std::min<int64_t>(used, std::numeric_limits<int32_t>::max()));
        view_.PublicMicTime(k, std::max(0, u->MicTimeLimit - u->MicTimeUsed));
    }
    last_count_ = now;
}

void DropQueueRow(std::vector<int32_t>& rows, int from, int onto) {
    const int n = static_cast<int>(rows.size());
    if (from < 0 || from >= n) return;
    if (onto < 0 || onto >= n) onto = n - 1;
    if (onto == from) return;
    const int32_t moved = rows[static_cast<size_t>(from)];
    // The copy goes below a target further down, above one further up.
    const int at = from < onto ? onto + 1 : onto;
    rows.insert(rows.begin() + at, moved);
    rows.erase(rows.begin() + (from < at ? from : from + 1));
}

} // namespace kel
