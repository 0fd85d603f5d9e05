#pragma once
// TChatRoom: the room window's logic without the window. One stay in one
// room: the room state handed over by the hall, the send path through the
// window's own endpoint, the inbound queue fed by the endpoint's receive
// thread, the 30 ms pump, the dispatcher with every code of the room
// conversation, keep-alive, the enter and leave exchanges, the user
// directory with its four lists and the user messages.
//
// Threads: QueueInbound runs on the endpoint's receive thread and only
// checks, copies and queues; everything else runs on the loop's thread.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "features/EventOverTime.h"
#include "platform/Loop.h"
#include "platform/Timer.h"
#include "protocol/GiftEvent.h"
#include "protocol/InboundQueue.h"
#include "protocol/MicMessages.h"
#include "protocol/RoomHeader.h"
#include "protocol/RoomInfo.h"
#include "protocol/RoomUserMessages.h"
#include "protocol/UserRecord.h"
#include "room/IpLocator.h"
#include "room/RoomEndpoint.h"
#include "room/RoomUserLists.h"
#include "room/SubMenuItems.h"
#include "room/UserManage.h"

namespace kel {

class TEncrypt;
class TGift;
class TkelTypeCFG;
class TMicControl;

// The ten values the hall hands over, in InitRoom's order.
struct TRoomInit {
    int32_t UserID = 0;
    std::string NickName;
    int32_t UserType = 0;
    int32_t ManagerLevel = 0;
    int32_t RightLevel = 0;
    int32_t MicRight = 0;
    TRoomInfo Room;
    uint32_t ServerIp = 0;   // network byte order
    int32_t RoomTicket = 0;
    int32_t Reserved = 0;    // handed over, not used by the room
};

// What the room shares with the rest of the application.
struct TRoomContext {
    TEncrypt* Cipher = nullptr;
    const TkelTypeCFG* Levels = nullptr;
    const TGift* Gifts = nullptr;
    std::string AppPath;                       // trailing '/'
    std::array<uint16_t, 3> RoomPorts{};       // PortRoom1..3
    IIpLocator* Locator = nullptr;             // nullptr: locations stay empty
};

// What a public mic window is started with.
struct TPublicMicView {
    int Slot = 0;                 // 0..2
    TUserInfoUserMng User;
    uint32_t MediaIp = 0;         // relay of the user's stream, network order
    uint16_t MediaPort = 0;
    int32_t MediaTicket = 0;
    bool Own = false;             // the own user: the window shows the local preview
    // The window's user menu (all off for the own window).
    bool MayKick = false, MayForbidChat = false, MayAddTime = false, MayTakeOff = false;
    // This client's remembered choices for the slot.
    bool AudioOn = true, VideoOn = true;
};

// The screens and parts of the window the logic writes to. Every method
// has an empty default so that a window (or a test) takes what it shows.
class IRoomView {
public:
    virtual ~IRoomView() = default;
    // Our own markup, ready for the private or the public screen.
    virtual void PrivateHtml(const std::string& html) {}
    virtual void PublicHtml(const std::string& html) {}
    // A system line: `text` is plain text and is escaped by the screen.
    virtual void PrivateSystemLine(int kind, const std::string& prefix, const std::string& text) {}
    virtual void PublicSystemLine(int kind, const std::string& prefix, const std::string& text) {}
    // The plain entry and leave lines of the public screen.
    virtual void EntryLine(const TUserInfoUserMng& user) {}
    virtual void LeaveLine(int32_t user_id, const std::string& nick) {}
    virtual void GiftEventLine(const TGiftEvent& event) {}
    virtual void LuxuryGiftsChanged() {}
    virtual void RoomDescription(const std::string& plain) {}
    virtual void CoinsChanged(int32_t coins) {}
    virtual void ShowProfile(const TUserProfile& profile) {}
    // Lines "number nickname" for the manager page of the user-management
    // window; `may_manage` is right 4.
    virtual void ManagerListArrived(const std::vector<std::string>& lines, bool may_manage) {}
    // A user in the directory took public mic `slot` (0..2); a window
    // showing somebody else was stopped first.
    virtual void StartPublicMicView(const TPublicMicView& view) {}
    // Public mic `slot` is empty again (the own preview is detached).
    virtual void StopPublicMicView(int slot) {}
    // The remaining mic time of the user on `slot`, in ms (never negative).
    virtual void PublicMicTime(int slot, int32_t remaining_ms) {}
    // The floating private mic window of a user closes, if there is one.
    virtual void ClosePrivateMicView(int32_t user_id) {}
    // A user left: the window's other parts forget him (chat targets, A/V
    // windows, private mics, gift receivers). `full` for 8016.
    virtual void UserLeft(int32_t user_id, bool full) {}
    // The server sent a new record of the logged-in user.
    virtual void OwnRecordChanged(const TUserInfoUserMng& user) {}
    // The entry cannot go on (text for a message box); the window closes.
    virtual void EntryRefused(const std::string& text) {}
    // No keep-alive answer for 300 s: show the message box and close. The
    // window must close after the running handler has returned.
    virtual void KeepAliveLost() {}
};

class TChatRoom {
public:
    using Block = InboundQueue::Block;
    using Handler = std::function<void(const Block& msg)>;

