#pragma once
// A room on virtual time: an in-memory endpoint that keeps what the room
// sends (deciphered) and lets a test deliver what the room server would
// send, and a view that records what the window would show.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ManualLoop.h"
#include "protocol/Encrypt.h"
#include "protocol/Envelope.h"
#include "protocol/LayoutSupport.h"
#include "room/ChatRoom.h"

namespace kel::test {

inline constexpr uint32_t kServerIp = 0x0100007F; // 127.0.0.1
inline constexpr uint16_t kRoomPort2 = 20022;

class FakeEndpoint : public IRoomEndpoint {
public:
    struct Sent {
        uint32_t Ip;
        uint16_t Port;
        std::vector<uint8_t> Plain;
    };
    void SetActive(bool on) override { active = on; if (!on) ++closed; }
    bool Active() const override { return active; }
    void SendReliable(uint32_t ip, uint16_t port, const uint8_t* data, int32_t len) override {
        std::vector<uint8_t> buf(data, data + len);
        GlobalEncrypt->Decrypt(buf);
        sent->push_back({ip, port, std::move(buf)});
    }
    int32_t PendingCount() const override { return *pending; }

    bool active = false;
    int closed = 0;
    std::shared_ptr<std::vector<Sent>> sent = std::make_shared<std::vector<Sent>>();
    std::shared_ptr<int32_t> pending = std::make_shared<int32_t>(0);
};

struct Line {
    Line(std::string what, std::string text, int kind = 0, std::string prefix = {})
        : What(std::move(what)), Text(std::move(text)), Kind(kind), Prefix(std::move(prefix)) {}
    std::string What; // "private", "public", "system", "entry", "leave", ...
    std::string Text;
    int Kind = 0;
    std::string Prefix;
};

class RecordingView : public IRoomView {
public:
    void PrivateHtml(const std::string& html) override { lines.push_back({"private", html}); }
    void PublicHtml(const std::string& html) override { lines.push_back({"public", html}); }
    void PrivateSystemLine(int kind, const std::string& prefix, const std::string& text) override {
        lines.push_back({"system", text, kind, prefix});
    }
    void EntryLine(const TUserInfoUserMng& u) override { lines.push_back({"entry", u.NickName}); }
    void LeaveLine(int32_t id, const std::string& nick) override { lines.push_back({"leave", nick}); }
    void GiftEventLine(const TGiftEvent& e) override { lines.push_back({"gift", e.GiftName}); }
    void RoomDescription(const std::string& text) override { description = text; }
    void CoinsChanged(int32_t c) override { coins = c; }
    void ShowProfile(const TUserProfile& p) override { profiles.push_back(p); }
    void ManagerListArrived(const std::vector<std::string>& l, bool) override { managers = l; }
    void PublicSystemLine(int kind, const std::string& prefix, const std::string& text) override {
        lines.push_back({"publicsys", text, kind, prefix});
    }
    void StartPublicMicView(const TPublicMicView& v) override {
        views.push_back({v.Slot, v.User.UserID});
        starts.push_back(v);
    }
    void StopPublicMicView(int slot) override { stops.push_back(slot); }
    void PublicMicTime(int slot, int32_t remaining) override {
        times[slot] = remaining;
        ++time_updates;
    }
    void ClosePrivateMicView(int32_t id) override { closed_private.push_back(id); }
    void UserLeft(int32_t id, bool full) override { left.push_back({id, full}); }
    void OwnRecordChanged(const TUserInfoUserMng& u) override { own_changes.push_back(u); }
    void EntryRefused(const std::string& t) override { refused = t; }
    void KeepAliveLost() override { ++alive_lost; }

    std::vector<Line> Of(const std::string& what) const {
        std::vector<Line> out;
        for (const auto& l : lines)
            if (l.What == what) out.push_back(l);
        return out;
    }

    std::vector<Line> lines;
    std::string description, refused;
    int32_t coins = -1;
    std::vector<TUserProfile> profiles;
    std::vector<std::string> managers;
    std::vector<std::pair<int, int32_t>> views;
    std::vector<TPublicMicView> starts;
    std::vector<int> stops;
    std::map<int, int32_t> times;
    size_t time_updates = 0;
    std::vector<int32_t> closed_private;
    std::vector<std::pair<int32_t, bool>> left;
    std::vector<TUserInfoUserMng> own_changes;
    int alive_lost = 0;
};

inline TUserInfoUserMng User(int32_t id, std::string nick, uint8_t rank = 5) {
    TUserInfoUserMng u;
    u.UserID = id;
    u.NickName = std::move(nick);
    u.SortRank = rank;
    u.UserType = 2;
    u.MicTimeLimit = -1;
    return u;
}

class RoomTest : public ::testing::Test {
protected:
    static constexpr int32_t kMe = 100001;
    static constexpr int32_t kRoom = 1001;
    static constexpr int32_t kTicket = 777;

    void SetUp() override {
        CreateGlobalEncrypt();
        auto ep = std::make_unique<FakeEndpoint>();
        endpoint = ep.get();
        sent = ep->sent;
        pending = ep->pending;
        TRoomContext ctx;
        ctx.Cipher = GlobalEncrypt;
        ctx.RoomPorts = {20011, kRoomPort2, 20033};
        ctx.AppPath = "/nonexistent/";
        ConfigureContext(ctx);
        room = std::make_unique<TChatRoom>(loop, ctx, view, std::move(ep));
    }
    void TearDown() override {
        room.reset();
        loop.AdvanceBy(2000); // let a lingering endpoint close
    }
    virtual void ConfigureContext(TRoomContext&) {}

    TRoomInit Init(int16_t group = 2) {
        TRoomInit i;
        i.UserID = kMe;
        i.NickName = "我自己";
        i.UserType = 2;
        i.RightLevel = 0;
        i.Room.RoomID = kRoom;
        i.Room.RoomName = "测试房间";
        i.Room.ServerGroup = group;
        i.ServerIp = kServerIp;
        i.RoomTicket = kTicket;
        return i;
    }
    void Enter(TRoomInit i) { ASSERT_TRUE(room->InitRoom(i)); }
    void Enter() { Enter(Init()); }

    // Delivers a plaintext as the room server would, through the receive path.
    void Deliver(const std::vector<uint8_t>& plain, uint32_t ip = kServerIp, uint16_t port = kRoomPort2) {
        auto sealed = SealMessage(*GlobalEncrypt, plain.data(), plain.size());
        endpoint->OnRecv(ip, port, sealed.data(), static_cast<int32_t>(sealed.size()));
    }
    template <class T>
    void DeliverMsg(const T& m) { Deliver(Encode(m)); }
    // One pump tick.
    void Pump() { loop.AdvanceBy(TChatRoom::kPumpIntervalMs); }

    std::vector<int32_t> SentCodes() const {
        std::vector<int32_t> c;
        for (const auto& s : *sent) c.push_back(MessageCode(s.Plain.data(), s.Plain.size()));
        return c;
    }

    ManualLoop loop;
    RecordingView view;
    FakeEndpoint* endpoint = nullptr;
    std::shared_ptr<std::vector<FakeEndpoint::Sent>> sent;
    std::shared_ptr<int32_t> pending;
    std::unique_ptr<TChatRoom> room;
};

} // namespace kel::test
