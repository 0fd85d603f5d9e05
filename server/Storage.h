#pragma once
// The community's records in SQLite: users, rooms, per-room managers, the
// black lists and the gift catalogue. Every write is committed before the
// call returns, so whatever the server confirms to a client survives a
// crash. One connection, guarded by a mutex: the loop thread and the web
// server's threads share it.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "protocol/RoomInfo.h"

struct sqlite3;

namespace kel::server {

// User classes as the room records carry them.
enum UserType : int16_t {
    kGuest = 1,
    kRegistered = 2,
    kMemberVip = 3,
    kMemberGold = 4,
    kMemberDiamond = 5,
    kStaff = 9,
};

// Per-room manager levels.
enum ManagerLevel : int16_t {
    kNoManager = 0,
    kRoomManager = 1,
    kRoomOwner = 2,     // owner and vice owners
    kTempManager = 3,
};

struct UserRow {
    int32_t Id = 0;
    std::string NickName;
    std::string Digest;       // lower-case hex MD5 of the password
    int16_t Type = kRegistered;
    int32_t Rights = 0;       // hall rights word
    int32_t Coins = 0;
    int32_t Score = 0;
    int16_t HeadIndex = -1;
    int16_t Sex = 0;
    int16_t Age = 0;
    std::string Country, Province, Phone, Mobile, Email, QQ, Note;
};

struct RoomRow {
    TRoomInfo Info;           // Info.ServerGroup is the room's server group
    bool Popular = false;     // open to guests
    bool Closed = false;
};

struct GiftRow {
    int32_t Id = 0;
    std::string Name;
    int32_t Price = 0;
    std::string Category;
};

class Storage {
public:
    // Opens (creating if needed) the database; on a new database the schema
    // is created and, if `seed` is set, the demo community is written.
    static std::unique_ptr<Storage> Open(const std::string& path, std::string* error);
    ~Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    // Whether this open created the database.
    bool Created() const { return created_; }

    std::optional<UserRow> FindUser(int32_t id);
    // Stores a new account under the next free number (10000 and up);
    // returns the number, 0 on failure.
    int32_t CreateUser(const UserRow& user);
    // Changes the nickname and, when `digest` is not empty, the password.
    bool UpdateProfile(int32_t id, const std::string& nick, const std::string& digest);
    // Adds `delta` coins (negative takes away, never below 0); the new
    // balance, or nullopt if the user does not exist or would go negative.
    std::optional<int32_t> AddCoins(int32_t id, int32_t delta);
    int32_t UserCount();

    std::vector<RoomRow> Rooms();
    std::optional<RoomRow> FindRoom(int32_t id);
    void SaveRoom(const RoomRow& room);

    // Manager level of a user in a room (owners from the room record).
    int16_t ManagerLevelOf(int32_t room_id, int32_t user_id);
    void SetManager(int32_t room_id, int32_t user_id, int16_t level);
    // The room's managers (level 1) with their nicknames, by user number.
    std::vector<std::pair<int32_t, std::string>> Managers(int32_t room_id);

    bool IsUserBlack(int32_t room_id, int32_t user_id);
    bool IsAddressBlack(int32_t room_id, uint32_t ip_net);

    // The place an IPv4 address (host byte order) belongs to, from the
    // stored address ranges; empty when no range holds it.
    std::string IpLocation(uint32_t ip_host);
    void AddIpRange(uint32_t first_host, uint32_t last_host, const std::string& location);

    std::vector<GiftRow> Gifts();
    void SaveGift(const GiftRow& gift);

    // Runs `f` as one transaction; nested calls become part of the outer
    // one. An exception from `f` undoes everything it wrote and propagates.
    template <class F>
    void InTransaction(F&& f) {
        std::lock_guard<std::recursive_mutex> g(lock_);
        Exec("SAVEPOINT tx");
        try {
            f();
            Exec("RELEASE tx");
        } catch (...) {
            Exec("ROLLBACK TO tx");
            Exec("RELEASE tx");
            throw;
        }
    }

private:
    explicit Storage(sqlite3* db) : db_(db) {}
    void Exec(const char* sql);
    void CreateSchema();
    friend class Statement;

    sqlite3* db_;
    std::recursive_mutex lock_;
    bool created_ = false;
};

} // namespace kel::server