    static constexpr uint32_t kPumpIntervalMs = 30;
    static constexpr intptr_t kKeepAliveTicks = 1000; // sent on the 1001st tick
    static constexpr uint32_t kAliveLossMs = 300000;
    static constexpr uint32_t kPumpBudgetMs = 20;
    static constexpr uint32_t kLeaveLingerMs = 1000;

    TChatRoom(ILoop& loop, TRoomContext ctx, IRoomView& view, std::unique_ptr<IRoomEndpoint> endpoint);
    // Sends the leave request (once entered) and lets the endpoint linger
    // until it is acknowledged; undelivered inbound messages are dropped.
    ~TChatRoom();
    TChatRoom(const TChatRoom&) = delete;
    TChatRoom& operator=(const TChatRoom&) = delete;

    // Stores the hall's values, opens the endpoint, starts the pump and
    // sends the enter request. False (and EntryRefused) when the room record
    // names no valid server group or the endpoint cannot be opened.
    bool InitRoom(const TRoomInit& init);

    // ---- send path
    // The one way a room request leaves: enciphered and sent reliably to
    // the room server.
    void SendRoomMessage(const std::vector<uint8_t>& plain);
    // The 26-byte request header with the current connection values.
    RoomRequestHeader Header() const;
    void SendProfileQuery(int32_t user_id);
    void SendAddressQuery(int32_t user_id);
    void SendManagerListQuery();

    // ---- receive path
    // Receive thread: drops what does not come from the room server or
    // does not open as a room message, queues the rest.
    void QueueInbound(uint32_t ip_net, uint16_t port, const uint8_t* data, int32_t len);
    // One pump tick (the timer's handler; public for tests).
    void PumpInbound();
    // Hands one message to the handler of its code; false when the code has
    // no handler (it is ignored).
    bool DispatchMessage(const Block& msg);

    // ---- dispatcher
    // The codes of the room conversation, each with the name of its slot.
    struct TSlot {
        int32_t Code;
        const char* Name;
    };
    static const std::vector<TSlot>& Slots();
    static bool IsRoomCode(int32_t code);
    // Fills the slot of a room code; false for a code that is not one.
    bool SetHandler(int32_t code, Handler handler);
    bool HasHandler(int32_t code) const;
    // Runs once per pump tick when the room's gift pacing period is up.
    std::function<void()> OnGiftPacingStep;

    // ---- users
    TUserManage& Directory() { return directory_; }
    TRoomUserLists& Lists() { return lists_; }
    bool ModifyUserInfo(const TUserInfoUserMng& user);
    void SetSearchText(const std::string& text) { lists_.SetSearchText(text); }
    // The pop-up menu for a user other than oneself who is in the room.
    bool MenuFor(int32_t user_id, TSubMenuState& state) const;
    // Routing of a chosen item; the actions of other features go through
    // OnMenuAction (chat target, gift receiver, video, mic, administration).
    void OnPopEnvent(int32_t user_id, SubMenuEnum item);
    std::function<void(int32_t user_id, SubMenuEnum item)> OnMenuAction;
    std::set<int32_t>& BlockedChat() { return blocked_chat_; }
    // Users known to hold a mic (FOnMicUsers).
    const std::set<int32_t>& OnMic() const { return on_mic_; }
    std::set<int32_t>& OnMicUsers() { return on_mic_; }
    // The mic queue and mic control of this room.
    TMicControl& Mic() { return *mic_; }
    std::set<int32_t>& TempManagers() { return temp_managers_; }

