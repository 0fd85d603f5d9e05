#pragma once
// What the hall and the room servers share on the loop thread: random
// values, guest numbers, and the room head-counts that the web pages read
// from their own threads.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <vector>

#include "platform/Tick.h"

#include "protocol/HallMessages.h"

namespace kel::server {

class Community {
public:
    Community();

    // A fresh connection pair (A is never 0).
    ConnectionPair NewConnection();
    // A ticket or media ticket, never 0.
    int32_t RandomTicket();

    // Guest numbers for room stays, out of a range no account uses.
    int32_t TakeGuestNumber();
    void ReleaseGuestNumber(int32_t id);
    static bool IsGuestNumber(int32_t id) { return id >= kGuestFirst && id <= kGuestLast; }

    // Password guessing: after kMaxFailures wrong passwords for one number
    // within kFailureWindowMs, that number is refused until the oldest of
    // them is older than the window. Hall login and room entry count alike.
    bool PasswordBlocked(int32_t user_id, Tick now);
    void PasswordFailed(int32_t user_id, Tick now);
    void PasswordAccepted(int32_t user_id);
    static constexpr size_t kMaxFailures = 5;
    static constexpr uint32_t kFailureWindowMs = 600000;

    // Head-counts, read by the web server's threads.
    void SetRoomCount(int32_t room_id, int32_t count);
    int32_t RoomCount(int32_t room_id) const;
    std::map<int32_t, int32_t> RoomCounts() const;

    static constexpr int32_t kGuestFirst = 90000000;
    static constexpr int32_t kGuestLast = 99999999;

private:
    std::mt19937 rng_;
    std::set<int32_t> guests_;
    std::map<int32_t, std::vector<Tick>> failures_;
    int32_t next_guest_ = kGuestFirst;
    mutable std::mutex counts_lock_;
    std::map<int32_t, int32_t> counts_;
};

} // namespace kel::server
