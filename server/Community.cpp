#include "Community.h"

namespace kel::server {

Community::Community() : rng_(std::random_device{}()) {}

ConnectionPair Community::NewConnection() {
    std::uniform_int_distribution<int32_t> a(1, INT32_MAX);
    std::uniform_int_distribution<int32_t> b(1, INT16_MAX);
    ConnectionPair p;
    p.A = a(rng_);
    p.B = static_cast<int16_t>(b(rng_));
    return p;
}

int32_t Community::RandomTicket() {
    std::uniform_int_distribution<int32_t> d(1, INT32_MAX);
    return d(rng_);
}

int32_t Community::TakeGuestNumber() {
    // The range holds ten million numbers; a full range cannot happen in
    // practice, but the loop is bounded all the same.
    for (int32_t tries = 0; tries <= kGuestLast - kGuestFirst; ++tries) {
        int32_t id = next_guest_;
        next_guest_ = next_guest_ == kGuestLast ? kGuestFirst : next_guest_ + 1;
        if (guests_.insert(id).second) return id;
    }
    return 0;
}

void Community::ReleaseGuestNumber(int32_t id) { guests_.erase(id); }

bool Community::PasswordBlocked(int32_t user_id, Tick now) {
    auto it = failures_.find(user_id);
    if (it == failures_.end()) return false;
    auto& times = it->second;
    while (!times.empty() && TickElapsed(now, times.front()) >= kFailureWindowMs) times.erase(times.begin());
    if (times.empty()) {
        failures_.erase(it);
        return false;
    }
    return times.size() >= kMaxFailures;
}

void Community::PasswordFailed(int32_t user_id, Tick now) {
    auto& times = failures_[user_id];
    times.push_back(now);
    if (times.size() > kMaxFailures) times.erase(times.begin());
}

void Community::PasswordAccepted(int32_t user_id) { failures_.erase(user_id); }

void Community::SetRoomCount(int32_t room_id, int32_t count) {
    std::lock_guard<std::mutex> g(counts_lock_);
    counts_[room_id] = count;
}

int32_t Community::RoomCount(int32_t room_id) const {
    std::lock_guard<std::mutex> g(counts_lock_);
    auto it = counts_.find(room_id);
    return it == counts_.end() ? 0 : it->second;
}

std::map<int32_t, int32_t> Community::RoomCounts() const {
    std::lock_guard<std::mutex> g(counts_lock_);
    return counts_;
}

} // namespace kel::server
