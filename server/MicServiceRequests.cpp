// The mic requests of the room server's members (MicService): asking for
// and leaving a mic, holding others on and off, mic time and queue order.
#include "MicService.h"

#include <algorithm>
#include <limits>

#include "MicRules.h"
#include "RoomService.h"
#include "Rights.h"
#include "protocol/LayoutSupport.h"
#include "protocol/MicNotices.h"
#include "protocol/MicRequests.h"

namespace kel::server {

using namespace mic;

void MicService::Ask(const Inbound& in) {
    auto req = Decode<MicRequest>(in.Plain);
    if (!req) return rooms_.Drop(in, "bad mic request");
    RoomService::Member* me = rooms_.FindMember(req->Head);
    if (!me) return rooms_.Drop(in, "mic request of no stay");
    const int32_t room_id = req->Head.RoomID, id = me->Record.UserID;
    const uint8_t want = req->State, cur = me->Record.MicState;
    auto row = rooms_.db_.FindRoom(room_id);
    const bool plain_registered = me->Record.UserType == kRegistered && me->Record.ManagerLevel == kNoManager;
    if (!HasMicRight(me->Record.MicRight, want)) return Refuse(in, id, 1);
    if (want == kPubMic && row && row->Info.NoRegisteredOnMic == 1 && plain_registered) return Refuse(in, id, 1);
    if (want == cur) return Refuse(in, id, want == kQueued ? 2 : IsPrivate(want) ? 5 : 7);

    Mics& mics = mics_[room_id];
    if (want == kPubMic) {
        const int slot = FreeSlot(mics);
        if (slot < 0) {
            if (!row || row->Info.AutoQueueOff != 0) return Refuse(in, id, 6);
            if (cur != kQueued) {
                LeaveState(room_id, id, id, SwitchReason(cur, kQueued), false);
                Enqueue(room_id, id, cur);
            }
            return Refuse(in, id, 8);
        }
        // From the queue the 8033 itself takes him off the queue list.
        LeaveState(room_id, id, id, SwitchReason(cur, kPubMic), cur == kQueued);
        TakeSlot(room_id, id, slot, id, cur);
        return;
    }
    const bool had_slot = SlotOf(mics, id) >= 0;
    if (cur != kNotInMic && !(IsPrivate(cur) && IsPrivate(want))) LeaveState(room_id, id, id, SwitchReason(cur, want), false);
    if (had_slot) Promote(room_id);
    if (want == kQueued) {
        Grant(room_id, id, kQueued);
        Enqueue(room_id, id, cur);
        Promote(room_id);
        return;
    }
    RoomService::Member* again = rooms_.FindMember(req->Head);
    if (!again) return;
    again->Record.MicTimeUsed = 0;
    again->Record.MicTimeLimit = -1;
    Grant(room_id, id, want);
    SetState(room_id, id, id, cur, want);
}

void MicService::Leave(const Inbound& in) {
    auto req = Decode<LeaveMicRequest>(in.Plain);
    if (!req) return rooms_.Drop(in, "bad leave-mic request");
    RoomService::Member* me = rooms_.FindMember(req->Head);
    if (!me) return rooms_.Drop(in, "leave-mic request of no stay");
    if (me->Record.MicState == kNotInMic) return;
    const int32_t id = me->Record.UserID;
    const bool had_slot = SlotOf(mics_[req->Head.RoomID], id) >= 0;
    LeaveState(req->Head.RoomID, id, id, 0, false);
    if (had_slot) Promote(req->Head.RoomID);
}

void MicService::Release(int32_t room_id, int32_t user_id, int32_t operator_id, int16_t reason) {
    auto r = rooms_.rooms_.find(room_id);
    if (r == rooms_.rooms_.end()) return;
    auto m = r->second.Members.find(user_id);
    if (m == r->second.Members.end() || m->second.Record.MicState == kNotInMic) return;
    const bool had_slot = SlotOf(mics_[room_id], user_id) >= 0;
    LeaveState(room_id, user_id, operator_id, reason, false);
    if (had_slot) Promote(room_id);
}

void MicService::HoldOn(const Inbound& in) {
    auto req = Decode<HoldOnMicRequest>(in.Plain);
    if (!req) return rooms_.Drop(in, "bad hold-on request");
    RoomService::Member* op = rooms_.FindMember(req->Head);
    if (!op) return rooms_.Drop(in, "hold-on request of no stay");
    const int32_t room_id = req->Head.RoomID, op_id = op->Record.UserID;
    auto answer = [&](int32_t result) {
        HoldOnMicAnswer a;
        a.Result = result;
        rooms_.out_.Send(in.Ip, in.Port, Encode(a));
    };
    if (!HasRight(op->Record.RightLevel, right::kHoldMic)) return answer(1);
    auto& room = rooms_.rooms_[room_id];
    auto t = room.Members.find(req->TargetID);
    if (t == room.Members.end() || req->TargetID == op_id) return answer(4);
    const TUserInfoUserMng& target = t->second.Record;
    if (target.UserType == kGuest) return answer(-2);
    if (target.MicState == kPubMic) return answer(5);
    if (Rank(target) >= Rank(op->Record) && Rank(target) > 0) return answer(6);
    const int slot = FreeSlot(mics_[room_id]);
    if (slot < 0) return answer(3);
    answer(0);
    const uint8_t cur = target.MicState;
    const int16_t reason = cur == kQueued ? 12 : IsPrivate(cur) ? 7 : 0;
    LeaveState(room_id, req->TargetID, op_id, reason, cur == kNotInMic);
    TakeSlot(room_id, req->TargetID, slot, op_id, kNotInMic);
}

void MicService::HoldOff(const Inbound& in) {
    auto req = Decode<HoldOffMicRequest>(in.Plain);
    if (!req) return rooms_.Drop(in, "bad hold-off request");
    RoomService::Member* op = rooms_.FindMember(req->Head);
    if (!op) return rooms_.Drop(in, "hold-off request of no stay");
    const int32_t room_id = req->Head.RoomID, op_id = op->Record.UserID;
    auto answer = [&](int32_t result) {
        HoldOffMicAnswer a;
        a.Result = result;
        rooms_.out_.Send(in.Ip, in.Port, Encode(a));
    };
    if (!HasRight(op->Record.RightLevel, right::kHoldMic)) return answer(1);
    auto& room = rooms_.rooms_[room_id];
    auto t = room.Members.find(req->TargetID);
    if (t == room.Members.end() || t->second.Record.MicState == kNotInMic) return answer(2);
    if (Rank(t->second.Record) >= Rank(op->Record)) return answer(1);
    answer(0);
    Release(room_id, req->TargetID, op_id, 3);
}

void MicService::AddTime(const Inbound& in) {
    auto req = Decode<AddMicTimeRequest>(in.Plain);
    if (!req) return rooms_.Drop(in, "bad add-mic-time request");
    RoomService::Member* op = rooms_.FindMember(req->Head);
    if (!op) return rooms_.Drop(in, "add-mic-time request of no stay");
    auto answer = [&](uint8_t result) {
        AddMicTimeAnswer a;
        a.Result = result;
        rooms_.out_.Send(in.Ip, in.Port, Encode(a));
    };
    if (!HasRight(op->Record.RightLevel, right::kMicTime)) return answer(2);
    auto& room = rooms_.rooms_[req->Head.RoomID];
    auto t = room.Members.find(req->TargetID);
    if (t == room.Members.end()) return answer(1);
    TUserInfoUserMng& target = t->second.Record;
    if (target.MicState != kPubMic) return answer(3);
    if (target.MicTimeLimit > 0)
        target.MicTimeLimit = static_cast<int32_t>(
            std::min<int64_t>(int64_t{target.MicTimeLimit} + kAddedTimeMs, std::numeric_limits<int32_t>::max()));
    MicTimeAdded n;
    n.UserID = target.UserID;
    n.NickName = target.NickName;
    n.OperatorID = op->Record.UserID;
    n.OperatorNick = op->Record.NickName;
    rooms_.Broadcast(room, 0, Encode(n));
    BroadcastMicList(req->Head.RoomID);
}

void MicService::SetOrder(const Inbound& in) {
    auto req = Decode<MicOrderRequest>(in.Plain);
    if (!req) return rooms_.Drop(in, "bad queue order");
    RoomService::Member* op = rooms_.FindMember(req->Head);
    if (!op) return rooms_.Drop(in, "queue order of no stay");
    MicOrderAnswer a;
    if (!HasRight(op->Record.RightLevel, right::kMicTime)) {
        a.Result = 1;
        return rooms_.out_.Send(in.Ip, in.Port, Encode(a));
    }
    Mics& mics = mics_[req->Head.RoomID];
    // The listed users who still wait, in the new order; whoever the list
    // missed keeps his turn behind them.
    std::vector<int32_t> order;
    for (int32_t id : req->UserIDs)
        if (std::find(mics.Queue.begin(), mics.Queue.end(), id) != mics.Queue.end() &&
            std::find(order.begin(), order.end(), id) == order.end())
            order.push_back(id);
    for (int32_t id : mics.Queue)
        if (std::find(order.begin(), order.end(), id) == order.end()) order.push_back(id);
    mics.Queue = order;
    Renumber(req->Head.RoomID);
    rooms_.out_.Send(in.Ip, in.Port, Encode(a));
    MicQueueReordered n;
    n.OperatorID = op->Record.UserID;
    n.OperatorNick = op->Record.NickName;
    n.UserIDs = order;
    rooms_.Broadcast(rooms_.rooms_[req->Head.RoomID], 0, Encode(n));
}

} // namespace kel::server
