#pragma once
// The room server of one server group: room entry (20010/20011), entering
// (20013, answered by 20111, the user list and the mic lists and announced
// to the others), keep-alive and leaving, and the removal of stays that
// went silent. Runs on the loop thread.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ChatService.h"
#include "MicService.h"
#include "Community.h"
#include "MessageSink.h"
#include "ServerConfig.h"
#include "ServerLog.h"
#include "Storage.h"
#include "platform/Loop.h"
#include "platform/Timer.h"
#include "protocol/RoomMessages.h"
#include "protocol/RoomUserMessages.h"

namespace kel::server {

class RoomService {
public:
    RoomService(int group, ILoop& loop, Storage& db, const ServerConfig& cfg, Community& community,
                IMessageSink& out, ServerLog& log, DropLog& drops);

    void OnMessage(const Inbound& in);

    int Group() const { return group_; }
    // The chat of this server group (announcements go through it).
    ChatService& Chat() { return chat_; }
    // The mics of this server group's rooms.
    MicService& Mics() { return mic_; }

    // Operator's notice that the room (0: every room of this group) will
    // restart in ten minutes (8005).
    int AnnounceRestart(int32_t room_id, const std::string& reason);
    // Tells every stay of the user his new coin balance (10140).
    int BalanceChanged(int32_t user_id, int32_t coins);
    int32_t MemberCount(int32_t room_id) const;

    // User records per list message, so that a full room goes out in
    // several modest messages.
    static constexpr size_t kUsersPerList = 40;
    // Granted entries not yet used, per room.
    static constexpr size_t kMaxWaiting = 1000;

private:
    struct Member {
        TUserInfoUserMng Record;
        uint32_t Ip = 0;
        uint16_t Port = 0;
        int32_t Ticket = 0;
        ConnectionPair Echo;
        Tick LastSeen = 0;
        uint64_t Seq = 0;          // arrival order
        bool PlainNotices = false; // announced with 20016, so leaves with 20017
    };
    struct Pending {
        TUserInfoUserMng Record;
        int32_t Ticket = 0;
        Tick Issued = 0;
    };
    struct Room {
        std::map<int32_t, Member> Members;
        std::map<int32_t, Pending> Waiting;  // granted entries not yet used
    };

    void Entry(const Inbound& in);
    void Enter(const Inbound& in);
    void KeepAlive(const Inbound& in);
    void Leave(const Inbound& in);
    // Requests about single users (RoomUserRequests.cpp).
    void ProfileQuery(const Inbound& in);
    void AddressQuery(const Inbound& in);
    void ManagerListQuery(const Inbound& in);

    // The member a request header names, if the ticket matches.
    Member* FindMember(const RoomRequestHeader& h);
    void RemoveMember(int32_t room_id, int32_t user_id, const char* why);
    void Broadcast(const Room& room, int32_t except_user, const std::vector<uint8_t>& msg);
    void SendUserList(const Room& room, const Member& to);
    void Expire();
    void Drop(const Inbound& in, const std::string& why);
    void Publish(int32_t room_id);

    const int group_;
    ILoop& loop_;
    Storage& db_;
    const ServerConfig& cfg_;
    Community& community_;
    IMessageSink& out_;
    ServerLog& log_;
    DropLog& drops_;
    TTimer expiry_;
    std::map<int32_t, Room> rooms_;
    friend class ChatService;
    friend class MicService;
    ChatService chat_{*this};
    MicService mic_{*this};
    uint64_t next_seq_ = 1;
};

} // namespace kel::server
