#include "HallService.h"

#include <algorithm>

#include "Rights.h"
#include "TextChecks.h"
#include "protocol/LayoutSupport.h"
#include "protocol/RegistrationMessages.h"

namespace kel::server {

namespace {
const char kUnknownUser[] = "用户不存在";
const char kWrongPassword[] = "密码错误";
const char kGuestNick[] = "游客";
const char kTooManyFailures[] = "密码错误次数太多，请稍后再试";
} // namespace

HallService::HallService(ILoop& loop, Storage& db, const ServerConfig& cfg, Community& community, IMessageSink& out,
                         ServerLog& log, DropLog& drops)
    : loop_(loop), db_(db), cfg_(cfg), community_(community), out_(out), log_(log), drops_(drops),
      expiry_(loop, cfg.SessionCheckMs) {
    expiry_.OnTimer = [this](TTimer&) { Expire(); };
    expiry_.SetEnabled(true);
}

void HallService::OnMessage(const Inbound& in) {
    switch (MessageCode(in.Plain.data(), in.Plain.size())) {
    case HallProbeRequest::kCode: return Probe(in);
    case LoginRequest::kCode: return Login(in);
    case HallKeepAlive::kCode: return KeepAlive(in);
    case LogoutRequest::kCode: return Logout(in);
    case SelfInfoChange::kCode: return SelfInfo(in);
    case RoomQuery::kCode: return RoomQueryReq(in);
    case RegisterRequest::kCode: return Register(in);
    default: return Drop(in, "code not served on the hall port");
    }
}

void HallService::Drop(const Inbound& in, const std::string& why) {
    drops_.Dropped(in.Ip, in.Port, loop_.Now(), why);
}

ConnectionPair HallService::NewConnection() {
    // Value A names the session, so it is unique among the live ones.
    ConnectionPair p;
    do {
        p = community_.NewConnection();
    } while (by_conn_.count(p.A));
    return p;
}

HallService::Session* HallService::FindSession(int32_t user_id, int32_t conn_a) {
    auto it = by_conn_.find(conn_a);
    if (it == by_conn_.end()) return nullptr;
    Session& s = sessions_.at(it->second);
    return s.UserID == user_id ? &s : nullptr;
}

void HallService::Remove(uint64_t sid, const char* why) {
    auto it = sessions_.find(sid);
    if (it == sessions_.end()) return;
    Session& s = it->second;
    log_.Line("hall: user " + std::to_string(s.UserID) + " at " + Endpoint(s.Ip, s.Port) + " " + why);
    by_conn_.erase(s.Conn.A);
    if (s.PreviousA) by_conn_.erase(s.PreviousA);
    if (s.UserID != 0) {
        auto u = by_user_.find(s.UserID);
        if (u != by_user_.end() && u->second == sid) by_user_.erase(u);
    }
    sessions_.erase(it);
}

void HallService::Expire() {
    const Tick now = loop_.Now();
    std::vector<uint64_t> gone;
    for (const auto& [sid, s] : sessions_)
        if (s.UserID != 0 && TickElapsed(now, s.LastSeen) > cfg_.SessionTimeoutMs) gone.push_back(sid);
    for (uint64_t sid : gone) Remove(sid, "timed out");
    for (auto it = registrations_.begin(); it != registrations_.end();) {
        bool recent = false;
        for (Tick t : it->second) recent = recent || TickElapsed(now, t) < 3600000;
        it = recent ? std::next(it) : registrations_.erase(it);
    }
}

void HallService::Probe(const Inbound& in) {
    if (!Decode<HallProbeRequest>(in.Plain)) return Drop(in, "short probe");
    HallProbeAnswer a;
    a.SenderIp = in.Ip;
    a.SenderPort = in.Port;
    out_.Send(in.Ip, in.Port, Encode(a));
}

void HallService::Login(const Inbound& in) {
    auto req = Decode<LoginRequest>(in.Plain);
    if (!req) return Drop(in, "short login request");

    LoginAnswer a;
    a.UserID = req->UserID;
    std::optional<UserRow> user;
    if (req->UserID != 0) {
        user = db_.FindUser(req->UserID);
        if (!user) {
            a.ErrorText = kUnknownUser;
        } else if (community_.PasswordBlocked(user->Id, loop_.Now())) {
            a.ErrorText = kTooManyFailures;
        } else if (NormalDigest(req->PasswordDigest) != user->Digest) {
            a.ErrorText = kWrongPassword;
            community_.PasswordFailed(user->Id, loop_.Now());
        } else {
            community_.PasswordAccepted(user->Id);
        }
        if (!a.ErrorText.empty()) {
            log_.Line("hall: login of " + std::to_string(req->UserID) + " from " + Endpoint(in.Ip, in.Port) +
                      " refused: " + a.ErrorText);
            out_.Send(in.Ip, in.Port, Encode(a));
            return;
        }
    }

    if (user) {
        auto old = by_user_.find(user->Id);
        if (old != by_user_.end()) {
            Session& prev = sessions_.at(old->second);
            if (prev.Ip != in.Ip || prev.Port != in.Port) {
                LoggedInElsewhere note;
                note.UserID = user->Id;
                out_.Send(prev.Ip, prev.Port, Encode(note));
            }
            Remove(old->second, "replaced by a new login");
        }
    } else {
        // Guests never send keep-alives: a guest logging in again from the
        // same endpoint replaces its session, and the oldest guest gives way
        // when there are too many.
        size_t guests = 0;
        uint64_t oldest = 0, same = 0;
        for (const auto& [sid, s] : sessions_) {
            if (s.UserID != 0) continue;
            if (!guests++) oldest = sid;
            if (s.Ip == in.Ip && s.Port == in.Port) same = sid;
        }
        if (same) Remove(same, "replaced by a new guest login");
        else if (guests >= kMaxGuestSessions) Remove(oldest, "dropped for a newer guest");
    }

    Session s;
    s.UserID = req->UserID;
    s.Conn = NewConnection();
    s.LoginKey = req->LoginKey;
    s.Ip = in.Ip;
    s.Port = in.Port;
    s.LastSeen = loop_.Now();
    s.Seq = next_sid_++;
    const uint64_t sid = s.Seq;
    sessions_[sid] = s;
    by_conn_[s.Conn.A] = sid;
    if (user) by_user_[user->Id] = sid;

    a.Connection = s.Conn;
    a.MediaTicket = community_.RandomTicket();
    a.HallPageUrl = cfg_.WebBase() + "/hall.htm";
    a.RoomImagePrefix = cfg_.WebBase() + "/roomimg/";
    a.WordFilter = cfg_.WordFilter;
    if (user) {
        a.NickName = user->NickName;
        a.Score = user->Score;
        a.Coins = user->Coins;
        a.UserType = user->Type;
        a.ManagerLevel = user->Type == kStaff ? kRoomManager : kNoManager;
        a.RightsWord = HallRights(*user);
    } else {
        a.NickName = kGuestNick;
        a.UserType = kGuest;
    }
    out_.Send(in.Ip, in.Port, Encode(a));
    log_.Line("hall: user " + std::to_string(s.UserID) + " logged in from " + Endpoint(in.Ip, in.Port));
}

void HallService::KeepAlive(const Inbound& in) {
    auto req = Decode<HallKeepAlive>(in.Plain);
    if (!req) return Drop(in, "short keep-alive");
    Session* s = FindSession(req->UserID, req->Connection.A);
    if (!s) return Drop(in, "keep-alive of no session");
    const uint64_t sid = s->Seq;
    // A fresh pair each time; the one before stays valid until the next.
    if (s->PreviousA) by_conn_.erase(s->PreviousA);
    s->PreviousA = s->Conn.A;
    s->Conn = NewConnection();
    by_conn_[s->Conn.A] = sid;
    s->LastSeen = loop_.Now();
    s->Ip = in.Ip;
    s->Port = in.Port;
    KeepAliveAnswer a;
    a.Connection = s->Conn;
    out_.Send(in.Ip, in.Port, Encode(a));
}

void HallService::Logout(const Inbound& in) {
    auto req = Decode<LogoutRequest>(in.Plain);
    if (!req) return Drop(in, "short logout");
    Session* s = FindSession(req->UserID, req->Connection.A);
    if (!s) return Drop(in, "logout of no session");
    Remove(s->Seq, "logged out");
}

void HallService::SelfInfo(const Inbound& in) {
    auto req = Decode<SelfInfoChange>(in.Plain);
    if (!req) return Drop(in, "short self-information change");
    Session* s = FindSession(req->UserID, req->Connection.A);
    if (!s || s->UserID == 0) return Drop(in, "self-information change of no session");
    s->LastSeen = loop_.Now();

    SelfInfoAnswer a;
    a.Status = 1;
    auto user = db_.FindUser(req->UserID);
    std::string nick = StoredNickname(req->NewNickName);
    std::string new_digest = NormalDigest(req->NewDigest);
    bool digest_ok = req->NewDigest.empty() || !new_digest.empty();
    const bool blocked = community_.PasswordBlocked(req->UserID, loop_.Now());
    const bool password_ok = !blocked && user && NormalDigest(req->CurrentDigest) == user->Digest;
    if (user && !blocked && !password_ok) community_.PasswordFailed(user->Id, loop_.Now());
    if (password_ok && !nick.empty() && digest_ok && db_.UpdateProfile(user->Id, nick, new_digest)) a.Status = 0;
    log_.Line("hall: user " + std::to_string(req->UserID) + " self-information change " +
              (a.Status == 0 ? "stored" : "refused"));
    out_.Send(in.Ip, in.Port, Encode(a));
}

void HallService::RoomQueryReq(const Inbound& in) {
    auto req = Decode<RoomQuery>(in.Plain);
    if (!req) return Drop(in, "short room query");
    RoomQueryAnswer a;
    a.RoomID = req->RoomID;
    Session* s = FindSession(req->UserID, req->Connection.A);
    auto room = db_.FindRoom(req->RoomID);
    if (!s) {
        a.Status = static_cast<int32_t>(RoomQueryStatus::NotLoggedIn);
    } else if (!room) {
        a.Status = static_cast<int32_t>(RoomQueryStatus::NoSuchRoom);
    } else if (room->Closed || room->Info.ServerGroup < 1 || room->Info.ServerGroup > 3 ||
               cfg_.PortRoom[room->Info.ServerGroup - 1] == 0) {
        a.Status = static_cast<int32_t>(RoomQueryStatus::ServerClosed);
    } else if (s->UserID == 0 && !room->Popular) {
        a.Status = static_cast<int32_t>(RoomQueryStatus::PopularOnly);
    } else {
        a.Status = static_cast<int32_t>(RoomQueryStatus::Ok);
        a.ServerGroup = room->Info.ServerGroup;
    }
    if (s) s->LastSeen = loop_.Now();
    out_.Send(in.Ip, in.Port, Encode(a));
}

bool HallService::RegistrationAllowed(uint32_t ip) {
    const Tick now = loop_.Now();
    auto& times = registrations_[ip];
    times.erase(std::remove_if(times.begin(), times.end(),
                               [now](Tick t) { return TickElapsed(now, t) >= 3600000; }),
                times.end());
    if (static_cast<int32_t>(times.size()) >= cfg_.RegistrationsPerHour) return false;
    times.push_back(now);
    return true;
}

void HallService::Register(const Inbound& in) {
    auto req = Decode<RegisterRequest>(in.Plain);
    if (!req) return Drop(in, "short registration");
    const RegistrationRecord& r = req->Record;
    RegisterAnswer a;
    a.Status = 1;

    UserRow u;
    u.NickName = StoredNickname(r.NickName);
    u.Digest = NormalDigest(r.PasswordDigest);
    u.Type = kRegistered;
    u.HeadIndex = r.HeadIndex;
    u.Sex = r.Sex;
    u.Age = r.Age;
    u.Country = r.Country;
    u.Province = r.Province;
    u.Phone = r.Phone;
    u.Mobile = r.Mobile;
    u.Email = r.Email;
    u.QQ = r.QQ;
    u.Note = r.Note;
    const char* refusal = nullptr;
    if (u.NickName.empty()) refusal = "no nickname";
    else if (u.Digest.empty()) refusal = "no password digest";
    else if (r.Sex != 0 && r.Sex != 1) refusal = "bad sex";
    else if (r.Age < 0 || r.Age > 150) refusal = "bad age";
    else if (r.HeadIndex < -1) refusal = "bad head picture";
    else if (!RegistrationAllowed(in.Ip)) refusal = "too many registrations from this address";

    if (!refusal) {
        a.UserID = db_.CreateUser(u);
        if (a.UserID != 0) a.Status = 0;
        else refusal = "storage failed";
    }
    log_.Line("hall: registration from " + Endpoint(in.Ip, in.Port) +
              (refusal ? std::string(" refused: ") + refusal : " stored as user " + std::to_string(a.UserID)));
    out_.Send(in.Ip, in.Port, Encode(a));
}

} // namespace kel::server
