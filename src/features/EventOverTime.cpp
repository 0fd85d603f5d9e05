#include "features/EventOverTime.h"

#include "protocol/Commands.h"

namespace kel {

int32_t TEventOverTime::AddWait(int32_t code, int32_t key) {
    const int32_t found = FindWait(code, key);
    if (found >= 0)
        return found;
    waits_.push_back({code, key, GetTickCount()});
    return static_cast<int32_t>(waits_.size() - 1);
}

void TEventOverTime::EndWait(int32_t code, int32_t key) {
    const int32_t found = FindWait(code, key);
    if (found >= 0)
        waits_.erase(waits_.begin() + found);
}

int32_t TEventOverTime::FindWait(int32_t code, int32_t key) const {
    for (size_t i = 0; i < waits_.size(); ++i)
        if (waits_[i].Code == code && waits_[i].Key == key)
            return static_cast<int32_t>(i);
    return -1;
}

void TEventOverTime::CheckTimeouts() {
    const Tick now = GetTickCount();
    // From the last entry to the first, so removals do not disturb the walk.
    for (size_t i = waits_.size(); i-- > 0;) {
        if (i >= waits_.size()) // the handler of an earlier report changed the list
            continue;
        const Wait w = waits_[i];
        if (TickElapsed(now, w.Registered) <= kTimeoutMs)
            continue;
        waits_.erase(waits_.begin() + static_cast<std::ptrdiff_t>(i));
        if (OnTimeout)
            OnTimeout(TimeoutText(w.Code, w.Key));
    }
}

std::string TEventOverTime::TimeoutText(int32_t code, int32_t key) {
    const std::string k = std::to_string(key);
    std::string detail;
    switch (code) {
    case cmd::kUserProfileQuery: detail = "查看用户(" + k + ")信息失败!"; break;
    case cmd::kKickUser: detail = "踢用户(" + k + ")出房间时失败!"; break;
    case cmd::kUserAddressQuery: detail = "查看用户(" + k + ")IP失败！"; break;
    case cmd::kSendGift: detail = "给用户(" + k + ")送礼失败!"; break;
    case cmd::kExchangeGift: detail = "兑换礼品不成功!"; break;
    case cmd::kWatchPriMic: detail = "打开用户(" + k + ")私麦失败!"; break;
    case cmd::kAskMic: detail = "请求上麦无应答!"; break;
    default: break;
    }
    return "网络超时!" + detail + "请稍候再试!";
}

} // namespace kel
