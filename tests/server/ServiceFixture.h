#pragma once
// The hall and room services on virtual time with a fresh seeded database
// in a temporary folder; what they send is collected instead of sent.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Community.h"
#include "DemoCommunity.h"
#include "HallService.h"
#include "RoomService.h"
#include "ServerConfig.h"
#include "ServerLog.h"
#include "Storage.h"
#include "foundation/Md5.h"
#include "platform/ManualLoop.h"
#include "protocol/HallMessages.h"
#include "protocol/RoomEntryMessages.h"
#include "protocol/RoomMessages.h"
#include "protocol/LayoutSupport.h"

namespace kel::server::test {

struct Sent {
    uint32_t Ip;
    uint16_t Port;
    std::vector<uint8_t> Plain;
    int32_t Code() const { return MessageCode(Plain.data(), Plain.size()); }
};

class CollectSink : public IMessageSink {
public:
    void Send(uint32_t ip, uint16_t port, const std::vector<uint8_t>& plain) override {
        sent.push_back({ip, port, plain});
    }
    std::vector<Sent> Take() { return std::exchange(sent, {}); }
    std::vector<Sent> sent;
};

// A temporary folder removed with the object.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kelserver-XXXXXX").string();
        path_ = mkdtemp(tmpl.data()) ? tmpl : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline uint32_t Loopback() { return 0x0100007f; }

class ServiceFixture : public ::testing::Test {
protected:
    void SetUp() override {
        cfg.Database = dir.File("community.db");
        cfg.SessionTimeoutMs = 300000;
        cfg.SessionCheckMs = 5000;
        log.SetQuiet(true);
        OpenServices();
    }

    void OpenServices() {
        std::string error;
        db = Storage::Open(cfg.Database, &error);
        ASSERT_TRUE(db) << error;
        if (db->Created()) SeedDemoCommunity(*db, {}, cfg.WebBase());
        hall = std::make_unique<HallService>(loop, *db, cfg, community, out, log, drops);
        for (int g = 0; g < 3; ++g)
            rooms[g] = std::make_unique<RoomService>(g + 1, loop, *db, cfg, community, out, log, drops);
    }

    void CloseServices() {
        for (auto& r : rooms) r.reset();
        hall.reset();
        db.reset();
    }

    template <class T>
    void ToHall(uint16_t port, const T& msg) {
        auto bytes = Encode(msg);
        hall->OnMessage({Loopback(), port, bytes});
    }
    template <class T>
    void ToRoom(int group, uint16_t port, const T& msg) {
        auto bytes = Encode(msg);
        rooms[group - 1]->OnMessage({Loopback(), port, bytes});
    }

    // The one message of `T` sent to `port` among `sent` (fails otherwise).
    template <class T>
    static std::optional<T> Only(const std::vector<Sent>& sent, uint16_t port) {
        std::optional<T> found;
        int n = 0;
        for (const auto& s : sent) {
            if (s.Port != port) continue;
            if (auto m = Decode<T>(s.Plain)) {
                found = m;
                ++n;
            }
        }
        EXPECT_LE(n, 1);
        return found;
    }

    LoginAnswer Login(uint16_t port, int32_t user, const std::string& digest) {
        LoginRequest req;
        req.UserID = user;
        req.PasswordDigest = digest;
        ToHall(port, req);
        auto a = Only<LoginAnswer>(out.Take(), port);
        EXPECT_TRUE(a.has_value());
        return a.value_or(LoginAnswer{});
    }

    // Room entry and enter for an account (0: a guest); returns the header
    // its room requests carry. What the room sent meanwhile is taken.
    RoomRequestHeader EnterRoom(uint16_t port, int32_t user, const std::string& password, int32_t room_id) {
        RoomEntryRequest e;
        e.UserID = user;
        e.RoomID = room_id;
        e.PasswordDigest = user ? Md5Hex(password) : "";
        ToRoom(1, port, e);
        auto a = Only<RoomEntryAnswer>(out.Take(), port);
        EXPECT_TRUE(a && a->ErrorText.empty());
        RoomRequestHeader h{a ? a->UserID : 0, room_id, a ? a->RoomTicket : 0, 0, 0};
        EnterRoomRequest enter;
        enter.UserID = h.UserID;
        enter.RoomID = room_id;
        enter.RoomTicket = h.RoomTicket;
        ToRoom(1, port, enter);
        auto answer = Only<EnterRoomAnswer>(out.Take(), port);
        EXPECT_TRUE(answer.has_value());
        return h;
    }

    ManualLoop loop;
    TempDir dir;
    ServerConfig cfg;
    ServerLog log;
    DropLog drops{log};
    Community community;
    CollectSink out;
    std::unique_ptr<Storage> db;
    std::unique_ptr<HallService> hall;
    std::unique_ptr<RoomService> rooms[3];
};

} // namespace kel::server::test
