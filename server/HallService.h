#pragma once
// The hall server: probe, login, keep-alive, logout, the self-information
// change, the room query and registration, all on the hall port. Runs on
// the loop thread.
#include <cstdint>
#include <map>
#include <string>

#include "Community.h"
#include "MessageSink.h"
#include "ServerConfig.h"
#include "ServerLog.h"
#include "Storage.h"
#include "platform/Loop.h"
#include "platform/Timer.h"
#include "protocol/HallMessages.h"

namespace kel::server {

class HallService {
public:
    HallService(ILoop& loop, Storage& db, const ServerConfig& cfg, Community& community, IMessageSink& out,
                ServerLog& log, DropLog& drops);

    void OnMessage(const Inbound& in);

    size_t SessionCount() const { return sessions_.size(); }
    // Guests send no keep-alives, so their sessions are kept up to this
    // many and the oldest gives way.
    static constexpr size_t kMaxGuestSessions = 10000;

private:
    struct Session {
        int32_t UserID = 0;
        ConnectionPair Conn;
        int32_t PreviousA = 0;  // requests in flight may still carry it
        int32_t LoginKey = 0;
        uint32_t Ip = 0;
        uint16_t Port = 0;
        Tick LastSeen = 0;
        uint64_t Seq = 0;
    };
    using SessionMap = std::map<uint64_t, Session>;

    void Probe(const Inbound& in);
    void Login(const Inbound& in);
    void KeepAlive(const Inbound& in);
    void Logout(const Inbound& in);
    void SelfInfo(const Inbound& in);
    void RoomQueryReq(const Inbound& in);
    void Register(const Inbound& in);

    // The session a request names by user number and connection value A.
    Session* FindSession(int32_t user_id, int32_t conn_a);
    void Remove(uint64_t sid, const char* why);
    ConnectionPair NewConnection();
    void Expire();
    void Drop(const Inbound& in, const std::string& why);
    bool RegistrationAllowed(uint32_t ip);

    ILoop& loop_;
    Storage& db_;
    const ServerConfig& cfg_;
    Community& community_;
    IMessageSink& out_;
    ServerLog& log_;
    DropLog& drops_;
    TTimer expiry_;
    SessionMap sessions_;
    std::map<int32_t, uint64_t> by_conn_;  // current and previous value A
    std::map<int32_t, uint64_t> by_user_;  // members only
    uint64_t next_sid_ = 1;
    std::map<uint32_t, std::vector<Tick>> registrations_;
};

} // namespace kel::server
