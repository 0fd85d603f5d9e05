#pragma once
// The hall conversation between the room hall and a hall server: probe,
// login, keep-alive, logout, the logged-in-elsewhere notice, the
// self-information change and the room query. The room conversation's
// keep-alive answer has the same layout as the hall's (KeepAliveAnswer).
#include <cstdint>
#include <string>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"
#include "protocol/Commands.h"

namespace kel {

// The pair of values the servers hand out and the client echoes.
struct ConnectionPair {
    int32_t A = 0;
    int16_t B = 0;
    bool operator==(const ConnectionPair&) const = default;
};

// 10008, 75 bytes: 12 int32 own user number; the rest zero.
struct HallProbeRequest {
    static constexpr int32_t kCode = cmd::kServerProbe;
    static constexpr size_t kLength = 75;
    int32_t UserID = 0;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 10009. The hall's receive path writes the sender's address at 22 and its
// port at 26, so the answer is at least 28 bytes long.
struct HallProbeAnswer {
    static constexpr int32_t kCode = cmd::kServerProbeAnswer;
    static constexpr size_t kLength = 28;
    uint32_t SenderIp = 0;    // network byte order
    uint16_t SenderPort = 0;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 11000, 75 bytes.
struct LoginRequest {
    static constexpr int32_t kCode = cmd::kLogin;
    static constexpr size_t kLength = 75;
    int32_t UserID = 0;          // 0 = guest
    int32_t LoginKey = 0;
    std::string PasswordDigest;  // string[32], lower-case hex MD5; empty for a guest
    int32_t HallURLID = 0;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 11001: fixed fields up to 351, then L bytes of word filter text.
struct LoginAnswer {
    static constexpr int32_t kCode = cmd::kLoginAnswer;
    static constexpr size_t kFixedLength = 351;
    int32_t UserID = 0;
    std::string ErrorText;       // string[50]; empty = success
    ConnectionPair Connection;
    int32_t MediaTicket = 0;
    std::string HallPageUrl;     // string[100]
    std::string RoomImagePrefix; // string[100]
    std::string NickName;        // string[30]
    int32_t Score = 0;
    int32_t Coins = 0;
    int16_t UserType = 0;
    int16_t ManagerLevel = 0;
    int32_t RightsWord = 0;
    std::string WordFilter;      // GBK on the wire, at most 32767 bytes

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 10021 of the hall, 32 bytes.
struct HallKeepAlive {
    static constexpr int32_t kCode = cmd::kKeepAlive;
    static constexpr size_t kLength = 32;
    int32_t UserID = 0;
    ConnectionPair Connection;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 10022, hall and room conversation: 20 int32 A; 24 int16 B.
struct KeepAliveAnswer {
    static constexpr int32_t kCode = cmd::kKeepAliveAnswer;
    static constexpr size_t kLength = 32;
    ConnectionPair Connection;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 11002, 32 bytes.
struct LogoutRequest {
    static constexpr int32_t kCode = cmd::kLogout;
    static constexpr size_t kLength = 32;
    int32_t UserID = 0;
    ConnectionPair Connection;
    int32_t LoginKey = 0;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 11003: 8 int32 user number.
struct LoggedInElsewhere {
    static constexpr int32_t kCode = cmd::kLoggedInElsewhere;
    static constexpr size_t kLength = 12;
    int32_t UserID = 0;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 19021, 125 bytes.
struct SelfInfoChange {
    static constexpr int32_t kCode = cmd::kChangeProfile;
    static constexpr size_t kLength = 125;
    int32_t UserID = 0;
    ConnectionPair Connection;
    std::string NewNickName;           // string[30]
    std::string CurrentDigest;         // string[32]
    std::string NewDigest;             // string[32]; empty = password unchanged

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 19022: 16 int32 status, 0 = success.
struct SelfInfoAnswer {
    static constexpr int32_t kCode = cmd::kChangeProfileAnswer;
    static constexpr size_t kLength = 20;
    int32_t Status = 0;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 20007, 34 bytes.
struct RoomQuery {
    static constexpr int32_t kCode = cmd::kRoomQuery;
    static constexpr size_t kLength = 34;
    int32_t UserID = 0;
    ConnectionPair Connection;
    int32_t RoomID = 0;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// Statuses of the room query answer.
enum class RoomQueryStatus : int32_t {
    Ok = 0,
    NoSuchRoom = 1,       // "房间不存在"
    ServerClosed = 2,     // "房间服务器关闭！"
    NotLoggedIn = 3,      // "用户未登陆大厅！"
    PopularOnly = 4,      // "您的号码只能进人气房间！"
};

// 20008: 12 int32 status; 16 int32 room id; 20 int32 server group.
struct RoomQueryAnswer {
    static constexpr int32_t kCode = cmd::kRoomQueryAnswer;
    static constexpr size_t kLength = 24;
    int32_t Status = 0;
    int32_t RoomID = 0;
    int32_t ServerGroup = 0;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

} // namespace kel
