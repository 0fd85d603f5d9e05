// TMicControl's handlers of what the room server sends about mics: the
// answers to the own requests and the broadcasts that move users on and
// off mics.
#include "room/MicControl.h"

#include <algorithm>
#include <limits>

#include "foundation/kelUtils.h"
#include "protocol/LayoutSupport.h"
#include "protocol/MicNotices.h"
#include "protocol/RoomMessages.h"
#include "room/ChatRoom.h"
#include "room/MicTexts.h"

namespace kel {

namespace {

constexpr const char* kPrefix = "【系统】：";
constexpr uint8_t kPubMic = 1;
constexpr uint8_t kQueued = 6;

} // namespace

void TMicControl::OnMicAnswer(const std::vector<uint8_t>& m) {
    auto a = Decode<MicRefused>(m);
    if (!a) return;
    room_.Waits().EndWait(cmd::kAskMic, a->Key);
    if (auto t = MicRefusedText(a->Reason)) PrivateAnswer(t->Style, t->Text);
}

void TMicControl::OnMicGranted(const std::vector<uint8_t>& m) {
    auto g = Decode<MicGranted>(m);
    if (!g) return;
    room_.Waits().EndWait(cmd::kAskMic, g->Key);
    if (g->State == kQueued) return;
    TOwnSenderStart how;
    how.MediaIp = g->MediaIp;
    how.MediaPort = g->MediaPort;
    how.VideoDevice = VideoDevice;
    how.MediaTicket = MediaTicket;
    // A second grant (another state) moves the stream: start it afresh.
    if (sender_->Running()) sender_->Stop();
    sender_->Start(how);
    sender_->SendAudio(send_audio_);
}

void TMicControl::OnMicChanged(const std::vector<uint8_t>& m) {
    auto c = Decode<MicChanged>(m);
    if (!c) return;
    TUserInfoUserMng* s = room_.Directory().FindUser(c->UserID);
    if (!s) return;
    const int32_t me = room_.MyUserID();
    const std::string subject = PartyText(c->UserID, CleanNickname(c->NickName), me);
    if (c->UserID == c->OperatorID) {
        Public(0, MicChangedOwnLine(subject, c->OldState, c->NewState));
    } else {
        Public(0, subject + " 被 " + PartyText(c->OperatorID, CleanNickname(c->OperatorNick), me) + " 抱上公麦");
    }

    if (c->NewState == kPubMic && (c->Slot < 0 || c->Slot >= kSlots)) {
        view_.PublicSystemLine(2, "【系统】", "获得麦号失败，上麦失败！");
        return;
    }
    // The record first, so that the window starts with the new mic time.
    s->MicState = c->NewState;
    s->MicTimeUsed = c->MicTimeUsed;
    s->MicTimeLimit = c->MicTimeLimit;
    s->MicOrder = c->MicOrder;
    if (c->NewState == kPubMic) {
        view_.ClosePrivateMicView(c->UserID);
        StartSlot(c->Slot, c->UserID, c->MediaIp, c->MediaPort);
        if (c->UserID == me) my_slot_ = c->Slot;
        room_.OnMicUsers().insert(c->UserID);
    } else {
        // Off the public mic now: a window still showing him would be stale.
        UserLeft(c->UserID);
        if (c->UserID == me) my_slot_ = -1;
    }
    if (c->UserID == me) room_.SetMicState(c->NewState);
    room_.Directory().Refilter();
    room_.Directory().RefreshViews();
}

void TMicControl::OnMicDown(const std::vector<uint8_t>& m) {
    auto d = Decode<MicDown>(m);
    if (!d) return;
    TUserInfoUserMng* s = room_.Directory().FindUser(d->UserID);
    if (!s) return;
    const int32_t me = room_.MyUserID();
    const int32_t subject_id = d->UserID, op_id = d->OperatorID;
    const std::string subject_nick = CleanNickname(d->NickName);
    std::string subject = PartyText(subject_id, subject_nick, me), op = subject;
    if (op_id != subject_id) {
        if (op_id == MicDown::kReentered || op_id == MicDown::kSystem) op = "系统";
        else op = PartyText(op_id, CleanNickname(d->OperatorNick), me);
        if (op_id == MicDown::kReentered) subject += " 因重新登陆房间";
    }
    Public(0, MicDownLine(d->Reason, subject, op));

    const uint8_t old_state = s->MicState;
    s->MicState = 0;
    s->MicTimeUsed = 0;
    s->MicTimeLimit = 0;
    s->MicOrder = -1;
    room_.Directory().Refilter();
    room_.Directory().RefreshViews();
    room_.OnMicUsers().erase(subject_id);
    if (subject_id == me) {
        // The own state follows the server: a later "下麦" must not send a
        // leave for a mic that is gone.
        room_.SetMicState(0);
        my_slot_ = -1;
    }
    if (old_state == kQueued) return;
    if (subject_id == me && sender_->Running()) sender_->Stop();
    if (d->Slot < 0) {
        view_.ClosePrivateMicView(subject_id);
        return;
    }
    UserLeft(subject_id);
}

void TMicControl::OnMicList(const std::vector<uint8_t>& m) {
    if (auto l = Decode<MicStateList>(m)) ApplyMicEntries(l->Entries);
}

void TMicControl::ApplyMicEntries(const std::vector<TMicEntry>& entries) {
    room_.OnMicUsers().clear();
    for (const auto& e : entries) {
        TUserInfoUserMng* u = room_.Directory().FindUser(e.UserID);
        if (!u) continue;
        u->MicState = e.State;
        u->MicTimeUsed = e.MicTimeUsed;
        u->MicTimeLimit = e.MicTimeLimit;
        room_.OnMicUsers().insert(e.UserID);
    }
}

void TMicControl::OnQueueList(const std::vector<uint8_t>& m) {
    auto l = Decode<MicQueueList>(m);
    if (!l) return;
    for (size_t i = 0; i < l->UserIDs.size(); ++i) {
        TUserInfoUserMng* u = room_.Directory().FindUser(l->UserIDs[i]);
        if (!u) continue;
        u->MicState = kQueued;
        u->MicOrder = static_cast<int16_t>(std::min<size_t>(i, std::numeric_limits<int16_t>::max()));
        room_.Directory().Refilter();
        room_.Directory().RefreshViews();
    }
}

void TMicControl::OnUserMicStates(const std::vector<uint8_t>& m) {
    auto l = Decode<UserMicStates>(m);
    if (!l) return;
    ApplyMicEntries(l->Entries);
    for (const auto& e : l->Entries) {
        // Only the three public mics of known users have windows.
        if (!room_.Directory().FindUser(e.UserID)) continue;
        if (e.Slot >= 0 && e.Slot < kSlots && e.State == kPubMic) StartSlot(e.Slot, e.UserID, e.MediaIp, e.MediaPort);
    }
    room_.Directory().Refilter();
    room_.Directory().RefreshViews();
}

void TMicControl::OnHoldOnAnswer(const std::vector<uint8_t>& m) {
    auto a = Decode<HoldOnMicAnswer>(m);
    if (!a) return;
    if (auto t = HoldOnAnswerText(a->Result)) Private(t->Style, t->Text);
}

void TMicControl::OnHoldOffAnswer(const std::vector<uint8_t>& m) {
    auto a = Decode<HoldOffMicAnswer>(m);
    if (!a) return;
    if (auto t = HoldOffAnswerText(a->Result)) Private(t->Style, t->Text);
}

void TMicControl::OnAddMicTimeAnswer(const std::vector<uint8_t>& m) {
    auto a = Decode<AddMicTimeAnswer>(m);
    if (!a) return;
    if (auto t = AddMicTimeAnswerText(a->Result)) Private(t->Style, t->Text);
}

void TMicControl::OnMicTimeAdded(const std::vector<uint8_t>& m) {
    auto a = Decode<MicTimeAdded>(m);
    if (!a) return;
    const int32_t me = room_.MyUserID();
    Public(0, PartyText(a->OperatorID, CleanNickname(a->OperatorNick), me) + " 给 " +
                  PartyText(a->UserID, CleanNickname(a->NickName), me) + " 增加5分钟麦时");
}

void TMicControl::OnMicOrderAnswer(const std::vector<uint8_t>& m) {
    auto a = Decode<MicOrderAnswer>(m);
    if (!a) return;
    if (auto t = MicOrderAnswerText(a->Result)) Private(t->Style, t->Text);
}

void TMicControl::OnMicQueueReordered(const std::vector<uint8_t>& m) {
    auto r = Decode<MicQueueReordered>(m);
    if (!r) return;
    TOrderList& queue = room_.Lists().lv_MicOrder();
    room_.Lists().ClearMicOrder();
    for (size_t i = 0; i < r->UserIDs.size(); ++i) {
        TUserInfoUserMng* u = room_.Directory().FindUser(r->UserIDs[i]);
        if (!u) continue;
        u->MicState = kQueued;
        u->MicOrder = static_cast<int16_t>(std::min<size_t>(i, std::numeric_limits<int16_t>::max()));
        if (queue.IndexOf(u->UserID) < 0) {
            queue.AddUser(u);
            room_.Directory().RefreshViews();
        }
    }
    view_.PublicSystemLine(2, kPrefix, "用户" + CleanNickname(r->OperatorNick) + "(" + std::to_string(r->OperatorID) +
                                           ")" + "调整麦序成功！");
}

} // namespace kel
