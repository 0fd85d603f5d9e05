#pragma once
// The room hall's conversation with the hall server, without a display:
// probing the listed servers, login, the keep-alive and its 300-second
// loss, the logged-in-elsewhere notice, room links, the room query and the
// room entry exchange, and the self-information change. The window
// (TfrmRoomHall) implements IHallView and only draws; tests drive this
// class on a ManualLoop.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Loop.h"
#include "platform/Timer.h"
#include "protocol/HallMessages.h"
#include "protocol/InboundQueue.h"
#include "protocol/RoomEntryMessages.h"
#include "shell/OwnUser.h"

namespace kel {

class IHallView {
public:
    virtual ~IHallView() = default;
    virtual void SetStatus(const std::string& text) = 0;       // PnlLogin's caption
    virtual void SetStatusVisible(bool visible) = 0;
    virtual void ShowMessage(const std::string& text) = 0;     // caption "提示"
    virtual bool Confirm(const std::string& text, const std::string& caption) = 0;
    virtual void CloseHall() = 0;                              // ends the application
    virtual void Navigate(const std::string& url) = 0;         // wbHall
    virtual void ShowRoomPassword() = 0;                       // TPasswordMng, one at most
    virtual void ShowUpgrade(int32_t room_number) = 0;         // TfrmShowMessage2
    virtual void SelfInfoAnswered(int32_t status) = 0;         // to every open TfrmSelfInfo
    virtual bool HasCamera() = 0;
    // Open room windows, by room id, in screen order (front first).
    virtual std::vector<int32_t> OpenRooms() = 0;
    virtual void BringRoomToFront(int32_t room_id) = 0;
    virtual void CloseRoom(int32_t room_id) = 0;
    virtual void CloseAllRooms() = 0;
    virtual void OpenRoom(const RoomEntryAnswer& answer, uint32_t room_server_ip) = 0;
    // A login answer without error, after it was recorded.
    virtual void LoginAccepted(const LoginAnswer& answer) = 0;
};

class TkelChatCFG;

struct THallSettings {
    std::vector<uint32_t> servers;           // network byte order; 0 = unresolved
    uint16_t port_hall = 23456;
    std::array<uint16_t, 3> room_ports{20011, 20022, 20033};
    int32_t hall_url_id = 0;
    // Where a successful login is recorded (LoginInfo.dat, the remembered
    // password, the answer's media ticket, filter and image prefix).
    TkelChatCFG* cfg = nullptr;
};

// The hall's settings as the configuration holds them.
THallSettings HallSettingsFrom(TkelChatCFG& cfg);

// The camera the setup wizard chose: AVSet.ini in the application folder,
// section AVSet, key VideoDrvIndex (0 by default), read afresh each time
// because the wizard may have changed it meanwhile.
int32_t VideoDeviceIndex(const std::string& app_folder);

class THallSession {
public:
    // (address in network order, port, plaintext): the window's send operation.
    using TSend = std::function<void(uint32_t ip, uint16_t port, const std::vector<uint8_t>& plain)>;

    static constexpr uint32_t kQueueMs = 100;
    static constexpr uint32_t kProbeMs = 3000;
    static constexpr int kProbeRounds = 3;
    static constexpr uint32_t kKeepAliveMs = 30000;
    static constexpr uint32_t kLinkLostMs = 300000;
    static constexpr uint32_t kEntryPauseMs = 3000;

    THallSession(ILoop& loop, IHallView& view, TOwnUser& own, THallSettings settings, TSend send);
    ~THallSession();
    THallSession(const THallSession&) = delete;
    THallSession& operator=(const THallSession&) = delete;

    // FormShow: probing starts.
    void Start();
    // FormDestroy: the logout when connected; timers stop.
    void Shutdown();

    // The hall's step on the receive path, on the endpoint's thread, before
    // a checked plaintext is queued: a probe answer gets its sender's
    // address written in at 22 and port at 26, and one too short to take
    // them is dropped (false).
    static bool InboundFilter(std::vector<uint8_t>& plain, uint32_t ip, uint16_t port);
    // The queue the receive path appends to.
    InboundQueue& Queue() { return queue_; }
    // The receive path in one call: the filter, then the queue.
    void Deliver(uint32_t ip, uint16_t port, std::vector<uint8_t> plain) {
        if (InboundFilter(plain, ip, port)) queue_.Push(std::move(plain));
    }

    // A navigation of the hall page; true when it was a room link (and is
    // cancelled).
    bool BeforeNavigate(const std::string& url);
    // The page's top-level document is in.
    void DocumentComplete();
    // Enter a room (room links, and loudspeaker lines in room windows).
    void EnterRoom(int32_t room_id);
    // TPasswordMng's OK: the entry request again, with the typed password.
    void RoomPasswordEntered(const std::string& room_password);
    // TfrmSelfInfo: sends 19021. An empty new digest keeps the password.
    void ChangeSelfInfo(const std::string& nickname, const std::string& new_digest, const std::string& current_digest);

    bool Connected() const { return connected_; }
    uint32_t HallServer() const { return hall_server_; }
    uint32_t RoomServer() const { return room_server_; }
    int32_t PendingRoom() const { return pending_room_; }
    int32_t LinkOption() const { return link_option_; }
    size_t Queued() const { return queue_.Size(); }

private:
    void OnQueueTimer();
    void OnConnectTimer(TTimer& t);
    void OnKeepAliveTimer();
    void Dispatch(const std::vector<uint8_t>& msg);
    void HandleProbeAnswer(const std::vector<uint8_t>& msg);
    void HandleLoginAnswer(const std::vector<uint8_t>& msg);
    void HandleKeepAliveAnswer(const std::vector<uint8_t>& msg);
    void HandleLoggedInElsewhere(const std::vector<uint8_t>& msg);
    void HandleSelfInfoAnswer(const std::vector<uint8_t>& msg);
    void HandleRoomQueryAnswer(const std::vector<uint8_t>& msg);
    void HandleRoomEntryAnswer(const std::vector<uint8_t>& msg);
    void SendRoomEntry(int32_t room_id, const std::string& room_password);
    void SendToHall(const std::vector<uint8_t>& plain);

    ILoop& loop_;
    IHallView& view_;
    TOwnUser& own_;
    THallSettings settings_;
    TSend send_;
    InboundQueue queue_;
    TTimer queue_timer_;
    TTimer connect_timer_;
    TTimer keepalive_timer_;

    void RecordLogin(const LoginAnswer& a);

    bool connected_ = false;
    bool has_camera_ = false;
    bool closing_ = false;
    uint32_t hall_server_ = 0;
    uint32_t room_server_ = 0;
    uint16_t room_port_ = 0;
    int32_t pending_room_ = 0;
    int32_t link_option_ = 0;
    int32_t login_key_ = 0;
    Tick last_answer_ = 0;
    Tick last_entry_ = 0;
    // The change asked for with 19021, applied when the answer says yes.
    std::string pending_nick_;
    std::string pending_digest_;
};

} // namespace kel
