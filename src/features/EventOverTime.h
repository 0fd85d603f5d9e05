#pragma once
// The request time-out tracker of a room window. Room requests are
// fire-and-forget on the wire; for those whose answer the user waits for,
// the sender registers (code, key) right after sending, the answer's handler
// removes it, and an entry still pending after 10 seconds is dropped and
// reported once with a text that names the failed action.
//
// Used only on the GUI thread: the senders, the handlers and the window's
// queue timer that calls CheckTimeouts all run there.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Tick.h"

namespace kel {

class TEventOverTime {
public:
    // An entry older than this many milliseconds is reported.
    static constexpr uint32_t kTimeoutMs = 9999;

    struct Wait {
        int32_t Code;
        int32_t Key; // as a rule a user number
        Tick Registered;
    };

    // Receives the text to show for each request that timed out.
    std::function<void(const std::string& msg)> OnTimeout;

    // Registers (code, key) and returns its index; an existing entry keeps
    // its index and its time stamp.
    int32_t AddWait(int32_t code, int32_t key);
    // Removes the matching entry; a missing one is ignored (a late answer).
    void EndWait(int32_t code, int32_t key);
    // The index of the matching entry, or -1.
    int32_t FindWait(int32_t code, int32_t key) const;
    // Drops and reports every entry registered more than kTimeoutMs ago.
    void CheckTimeouts();
    void ClearWaits() { waits_.clear(); }

    size_t Count() const { return waits_.size(); }

    // "网络超时!" + the action's detail + "请稍候再试!".
    static std::string TimeoutText(int32_t code, int32_t key);

private:
    std::vector<Wait> waits_;
};

} // namespace kel