    // ---- state
    int32_t MyUserID() const { return my_user_id_; }
    const std::string& MyNick() const { return my_nick_; }
    int32_t UserType() const { return user_type_; }
    int32_t ManagerLevel() const { return manager_level_; }
    int32_t RightLevel() const { return right_level_; }
    int32_t MicRight() const { return mic_right_; }
    uint8_t MicState() const { return mic_state_; }
    void SetMicState(uint8_t state) { mic_state_ = state; }
    const TRoomInfo& RoomInfo() const { return room_; }
    void SetRoomInfo(const TRoomInfo& room) { room_ = room; }
    int32_t RoomID() const { return room_id_; }
    uint32_t ServerAddr() const { return server_addr_; }
    uint16_t ServerPort() const { return server_port_; }
    int32_t EchoValue() const { return echo_value_; }
    int16_t EchoWord() const { return echo_word_; }
    Tick LastAliveAnswer() const { return last_alive_; }
    const std::vector<TGiftEvent>& LuxuryGifts() const { return luxury_; }
    TEventOverTime& Waits() { return waits_; }
    InboundQueue& Inbound() { return inbound_; }
    TTimer& PumpTimer() { return pump_; }
    bool Entered() const { return entered_; }
    bool Closing() const { return closing_; }
    // "(" number ")" nickname, cut to 20 characters.
    std::string RoomLabel() const;
    // "(" room number ")" room name.
    std::string Caption() const;
    // Clock for the pump's time budget; real time by default.
    std::function<Tick()> BudgetClock;

private:
    void Register(int32_t code, void (TChatRoom::*fn)(const Block&));
    void SystemLine(int kind, const std::string& text);
    void ShowEntryNotice(const TUserInfoUserMng& user, bool announce);
    TUserInfoUserMng Cleaned(const TUserInfoUserMng& user) const;

    // Handlers of this window's own codes.
    void OnKeepAliveAnswer(const Block& m);
    void OnEnterRoomAnswer(const Block& m);
    void OnRoomRestart(const Block& m);
    void OnLuxuryGiftList(const Block& m);
    void OnBalanceChanged(const Block& m);
    void OnUserEntered(const Block& m);
    void OnUserEnteredPlain(const Block& m);
    void OnUserList(const Block& m);
    void OnUserLeft(const Block& m);
    void OnUserLeftPlain(const Block& m);
    void OnProfileAnswer(const Block& m);
    void OnAddressAnswer(const Block& m);
    void OnManagerList(const Block& m);

    ILoop& loop_;
    TRoomContext ctx_;
    IRoomView& view_;
    std::unique_ptr<IRoomEndpoint> endpoint_;
    InboundQueue inbound_;
    TTimer pump_;
    TEventOverTime waits_;
    TUserManage directory_;
    TRoomUserLists lists_;
    std::unordered_map<int32_t, Handler> handlers_;
    std::set<int32_t> blocked_chat_, on_mic_, temp_managers_;
    std::vector<TGiftEvent> luxury_;
    std::unique_ptr<TMicControl> mic_;
    // What the receive thread queues through: cut off when the room goes,
    // while the endpoint may still linger.
    struct TInboundSink {
        std::mutex Lock;
        TChatRoom* Room = nullptr;
    };
    std::shared_ptr<TInboundSink> sink_ = std::make_shared<TInboundSink>();
    // Answers of the location service find out whether the room still exists.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    int32_t my_user_id_ = 0;
    std::string my_nick_;
    int32_t user_type_ = 0;
    int32_t manager_level_ = 0;
    int32_t right_level_ = 0;
    int32_t mic_right_ = 0;
    uint8_t mic_state_ = 0;
    TRoomInfo room_;
    int32_t room_id_ = 0;
    int32_t room_ticket_ = 0;
    int32_t echo_value_ = 0;
    int16_t echo_word_ = 0;
    // Read by the receive thread: written once in InitRoom before the
    // endpoint opens.
    uint32_t server_addr_ = 0;
    uint16_t server_port_ = 0;
    Tick last_alive_ = 0;
    Tick pacing_tick_ = 0;
    bool entered_ = false;
    bool closing_ = false;
};

} // namespace kel
