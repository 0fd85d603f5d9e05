#pragma once
// The mics of the room server: per room three public mic slots, the mic
// queue, and the private mic states of its members. It answers the mic
// requests (30001 ask, 30021 leave, 30031/30011 hold a user on or off,
// 30033 add mic time, 30035 queue order) with the refusal codes the client
// knows, broadcasts every change to the room (8033, 9014, 8034, 8035),
// ends a public mic when its time limit runs out (9014 reason 1, on the
// loop's timer) and fills the mic lists a member gets when he enters.
//
// The member's record (MicState, MicTimeUsed, MicTimeLimit, MicOrder) is
// the state every list shows; this service keeps the slots and the queue
// beside it.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "MessageSink.h"
#include "platform/Timer.h"

namespace kel::server {

class RoomService;

class MicService {
public:
    static constexpr int kSlots = 3;
    static constexpr uint32_t kCheckMs = 1000;       // time limits are checked once a second
    static constexpr int32_t kAddedTimeMs = 300000;  // "增加5分钟麦时"

    explicit MicService(RoomService& rooms);

    // Handles a mic code; false for any other code.
    bool OnMessage(const Inbound& in);
    // 20122, 8000 and 8011 from the room's current state, to a member who
    // has just entered.
    void SendEntryLists(int32_t room_id, uint32_t ip, uint16_t port);
    // Takes the member off whatever mic he holds (he leaves the room, a new
    // window takes over his stay: operator -2, or a manager holds him off:
    // reason 3) and gives a freed public slot to the queue.
    void Release(int32_t room_id, int32_t user_id, int32_t operator_id, int16_t reason = 0);
    // Ends the public mics whose time is up (the timer's handler).
    void CheckTimes();

    // Who holds public slot `slot` of a room (0: nobody), and the queue.
    int32_t SlotHolder(int32_t room_id, int slot) const;
    std::vector<int32_t> Queue(int32_t room_id) const;

private:
    struct Mics {
        std::array<int32_t, kSlots> Slots{};
        std::array<Tick, kSlots> Since{};
        std::vector<int32_t> Queue;
    };

    void Ask(const Inbound& in);
    void Leave(const Inbound& in);
    void HoldOn(const Inbound& in);
    void HoldOff(const Inbound& in);
    void AddTime(const Inbound& in);
    void SetOrder(const Inbound& in);

    // Leaves the current state: a public slot is freed (the time used so
    // far kept in the record), the queue left; sends 9014 with `reason`
    // unless `silent`.
    void LeaveState(int32_t room_id, int32_t user_id, int32_t op_id, int16_t reason, bool silent);
    void TakeSlot(int32_t room_id, int32_t user_id, int slot, int32_t op_id, uint8_t old_state);
    void SetState(int32_t room_id, int32_t user_id, int32_t op_id, uint8_t old_state, uint8_t state);
    void Enqueue(int32_t room_id, int32_t user_id, uint8_t old_state);
    // Free slots go to the queue's first users while the room's automatic
    // queue is on.
    void Promote(int32_t room_id);
    void Renumber(int32_t room_id);
    int FreeSlot(const Mics& m) const;
    int SlotOf(const Mics& m, int32_t user_id) const;
    int32_t TimeLimitFor(int32_t room_id, int32_t user_id) const;
    void BroadcastMicList(int32_t room_id);
    void Grant(int32_t room_id, int32_t user_id, uint8_t state);
    void Refuse(const Inbound& in, int32_t key, int32_t reason);

    RoomService& rooms_;
    TTimer check_;
    std::map<int32_t, Mics> mics_;
};

} // namespace kel::server
