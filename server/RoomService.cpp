#include "RoomService.h"

#include <algorithm>

#include "Rights.h"
#include "TextChecks.h"
#include "protocol/LayoutSupport.h"
#include "protocol/MicNotices.h"
#include "protocol/RoomEntryMessages.h"

namespace kel::server {

namespace {

const char kNoSuchRoom[] = "房间不存在";
const char kRoomClosed[] = "房间已关闭";
const char kNotVerified[] = "用户验证失败，请重新登录";
const char kBlackListed[] = "您已被禁止进入该房间";
const char kRoomFull[] = "房间人数已满";
const char kBalanceTooLow[] = "您的余额不足，不能进入该房间";
const char kPopularOnly[] = "您的号码只能进人气房间！";

struct Rank {
    const char* title;   // shown in entry notices
    const char* level;   // key of the client's level catalogue (UserLevel.ini)
    uint8_t sort;        // lower is listed first
    int32_t colour;      // red in the low byte
};

Rank RankOf(int16_t type, int16_t manager_level) {
    if (type == kStaff) return {"站长", "站长", 0, 0x0000ff};
    if (manager_level == kRoomOwner) return {"室主", "管理员", 1, 0x0000ff};
    if (manager_level == kRoomManager) return {"管理员", "管理员", 2, 0x0080ff};
    if (manager_level == kTempManager) return {"临时管理", "巡管", 3, 0x0080ff};
    if (type == kMemberDiamond) return {"钻石会员", "钻石会员", 4, 0x800080};
    if (type == kMemberGold) return {"金卡会员", "金卡会员", 5, 0x008080};
    if (type == kMemberVip) return {"会员", "会员", 6, 0x808000};
    if (type == kRegistered) return {"注册用户", "注册用户", 8, 0};
    return {"游客", "游客", 9, 0x808080};
}

} // namespace

RoomService::RoomService(int group, ILoop& loop, Storage& db, const ServerConfig& cfg, Community& community,
                         IMessageSink& out, ServerLog& log, DropLog& drops)
    : group_(group), loop_(loop), db_(db), cfg_(cfg), community_(community), out_(out), log_(log), drops_(drops),
      expiry_(loop, cfg.SessionCheckMs) {
    expiry_.OnTimer = [this](TTimer&) { Expire(); };
    expiry_.SetEnabled(true);
}

void RoomService::OnMessage(const Inbound& in) {
    switch (MessageCode(in.Plain.data(), in.Plain.size())) {
    case RoomEntryRequest::kCode: return Entry(in);
    case EnterRoomRequest::kCode: return Enter(in);
    case RoomKeepAlive::kCode: return KeepAlive(in);
    case LeaveRoomRequest::kCode: return Leave(in);
    case kel::ProfileQuery::kCode: return ProfileQuery(in);
    case kel::AddressQuery::kCode: return AddressQuery(in);
    case kel::ManagerListQuery::kCode: return ManagerListQuery(in);
    default:
        if (chat_.OnMessage(in)) return;
        if (mic_.OnMessage(in)) return;
        return Drop(in, "code not served on the room port");
    }
}

int32_t RoomService::MemberCount(int32_t room_id) const {
    auto it = rooms_.find(room_id);
    return it == rooms_.end() ? 0 : static_cast<int32_t>(it->second.Members.size());
}

void RoomService::Drop(const Inbound& in, const std::string& why) {
    drops_.Dropped(in.Ip, in.Port, loop_.Now(), why);
}

void RoomService::Publish(int32_t room_id) { community_.SetRoomCount(room_id, MemberCount(room_id)); }

void RoomService::Entry(const Inbound& in) {
    auto req = Decode<RoomEntryRequest>(in.Plain);
    if (!req) return Drop(in, "short room entry request");

    RoomEntryAnswer a;
    a.UserID = req->UserID;
    auto refuse = [&](const std::string& text) {
        a.ErrorText = text;
        out_.Send(in.Ip, in.Port, Encode(a));
        log_.Line("room: entry of " + std::to_string(req->UserID) + " to room " + std::to_string(req->RoomID) +
                  " from " + Endpoint(in.Ip, in.Port) + " refused: " + text);
    };

    auto room = db_.FindRoom(req->RoomID);
    if (!room || room->Info.ServerGroup != group_) return refuse(kNoSuchRoom);
    if (room->Closed) return refuse(kRoomClosed);

    std::optional<UserRow> user;
    if (req->UserID != 0) {
        user = db_.FindUser(req->UserID);
        if (!user || community_.PasswordBlocked(user->Id, loop_.Now())) return refuse(kNotVerified);
        if (NormalDigest(req->PasswordDigest) != user->Digest) {
            community_.PasswordFailed(user->Id, loop_.Now());
            return refuse(kNotVerified);
        }
    }
    const int32_t account = user ? user->Id : 0;
    if (db_.IsAddressBlack(room->Info.RoomID, in.Ip) || (user && db_.IsUserBlack(room->Info.RoomID, account)))
        return refuse(kBlackListed);

    const int16_t type = user ? user->Type : static_cast<int16_t>(kGuest);
    const int16_t level = db_.ManagerLevelOf(room->Info.RoomID, account);
    const bool staff = type == kStaff || level != kNoManager;
    const TRoomInfo& info = room->Info;
    if (!user && !room->Popular) return refuse(kPopularOnly);
    if (!staff && info.NeedPassword && req->RoomPassword != info.Password) return refuse(kWrongRoomPasswordText);
    if (!staff && type < info.MinUserClass) {
        a.UpgradeRoomID = info.RoomID;
        return refuse(kLevelTooLowText);
    }
    if (!staff && user && user->Coins < info.MinBalance) return refuse(kBalanceTooLow);
    if (!staff && info.MaxUsers > 0 && MemberCount(info.RoomID) >= info.MaxUsers) return refuse(kRoomFull);

    Room& r = rooms_[info.RoomID];
    // Granted entries wait for their enter request; a flood of entry
    // requests cannot make them pile up without bound.
    if (r.Waiting.size() >= kMaxWaiting && !r.Waiting.count(account)) return refuse(kRoomFull);
    int32_t number = account;
    if (!user) {
        number = community_.TakeGuestNumber();
        if (number == 0) return refuse(kRoomFull);
    }
    const int32_t hall = user ? HallRights(*user) : 0;
    const int32_t rights = RoomRights(type, hall, level);
    const int32_t mic = MicRights(type, level);
    const Rank rank = RankOf(type, level);

    Pending p;
    p.Ticket = community_.RandomTicket();
    p.Issued = loop_.Now();
    TUserInfoUserMng& u = p.Record;
    u.UserID = number;
    u.NickName = user ? user->NickName : std::string("游客") + std::to_string(number % 100000);
    u.HeadIndex = user ? user->HeadIndex : 0;
    u.UserType = type;
    u.ManagerLevel = level;
    u.TitleText = rank.title;
    u.LevelName = rank.level;
    u.NickColor = rank.colour;
    u.SortRank = rank.sort;
    u.MicOrder = -1;
    u.RightLevel = rights;
    u.MicRight = mic;
    u.Hidden = (hall & Bit(right::kHidden)) ? 1 : 0;
    r.Waiting[number] = p;

    a.UserID = number;
    a.RoomTicket = p.Ticket;
    a.UserType = type;
    a.ManagerLevel = level;
    a.MicRight = mic;
    a.RightLevel = rights;
    a.Room = info;
    // Only those who may change the settings see the room password.
    if (!(rights & Bit(right::kRoomSettings))) a.Room.Password.clear();
    out_.Send(in.Ip, in.Port, Encode(a));
    log_.Line("room: entry of " + std::to_string(number) + " to room " + std::to_string(info.RoomID) + " from " +
              Endpoint(in.Ip, in.Port) + " granted");
}

RoomService::Member* RoomService::FindMember(const RoomRequestHeader& h) {
    auto r = rooms_.find(h.RoomID);
    if (r == rooms_.end()) return nullptr;
    auto m = r->second.Members.find(h.UserID);
    if (m == r->second.Members.end() || m->second.Ticket != h.RoomTicket) return nullptr;
    return &m->second;
}

void RoomService::Broadcast(const Room& room, int32_t except_user, const std::vector<uint8_t>& msg) {
    for (const auto& [id, m] : room.Members)
        if (id != except_user) out_.Send(m.Ip, m.Port, msg);
}

void RoomService::SendUserList(const Room& room, const Member& to) {
    std::vector<const Member*> order;
    for (const auto& [id, m] : room.Members) order.push_back(&m);
    std::sort(order.begin(), order.end(), [](const Member* a, const Member* b) { return a->Seq < b->Seq; });
    for (size_t i = 0; i < order.size(); i += kUsersPerList) {
        UserListMessage list;
        list.Code = UserListMessage::kCodeWithNotices;
        for (size_t k = i; k < order.size() && k < i + kUsersPerList; ++k) list.Users.push_back(order[k]->Record);
        out_.Send(to.Ip, to.Port, Encode(list));
    }
}

void RoomService::Enter(const Inbound& in) {
    auto req = Decode<EnterRoomRequest>(in.Plain);
    if (!req) return Drop(in, "short enter request");
    auto rit = rooms_.find(req->RoomID);
    if (rit == rooms_.end()) return Drop(in, "enter request for a room without entry");
    Room& room = rit->second;

    bool announce = false;
    auto pit = room.Waiting.find(req->UserID);
    Member* member = nullptr;
    if (pit != room.Waiting.end() && pit->second.Ticket == req->RoomTicket) {
        auto existing = room.Members.find(req->UserID);
        if (existing != room.Members.end()) {
            // A second window of a user already present takes over the
            // stay; the mic of the first one ends.
            mic_.Release(req->RoomID, req->UserID, MicDown::kReentered);
            existing->second.Record = pit->second.Record;
            existing->second.Ticket = pit->second.Ticket;
            member = &existing->second;
        } else {
            Member m;
            m.Record = pit->second.Record;
            m.Ticket = pit->second.Ticket;
            m.Seq = next_seq_++;
            m.PlainNotices = m.Record.UserType < kMemberVip && m.Record.ManagerLevel == kNoManager;
            member = &room.Members.emplace(req->UserID, m).first->second;
            announce = true;
        }
        room.Waiting.erase(pit);
    } else {
        auto existing = room.Members.find(req->UserID);
        if (existing == room.Members.end() || existing->second.Ticket != req->RoomTicket)
            return Drop(in, "enter request with no matching ticket");
        member = &existing->second;  // the same window asking again
    }

    member->Ip = in.Ip;
    member->Port = in.Port;
    member->LastSeen = loop_.Now();
    member->Echo = community_.NewConnection();
    Publish(req->RoomID);

    EnterRoomAnswer answer;
    answer.Echo = member->Echo;
    out_.Send(in.Ip, in.Port, Encode(answer));
    SendUserList(room, *member);
    mic_.SendEntryLists(req->RoomID, in.Ip, in.Port);

    if (announce) {
        if (member->PlainNotices) {
            UserEnteredPlain n;
            n.User = member->Record;
            n.UserID = member->Record.UserID;
            Broadcast(room, req->UserID, Encode(n));
        } else {
            UserEnteredNotice n;
            n.UserID = member->Record.UserID;
            n.User = member->Record;
            Broadcast(room, req->UserID, Encode(n));
        }
        log_.Line("room: user " + std::to_string(req->UserID) + " entered room " + std::to_string(req->RoomID) +
                  " from " + Endpoint(in.Ip, in.Port));
    }
}

void RoomService::KeepAlive(const Inbound& in) {
    auto req = Decode<RoomKeepAlive>(in.Plain);
    if (!req) return Drop(in, "short room keep-alive");
    Member* m = FindMember(req->Head);
    if (!m) return Drop(in, "room keep-alive of no stay");
    m->LastSeen = loop_.Now();
    m->Ip = in.Ip;
    m->Port = in.Port;
    m->Echo = community_.NewConnection();
    KeepAliveAnswer a;
    a.Connection = m->Echo;
    out_.Send(in.Ip, in.Port, Encode(a));
}

void RoomService::Leave(const Inbound& in) {
    auto req = Decode<LeaveRoomRequest>(in.Plain);
    if (!req) return Drop(in, "short leave request");
    if (!FindMember(req->Head)) return Drop(in, "leave request of no stay");
    RemoveMember(req->Head.RoomID, req->Head.UserID, "left");
}

void RoomService::RemoveMember(int32_t room_id, int32_t user_id, const char* why) {
    auto rit = rooms_.find(room_id);
    if (rit == rooms_.end()) return;
    Room& room = rit->second;
    auto mit = room.Members.find(user_id);
    if (mit == room.Members.end()) return;
    // Whoever leaves the room frees his mic first, so that the others see
    // the slot empty before he is gone.
    mic_.Release(room_id, user_id, user_id);
    mit = room.Members.find(user_id);
    Member m = mit->second;
    room.Members.erase(mit);
    Publish(room_id);
    if (m.PlainNotices) {
        UserLeftPlain n;
        n.UserID = user_id;
        n.NickName = m.Record.NickName;
        Broadcast(room, user_id, Encode(n));
    } else {
        UserLeftNotice n;
        n.UserID = user_id;
        n.NickName = m.Record.NickName;
        Broadcast(room, user_id, Encode(n));
    }
    if (Community::IsGuestNumber(user_id) && !room.Waiting.count(user_id)) community_.ReleaseGuestNumber(user_id);
    log_.Line("room: user " + std::to_string(user_id) + " " + why + " room " + std::to_string(room_id));
}

void RoomService::Expire() {
    const Tick now = loop_.Now();
    for (auto& [room_id, room] : rooms_) {
        std::vector<int32_t> silent;
        for (const auto& [id, m] : room.Members)
            if (TickElapsed(now, m.LastSeen) > cfg_.SessionTimeoutMs) silent.push_back(id);
        for (int32_t id : silent) RemoveMember(room_id, id, "timed out of");
        for (auto it = room.Waiting.begin(); it != room.Waiting.end();) {
            if (TickElapsed(now, it->second.Issued) > cfg_.SessionTimeoutMs) {
                if (Community::IsGuestNumber(it->first) && !room.Members.count(it->first))
                    community_.ReleaseGuestNumber(it->first);
                it = room.Waiting.erase(it);
            } else {
                ++it;
            }
        }
    }
}

} // namespace kel::server
