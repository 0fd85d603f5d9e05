#include "MicService.h"

#include <arpa/inet.h>

#include <algorithm>
#include <limits>

#include "MicRules.h"
#include "RoomService.h"
#include "Rights.h"
#include "protocol/LayoutSupport.h"
#include "protocol/MicMessages.h"
#include "protocol/MicNotices.h"
#include "protocol/MicRequests.h"
#include "protocol/RoomMessages.h"

namespace kel::server {

using namespace mic;


MicService::MicService(RoomService& rooms) : rooms_(rooms), check_(rooms.loop_, kCheckMs) {
    check_.OnTimer = [this](TTimer&) { CheckTimes(); };
    check_.SetEnabled(true);
}

bool MicService::OnMessage(const Inbound& in) {
    switch (MessageCode(in.Plain.data(), in.Plain.size())) {
    case MicRequest::kCode: Ask(in); return true;
    case LeaveMicRequest::kCode: Leave(in); return true;
    case HoldOnMicRequest::kCode: HoldOn(in); return true;
    case HoldOffMicRequest::kCode: HoldOff(in); return true;
    case AddMicTimeRequest::kCode: AddTime(in); return true;
    case MicOrderRequest::kCode: SetOrder(in); return true;
    default: return false;
    }
}

int32_t MicService::SlotHolder(int32_t room_id, int slot) const {
    auto it = mics_.find(room_id);
    if (it == mics_.end() || slot < 0 || slot >= kSlots) return 0;
    return it->second.Slots[static_cast<size_t>(slot)];
}

std::vector<int32_t> MicService::Queue(int32_t room_id) const {
    auto it = mics_.find(room_id);
    return it == mics_.end() ? std::vector<int32_t>{} : it->second.Queue;
}

int MicService::FreeSlot(const Mics& m) const {
    for (int k = 0; k < kSlots; ++k)
        if (m.Slots[static_cast<size_t>(k)] == 0) return k;
    return -1;
}

int MicService::SlotOf(const Mics& m, int32_t user_id) const {
    for (int k = 0; k < kSlots; ++k)
        if (m.Slots[static_cast<size_t>(k)] == user_id) return k;
    return -1;
}

// The room's queue minutes limit ordinary users on a public mic; staff and
// managers talk as long as they like.
int32_t MicService::TimeLimitFor(int32_t room_id, int32_t user_id) const {
    auto row = rooms_.db_.FindRoom(room_id);
    auto r = rooms_.rooms_.find(room_id);
    if (!row || r == rooms_.rooms_.end()) return -1;
    auto m = r->second.Members.find(user_id);
    if (m == r->second.Members.end() || Rank(m->second.Record) > 0) return -1;
    const int32_t minutes = row->Info.AutoQueueMinutes;
    if (minutes <= 0) return -1;
    return static_cast<int32_t>(std::min<int64_t>(int64_t{minutes} * 60000, std::numeric_limits<int32_t>::max()));
}

void MicService::Refuse(const Inbound& in, int32_t key, int32_t reason) {
    MicRefused r;
    r.Key = key;
    r.Reason = reason;
    rooms_.out_.Send(in.Ip, in.Port, Encode(r));
}

void MicService::Grant(int32_t room_id, int32_t user_id, uint8_t state) {
    auto r = rooms_.rooms_.find(room_id);
    if (r == rooms_.rooms_.end()) return;
    auto m = r->second.Members.find(user_id);
    if (m == r->second.Members.end()) return;
    MicGranted g;
    g.Key = user_id;
    g.State = state;
    g.MediaIp = rooms_.cfg_.MediaIp();
    g.MediaPort = rooms_.cfg_.PortMedia;
    rooms_.out_.Send(m->second.Ip, m->second.Port, Encode(g));
}

void MicService::SetState(int32_t room_id, int32_t user_id, int32_t op_id, uint8_t old_state, uint8_t state) {
    auto& room = rooms_.rooms_[room_id];
    auto m = room.Members.find(user_id);
    if (m == room.Members.end()) return;
    TUserInfoUserMng& u = m->second.Record;
    const Mics& mics = mics_[room_id];
    u.MicState = state;
    MicChanged c;
    c.UserID = user_id;
    c.NickName = u.NickName;
    c.OperatorID = op_id;
    auto op = room.Members.find(op_id);
    c.OperatorNick = op != room.Members.end() ? op->second.Record.NickName : u.NickName;
    c.OldState = old_state;
    c.NewState = state;
    c.Slot = static_cast<int16_t>(SlotOf(mics, user_id));
    c.MediaIp = rooms_.cfg_.MediaIp();
    c.MediaPort = rooms_.cfg_.PortMedia;
    c.MicTimeUsed = u.MicTimeUsed;
    c.MicTimeLimit = u.MicTimeLimit;
    c.MicOrder = u.MicOrder;
    rooms_.Broadcast(room, 0, Encode(c));
}

void MicService::LeaveState(int32_t room_id, int32_t user_id, int32_t op_id, int16_t reason, bool silent) {
    auto& room = rooms_.rooms_[room_id];
    auto m = room.Members.find(user_id);
    if (m == room.Members.end()) return;
    TUserInfoUserMng& u = m->second.Record;
    Mics& mics = mics_[room_id];
    const int slot = SlotOf(mics, user_id);
    if (slot >= 0) mics.Slots[static_cast<size_t>(slot)] = 0;
    const bool queued = std::erase(mics.Queue, user_id) > 0;
    const uint8_t old_state = u.MicState;
    u.MicState = kNotInMic;
    u.MicTimeUsed = 0;
    u.MicTimeLimit = 0;
    u.MicOrder = -1;
    if (queued) Renumber(room_id);
    if (silent || old_state == kNotInMic) return;
    MicDown d;
    d.OperatorID = op_id;
    auto op = room.Members.find(op_id);
    d.OperatorNick = op != room.Members.end() ? op->second.Record.NickName : std::string("系统");
    d.UserID = user_id;
    d.NickName = u.NickName;
    d.Slot = static_cast<int16_t>(slot);
    d.Reason = reason;
    rooms_.Broadcast(room, 0, Encode(d));
}

void MicService::TakeSlot(int32_t room_id, int32_t user_id, int slot, int32_t op_id, uint8_t old_state) {
    auto& room = rooms_.rooms_[room_id];
    auto m = room.Members.find(user_id);
    if (m == room.Members.end()) return;
    Mics& mics = mics_[room_id];
    mics.Slots[static_cast<size_t>(slot)] = user_id;
    mics.Since[static_cast<size_t>(slot)] = rooms_.loop_.Now();
    TUserInfoUserMng& u = m->second.Record;
    u.MicTimeUsed = 0;
    u.MicTimeLimit = TimeLimitFor(room_id, user_id);
    u.MicOrder = -1;
    Grant(room_id, user_id, kPubMic);
    SetState(room_id, user_id, op_id, old_state, kPubMic);
}

void MicService::Renumber(int32_t room_id) {
    auto& room = rooms_.rooms_[room_id];
    const Mics& mics = mics_[room_id];
    for (size_t i = 0; i < mics.Queue.size(); ++i) {
        auto m = room.Members.find(mics.Queue[i]);
        if (m != room.Members.end()) m->second.Record.MicOrder = static_cast<int16_t>(i);
    }
}

void MicService::Enqueue(int32_t room_id, int32_t user_id, uint8_t old_state) {
    Mics& mics = mics_[room_id];
    mics.Queue.push_back(user_id);
    Renumber(room_id);
    SetState(room_id, user_id, user_id, old_state, kQueued);
}

void MicService::Promote(int32_t room_id) {
    auto row = rooms_.db_.FindRoom(room_id);
    if (!row || row->Info.AutoQueueOff != 0) return;
    Mics& mics = mics_[room_id];
    for (int slot = FreeSlot(mics); slot >= 0 && !mics.Queue.empty(); slot = FreeSlot(mics)) {
        const int32_t next = mics.Queue.front();
        mics.Queue.erase(mics.Queue.begin());
        Renumber(room_id);
        TakeSlot(room_id, next, slot, next, kQueued);
    }
}

void MicService::CheckTimes() {
    const Tick now = rooms_.loop_.Now();
    for (auto& [room_id, mics] : mics_) {
        auto r = rooms_.rooms_.find(room_id);
        if (r == rooms_.rooms_.end()) continue;
        bool freed = false;
        for (int k = 0; k < kSlots; ++k) {
            const int32_t id = mics.Slots[static_cast<size_t>(k)];
            auto m = r->second.Members.find(id);
            if (id == 0 || m == r->second.Members.end()) continue;
            TUserInfoUserMng& u = m->second.Record;
            const uint32_t used = TickElapsed(now, mics.Since[static_cast<size_t>(k)]);
            u.MicTimeUsed = static_cast<int32_t>(std::min<uint32_t>(used, std::numeric_limits<int32_t>::max()));
            if (u.MicTimeLimit > 0 && u.MicTimeUsed >= u.MicTimeLimit) {
                LeaveState(room_id, id, MicDown::kSystem, 1, false);
                freed = true;
            }
        }
        if (freed) Promote(room_id);
    }
}

void MicService::BroadcastMicList(int32_t room_id) {
    auto r = rooms_.rooms_.find(room_id);
    if (r == rooms_.rooms_.end()) return;
    MicStateList l;
    const Mics& mics = mics_[room_id];
    for (const auto& [id, m] : r->second.Members) {
        if (m.Record.MicState == kNotInMic) continue;
        TMicEntry e;
        e.UserID = id;
        e.Slot = static_cast<int16_t>(SlotOf(mics, id));
        e.State = m.Record.MicState;
        e.MediaIp = rooms_.cfg_.MediaIp();
        e.MediaPort = rooms_.cfg_.PortMedia;
        e.MicTimeUsed = m.Record.MicTimeUsed;
        e.MicTimeLimit = m.Record.MicTimeLimit;
        l.Entries.push_back(e);
    }
    rooms_.Broadcast(r->second, 0, Encode(l));
}

void MicService::SendEntryLists(int32_t room_id, uint32_t ip, uint16_t port) {
    CheckTimes();  // the time used as of now
    UserMicStates states;
    MicStateList list;
    MicQueueList queue;
    auto r = rooms_.rooms_.find(room_id);
    if (r != rooms_.rooms_.end()) {
        const Mics& mics = mics_[room_id];
        for (const auto& [id, m] : r->second.Members) {
            if (m.Record.MicState == kNotInMic) continue;
            TMicEntry e;
            e.UserID = id;
            e.Slot = static_cast<int16_t>(SlotOf(mics, id));
            e.State = m.Record.MicState;
            e.MediaIp = rooms_.cfg_.MediaIp();
            e.MediaPort = rooms_.cfg_.PortMedia;
            e.MicTimeUsed = m.Record.MicTimeUsed;
            e.MicTimeLimit = m.Record.MicTimeLimit;
            states.Entries.push_back(e);
        }
        list.Entries = states.Entries;
        queue.UserIDs = mics.Queue;
    }
    rooms_.out_.Send(ip, port, Encode(states));
    rooms_.out_.Send(ip, port, Encode(list));
    rooms_.out_.Send(ip, port, Encode(queue));
}

} // namespace kel::server
