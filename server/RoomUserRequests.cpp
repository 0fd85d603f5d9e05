// The room server's answers about single users: profiles (19001/19002), the
// IP query (19009/19010) with its rights check, the manager list
// (80010/80011); and the notices the server starts itself: the restart
// notice 8005 and the balance notice 10140.
#include "Rights.h"
#include "RoomService.h"
#include "protocol/LayoutSupport.h"

namespace kel::server {

void RoomService::ProfileQuery(const Inbound& in) {
    auto req = Decode<kel::ProfileQuery>(in.Plain);
    if (!req) return Drop(in, "short profile query");
    if (!FindMember(req->Head)) return Drop(in, "profile query of no stay");
    ProfileAnswer a;
    TUserProfile& p = a.Profile;
    p.UserID = req->AskedID;
    if (auto u = db_.FindUser(req->AskedID)) {
        p.NickName = u->NickName;
        p.Sex = u->Sex;
        p.Age = u->Age;
        p.Country = u->Country;
        p.Province = u->Province;
        p.Phone = u->Phone;
        p.Mobile = u->Mobile;
        p.Email = u->Email;
        p.QQ = u->QQ;
        p.Note = u->Note;
    } else {
        // A guest has no stored profile: what the room knows, contacts hidden.
        p.ContactHidden = 1;
        auto r = rooms_.find(req->Head.RoomID);
        if (r != rooms_.end()) {
            auto m = r->second.Members.find(req->AskedID);
            if (m != r->second.Members.end()) p.NickName = m->second.Record.NickName;
        }
    }
    // The level text as the room shows it.
    auto r = rooms_.find(req->Head.RoomID);
    if (r != rooms_.end()) {
        auto m = r->second.Members.find(req->AskedID);
        if (m != r->second.Members.end()) p.LevelText = m->second.Record.LevelName;
    }
    out_.Send(in.Ip, in.Port, Encode(a));
}

void RoomService::AddressQuery(const Inbound& in) {
    auto req = Decode<kel::AddressQuery>(in.Plain);
    if (!req) return Drop(in, "short address query");
    auto r = rooms_.find(req->RoomID);
    if (r == rooms_.end()) return Drop(in, "address query for a room without stays");
    auto asker = r->second.Members.find(req->UserID);
    if (asker == r->second.Members.end() || asker->second.Ticket != req->RoomTicket)
        return Drop(in, "address query of no stay");
    AddressAnswer a;
    a.UserID = req->AskedID;
    if (!(asker->second.Record.RightLevel & Bit(right::kSeeAddress))) {
        a.Status = AddressAnswer::kNoRight;
    } else {
        auto target = r->second.Members.find(req->AskedID);
        if (target == r->second.Members.end()) {
            a.Status = AddressAnswer::kUserGone;
        } else {
            a.Status = AddressAnswer::kFound;
            a.Ip = target->second.Ip;
        }
    }
    out_.Send(in.Ip, in.Port, Encode(a));
    log_.Line("room: user " + std::to_string(req->UserID) + " asked for the address of " +
              std::to_string(req->AskedID) + ", status " + std::to_string(a.Status));
}

void RoomService::ManagerListQuery(const Inbound& in) {
    auto req = Decode<kel::ManagerListQuery>(in.Plain);
    if (!req) return Drop(in, "short manager list query");
    Member* m = FindMember(req->Head);
    if (!m) return Drop(in, "manager list query of no stay");
    if (!(m->Record.RightLevel & Bit(right::kManagers))) return Drop(in, "manager list query without the right");
    ManagerList list;
    for (auto& [id, nick] : db_.Managers(req->Head.RoomID)) list.Managers.push_back({id, nick});
    out_.Send(in.Ip, in.Port, Encode(list));
}

int RoomService::AnnounceRestart(int32_t room_id, const std::string& reason) {
    RoomRestartNotice n;
    n.Reason = reason;
    const auto msg = Encode(n);
    int told = 0;
    for (const auto& [id, room] : rooms_) {
        if (room_id != 0 && id != room_id) continue;
        Broadcast(room, 0, msg);
        told += static_cast<int>(room.Members.size());
    }
    log_.Line("room: restart notice to " + std::to_string(told) + " users" +
              (room_id ? " of room " + std::to_string(room_id) : std::string()));
    return told;
}

int RoomService::BalanceChanged(int32_t user_id, int32_t coins) {
    kel::BalanceChanged b;
    b.Coins = coins;
    const auto msg = Encode(b);
    int told = 0;
    for (const auto& [id, room] : rooms_) {
        auto m = room.Members.find(user_id);
        if (m == room.Members.end()) continue;
        out_.Send(m->second.Ip, m->second.Port, msg);
        ++told;
    }
    return told;
}

} // namespace kel::server
