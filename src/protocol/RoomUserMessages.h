#pragma once
// The room conversation's messages about single users and the own account:
// the profile query 19001 and its answer 19002, the IP query 19009 and its
// answer 19010, the manager list query 80010 and the list 80011, the room
// restart notice 8005 and the balance notice 10140.
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"
#include "protocol/Commands.h"
#include "protocol/RoomHeader.h"

namespace kel {

// 19001, 30 bytes: the header; 26 int32 user number asked for.
struct ProfileQuery {
    static constexpr int32_t kCode = cmd::kUserProfileQuery;
    static constexpr size_t kLength = 30;
    RoomRequestHeader Head;
    int32_t AskedID = 0;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// The 535-byte profile record of 19002.
struct TUserProfile {
    static constexpr size_t kLength = 535;
    int32_t UserID = 0;
    std::string NickName;   // string[30] at 4
    int16_t Sex = 0;        // 37: 0 = male
    int16_t Age = 0;        // 39
    std::string LevelText;  // string[10] at 45
    std::string Country;    // string[50] at 56
    std::string Province;   // string[50] at 107
    std::string Phone;      // string[30] at 158
    std::string Mobile;     // string[30] at 189
    std::string Email;      // string[30] at 220
    std::string QQ;         // string[30] at 251
    std::string Note;       // string[250] at 282
    int16_t ContactHidden = 0; // 533: non-zero = contact details not public

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 19002, 555 bytes: 20 the profile record.
struct ProfileAnswer {
    static constexpr int32_t kCode = cmd::kUserProfileAnswer;
    static constexpr size_t kLength = 20 + TUserProfile::kLength;
    TUserProfile Profile;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 19009, 32 bytes: 8 own user number; 12 room number; 16 room ticket; 20
// user number asked for; 24 and 28 zero. Not the usual header: there is no
// echo pair.
struct AddressQuery {
    static constexpr int32_t kCode = cmd::kUserAddressQuery;
    static constexpr size_t kLength = 32;
    int32_t UserID = 0;
    int32_t RoomID = 0;
    int32_t RoomTicket = 0;
    int32_t AskedID = 0;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 19010, 32 bytes: 20 user number; 24 IPv4 address (network byte order); 28
// result.
struct AddressAnswer {
    static constexpr int32_t kCode = cmd::kUserAddressAnswer;
    static constexpr size_t kLength = 32;
    enum Result : int32_t { kUserGone = -1, kFound = 0, kFailed = 1, kNoRight = 2 };
    int32_t UserID = 0;
    uint32_t Ip = 0;
    int32_t Status = kFound;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 80010: the header only.
struct ManagerListQuery {
    static constexpr int32_t kCode = cmd::kManagerListQuery;
    static constexpr size_t kLength = 26;
    RoomRequestHeader Head;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 80011: 20 int32 count N; 24 N entries of 35 bytes {int32 user number,
// string[30] nickname}.
struct ManagerList {
    static constexpr int32_t kCode = cmd::kManagerList;
    static constexpr size_t kEntryLength = 35;
    struct Entry {
        int32_t UserID = 0;
        std::string NickName;
        bool operator==(const Entry&) const = default;
    };
    std::vector<Entry> Managers;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 8005: 16 a short string (length byte, up to 255 bytes of text): the
// reason, possibly empty. Sent as 272 bytes; a shorter message is accepted
// as long as the text its length byte announces is all there.
struct RoomRestartNotice {
    static constexpr int32_t kCode = cmd::kRoomRestart;
    static constexpr size_t kLength = 16 + 1 + 255;
    std::string Reason;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 10140, 24 bytes: 20 int32 the own new coin balance.
struct BalanceChanged {
    static constexpr int32_t kCode = cmd::kBalanceChanged;
    static constexpr size_t kLength = 24;
    int32_t Coins = 0;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

} // namespace kel
