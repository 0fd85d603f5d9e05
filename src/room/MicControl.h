#pragma once
// TMicControl: the room window's mic logic without the window. It asks the
// room server for mic states and applies what the server broadcasts: the
// three public mic slots and who holds them, the users known to hold a mic,
// the mic queue, holding other users on and off, mic time and its
// countdown, and the own sender that a grant starts. It fills the mic codes
// of the room's dispatcher; everything runs on the loop's thread.
#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/Loop.h"
#include "platform/Timer.h"
#include "protocol/MicMessages.h"
#include "room/OwnSender.h"

namespace kel {

class TChatRoom;
class IRoomView;

class TMicControl {
public:
    static constexpr int kSlots = 3;
    static constexpr uint32_t kTickMs = 150;       // the window's Timer1
    static constexpr uint32_t kCountdownMs = 200;  // at most one countdown step per 200 ms

    TMicControl(TChatRoom& room, IRoomView& view, ILoop& loop);
    ~TMicControl();
    TMicControl(const TMicControl&) = delete;
    TMicControl& operator=(const TMicControl&) = delete;

    // Starts the countdown tick (the room has entered).
    void Start();
    // The room goes: a public mic of the own user whose sender runs is
    // left (sender stopped, 30021 sent) and every view stopped.
    void Shutdown();

    // ---- own requests
    // The panel's mic menu: state 0 leaves, 1..6 asks.
    void ReqMic(uint8_t state);
    void SendMicRequest(uint8_t state, int16_t gift_id, int16_t gift_count);
    void SendLeaveMic();
    // Send or stop sending own audio (the panel's send-audio icon).
    void EnableAudio(bool on);

    // ---- on other users (user menu, A/V window menus)
    void OnAddCancelMic(int32_t user_id);
    void OnAddMicTime(int32_t user_id);
    void OnSetMicOrder();
    void SendHoldOnMic(int32_t user_id);
    void SendHoldOffMic(int32_t user_id);
    void SendAddMicTime(int32_t user_id);
    void SendMicOrder(const std::vector<int32_t>& order);
    bool IsOnMic(int32_t user_id) const;
    // For an A/V window's menu: offer "添加麦时", and the user's chat ban.
    std::pair<bool, bool> QueryMicMenu(int32_t user_id) const;
    // Users waiting in the queue, next first.
    std::vector<int32_t> QueuedUsers() const;

    // A user left the room: his public slot empties.
    void UserLeft(int32_t user_id);
    // One countdown step (the tick's handler; public for tests).
    void UpdateMicTimes();

    // ---- state
    int32_t MySlot() const { return my_slot_; }
    // The user a public slot shows, 0 when empty.
    int32_t SlotUser(int slot) const;
    bool SendAudioOn() const { return send_audio_; }
    std::array<bool, kSlots> AudioOn{true, true, true};
    std::array<bool, kSlots> VideoOn{true, true, true};

    // What a grant starts the own sender with.
    int32_t MediaTicket = 0;
    int32_t VideoDevice = 0;
    // The own sender; a logging one until the media stages plug theirs.
    void SetOwnSender(IOwnSender* sender) { sender_ = sender ? sender : &logging_sender_; }
    IOwnSender& OwnSender() const { return *sender_; }

    // The paid private mic dialog: true on OK with the chosen gift and
    // count. Unset, the paid mic cannot be asked for.
    std::function<bool(int16_t& gift_id, int16_t& gift_count)> AskPaidMic;
    // The queue order dialog with the queue, next first; true on OK with
    // the new order. Unset, nothing is sent.
    std::function<bool(std::vector<int32_t>& order)> EditMicOrder;

private:
    void OnMicAnswer(const std::vector<uint8_t>& m);
    void OnMicGranted(const std::vector<uint8_t>& m);
    void OnMicChanged(const std::vector<uint8_t>& m);
    void OnMicDown(const std::vector<uint8_t>& m);
    void OnMicList(const std::vector<uint8_t>& m);
    void OnQueueList(const std::vector<uint8_t>& m);
    void OnUserMicStates(const std::vector<uint8_t>& m);
    // Copies the entries' mic data into the known users' records and
    // rebuilds FOnMicUsers; unknown users are skipped.
    void ApplyMicEntries(const std::vector<TMicEntry>& entries);
    // A request about another user: the room header, my nick, the target.
    template <class R>
    R Targeted(int32_t user_id) const;
    void OnHoldOnAnswer(const std::vector<uint8_t>& m);
    void OnHoldOffAnswer(const std::vector<uint8_t>& m);
    void OnAddMicTimeAnswer(const std::vector<uint8_t>& m);
    void OnMicTimeAdded(const std::vector<uint8_t>& m);
    void OnMicOrderAnswer(const std::vector<uint8_t>& m);
    void OnMicQueueReordered(const std::vector<uint8_t>& m);

    // 30021 and the own state reset, without the check of SendLeaveMic.
    void SendLeave();
    void Private(int style, const std::string& text);
    void PrivateAnswer(int style, const std::string& text);
    void Public(int style, const std::string& text);
    bool Right(int bit) const;
    // Shows user `user_id` on public slot `slot` (an empty slot first).
    void StartSlot(int slot, int32_t user_id, uint32_t media_ip, uint16_t media_port);
    void StopSlot(int slot);

    TChatRoom& room_;
    IRoomView& view_;
    ILoop& loop_;
    TTimer tick_;
    Tick last_count_ = 0;
    TLoggingOwnSender logging_sender_;
    IOwnSender* sender_ = &logging_sender_;
    std::array<int32_t, kSlots> slots_{};
    int32_t my_slot_ = -1;
    bool send_audio_ = false;
    bool order_dialog_open_ = false;
};

// The queue dialog's drop: row `from` dropped on row `onto` (-1: no row
// under the mouse, the last one). A row dropped on itself stays.
void DropQueueRow(std::vector<int32_t>& rows, int from, int onto);

} // namespace kel
